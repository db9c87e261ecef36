#pragma once

#include "ReadEngine.h"
#include "ReadTransport.h"
#include "StationRead.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

// Runs station reads on the event loop: owns the transport of the read, drives the engine
// from a 10 ms timer and from the transport's arrival events, and wakes earlier when the
// engine asks (the RTU inter-frame pause). Used by the read window and, through
// RunStationRead, by headless callers.
class TStationReader : public QObject
{
    Q_OBJECT

public:
    using TransportFactory =
        std::function<std::unique_ptr<TReadTransport>(const StationReadRequest&)>;

    explicit TStationReader(QObject* parent = nullptr,
                            TransportFactory factory = MakeReadTransport);
    ~TStationReader() override;

    // Starts reading; Progress and Finished follow (Finished may come before Start returns
    // when the read cannot begin). False when the read was refused because another read is
    // running, or the channel type has no transport; Outcome() then says why and no signal
    // is emitted.
    bool Start(const StationReadRequest& request);
    // Stops a running read (state stays identifying or reading, no image).
    void Cancel();
    // Reads alongside other such reads (TStationReadEngine::SetAlongside); set before Start.
    void SetAlongside(bool alongside) { m_engine.SetAlongside(alongside); }
    bool IsRunning() const { return m_engine.IsRunning(); }
    int State() const { return m_engine.State(); }
    const StationReadOutcome& Outcome() const { return m_outcome; }

signals:
    void Progress(int state, int percent, const QString& text);
    void Finished(const StationReadOutcome& outcome);

private:
    void PollNow();
    void ScheduleWake();
    void OnEngineFinished(const StationReadOutcome& outcome);
    qint64 NowUs() const { return m_clock.nsecsElapsed() / 1000; }

    TransportFactory m_factory;
    TStationReadEngine m_engine;
    std::unique_ptr<TReadTransport> m_transport;
    // The transport of the last read, kept until the next read finishes or the reader ends:
    // the read may finish inside one of the transport's own signal handlers.
    std::unique_ptr<TReadTransport> m_finishedTransport;
    StationReadOutcome m_outcome;
    QElapsedTimer m_clock;
    QTimer m_tick;
    QTimer m_wake;
    bool m_polling = false;
};

// Reads a station without a window: runs a nested event loop until the read ends and
// returns its outcome. `progress` (optional) receives every progress change.
StationReadOutcome RunStationRead(
    const StationReadRequest& request,
    const std::function<void(int state, int percent, const QString& text)>& progress = {},
    TStationReader::TransportFactory factory = MakeReadTransport);
