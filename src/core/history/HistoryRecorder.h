#pragma once

// Records a station's history after each stored image: its tables are taken from the image
// (HistoryTables.h), compared with the store (HistoryDiff.h) and what is new is written in one
// transaction (HistoryStore.h). A recorder follows every image stored in its project's
// stations (StationReadNotifier.h), so the window's reads, its schedule, tamsor-cli read and
// tamsor-cli run all record by one path.
//
// A history that cannot be written never loses the image or the reports: the outcome says why,
// and the next read adds what the rings still hold. A damaged store is set aside
// (DamagedHistoryPath) and a new one started; a store deleted while the recorder holds it open
// is made again at the next read. The store is opened at the first read and kept open.

#include "HistoryStore.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>

class TKivTamsor;
class TKivStation;

struct THistoryOutcome {
    enum State {
        Off,     // the project keeps no history (off, or the default place without a file)
        Written, // the read's additions are stored
        Failed,  // nothing of this read is stored; Message says why
    };
    State Result = Off;
    THistoryReadResult Added; // when Written
    QString StorePath;
    // Failed: the reason. Written: a notice worth showing (a damaged store set aside), or empty.
    QString Message;
};

class THistoryRecorder : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>; // now, in UTC

    // project must outlive the recorder; projectFilePath is asked at each read (the window's
    // project may be saved under another name). Starts following the station-read notifier.
    THistoryRecorder(TKivTamsor& project, std::function<QString()> projectFilePath,
                     QObject* parent = nullptr);
    ~THistoryRecorder() override;

    void SetClock(Clock clock) { m_clock = std::move(clock); }
    // Passed to every store the recorder opens (THistoryStore::SetWriteProbe).
    void SetWriteProbe(THistoryStore::WriteProbe probe) { m_probe = std::move(probe); }

    // Records station's current image; gives the station its key (a new UUID, a change of the
    // project) when it has none. Never throws.
    THistoryOutcome Record(TKivStation& station);

    // The outcome of station's last recording, or null when none was made since the recorder
    // began or since TakeOutcome.
    const THistoryOutcome* LastOutcome(const TKivStation& station) const;
    // Takes the last outcome of station (an Off outcome when there is none).
    THistoryOutcome TakeOutcome(const TKivStation& station);

    // Closes the store; the next read opens it again (the project was closed or replaced, or
    // its history setting changed).
    void CloseStore();

signals:
    void Recorded(TKivStation* station, const THistoryOutcome& outcome);

private:
    void OnStationRead(TKivStation* station);
    bool InProject(const TKivStation* station) const;
    THistoryStore& OpenStore(const QString& path);
    THistoryOutcome Write(TKivStation& station, const QString& path);

    struct OpenStoreState; // the open store file's identity

    TKivTamsor& m_project;
    std::function<QString()> m_projectFilePath;
    Clock m_clock;
    THistoryStore::WriteProbe m_probe;
    std::unique_ptr<THistoryStore> m_store;
    std::unique_ptr<OpenStoreState> m_open;
    std::map<const TKivStation*, THistoryOutcome> m_outcomes;
};

// The station's info as the store keeps it; the station must have its key.
THistoryStationInfo HistoryStationInfo(const TKivStation& station);

// The recorder of the running program (null when none), so a window that started a read can
// show why its history was not written. Returns the one installed before.
THistoryRecorder* SetProgramHistoryRecorder(THistoryRecorder* recorder);
THistoryRecorder* ProgramHistoryRecorder();

// The text of a failed outcome as a line for a log or stderr: the store and the reason.
QString HistoryFailureText(const THistoryOutcome& outcome);
