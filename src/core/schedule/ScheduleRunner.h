#pragma once

#include "ScheduleLog.h"
#include "ScheduleReadStarter.h"

#include <QObject>

#include <functional>
#include <map>

class TKivTamsor;
class TKivStation;

// The schedule runner: reads every station of the project again and again, each at its own
// interval (ScheduleTime), writes the station's reports after each successful read and keeps
// the schedule log. It owns no timer and no clock: the caller calls Tick once a second and
// gives it "now", so the window, the headless collector and the tests run the same code.
//
// A tick while idle starts the first due station in project order (ScheduleBase +
// ScheduleTime < now, in unsigned 32-bit arithmetic); a tick while waiting counts down the
// 300-tick timeout and takes the read's outcome from the read starter. A success logs the
// read's seconds, writes the reports, and moves ScheduleBase on by the interval; a failure
// moves it by 30 s three times in a row, then by the interval, until a read succeeds.
//
// In parallel mode the same happens once per line (ScheduleLineOf): stations on different
// serial ports or devices are read at the same time, one read per line.
//
// A window drives it with a TReadStationStarter: its 1000 ms timer calls Tick and is started
// and stopped on RunningChanged; LineAdded and LogCleared keep the log window in step with
// Log(); ProjectClosing goes first when the project is closed, replaced or loaded.
class TScheduleRunner : public QObject
{
    Q_OBJECT

public:
    // Milliseconds since 1970-01-01 00:00 UTC.
    using Clock = std::function<qint64()>;
    // Writes the reports of a station just read; a failure throws TamsorError with the reason.
    using ReportWriter = std::function<void(const TKivStation&)>;
    // Says whether the history of a station just read was written: empty when it was (or the
    // project keeps none), else a line for the log saying why not.
    using HistoryCheck = std::function<QString(const TKivStation&)>;

    enum { StateIdle = 0, StateWaiting = 2 };
    static constexpr int TimeoutTicks = 300;
    static constexpr quint32 RetryDelaySeconds = 30;
    static constexpr quint32 RetriesBeforeInterval = 3;

    // project and starter are not owned and must outlive the runner.
    TScheduleRunner(TKivTamsor& project, TScheduleReadStarter& starter, Clock clock = SystemClock(),
                    QObject* parent = nullptr);

    static Clock SystemClock();

    // The writer used after each successful read (none set: reports are not written).
    void SetReportWriter(ReportWriter writer) { m_writeReports = std::move(writer); }
    // Asked after each successful read; a text it gives becomes a log line of its own. The read
    // still succeeded: its image is stored and its reports are written.
    void SetHistoryCheck(HistoryCheck check) { m_checkHistory = std::move(check); }
    // Parallel mode; change it only while stopped.
    void SetParallel(bool parallel) { m_parallel = parallel; }
    bool Parallel() const { return m_parallel; }

    // Starts the schedule: every station's period begins now. Nothing happens while running.
    void Run();
    // Stops the schedule. A read in progress is not stopped; its outcome is not taken. Nothing
    // happens while stopped.
    void Stop();
    // One tick of the schedule; nothing happens while stopped.
    void Tick();
    // The open project is about to be closed, replaced or loaded: empties the log and stops
    // the schedule (leaving the Stop line as the log's only line), so no tick touches a station
    // of the project that goes.
    void ProjectClosing();
    void ClearLog();

    // The project's running flag (bit 0 of its Schedule field).
    bool IsRunning() const;
    // StateWaiting while a read started by the schedule is awaited (in parallel mode: any).
    int State() const;
    // Ticks left before the awaited read counts as timed out (the first awaited read's).
    int Countdown() const;
    // The station being read (the first one in parallel mode), or null.
    TKivStation* Station() const;
    // The time taken at the last tick or Run, in seconds since 1970.
    quint32 Now() const { return m_now; }
    const TScheduleLog& Log() const { return m_log; }

signals:
    void LineAdded(const QString& line);
    void LogCleared();
    void RunningChanged(bool running);
    // The outcome of a scheduled read has been taken (reports written when it succeeded).
    void ReadTaken(TKivStation* station, bool succeeded);

private:
    // One read at a time: the whole project's, or in parallel mode one line's.
    struct Slot {
        int state = StateIdle;
        int countdown = 0;
        TKivStation* station = nullptr;
        quint64 tick = 0; // the last tick that handled this slot
    };

    Slot& SlotOf(const TKivStation& station);
    bool IsDue(const TKivStation& station) const;
    bool InProject(const TKivStation* station) const;
    void StartRead(Slot& slot, TKivStation& station);
    void Wait(Slot& slot);
    void TakeSuccess(TKivStation& station);
    void TakeFailure(TKivStation& station, const QString& reason = QString());
    void FailureStep(TKivStation& station);
    void Append(const QString& message);
    QString StationText(const TKivStation& station) const;

    TKivTamsor& m_project;
    TScheduleReadStarter& m_starter;
    Clock m_clock;
    ReportWriter m_writeReports;
    HistoryCheck m_checkHistory;
    bool m_parallel = false;
    quint32 m_now = 0;
    quint64 m_ticks = 0;
    Slot m_single;
    std::map<QString, Slot> m_lines;
    TScheduleLog m_log;
};
