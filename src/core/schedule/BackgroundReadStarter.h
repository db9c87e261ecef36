#pragma once

#include "ScheduleReadStarter.h"

#include "comm/StationReader.h"

#include <QObject>

#include <memory>
#include <unordered_map>

// Starts scheduled reads without waiting for them, for the headless collector: serial and TCP
// reads run on the event loop while the runner ticks on; register files are loaded at once.
// A read that ends stores its image in the station (ImageStored follows). With SetParallel
// reads on different lines run at the same time, one per line; otherwise one read runs at a
// time.
class TBackgroundReadStarter : public QObject, public TScheduleReadStarter
{
    Q_OBJECT

public:
    // projectFilePath: relative register file names are taken against its folder.
    explicit TBackgroundReadStarter(QString projectFilePath,
                                    TStationReader::TransportFactory factory = MakeReadTransport,
                                    QObject* parent = nullptr);
    ~TBackgroundReadStarter() override;

    void SetParallel(bool parallel) { m_parallel = parallel; }

    void Start(TKivStation& station) override;
    int State(const TKivStation& station) const override;
    bool LineBusy(const TKivStation& station) const override;
    // Stops the read: the station's image stays as it was.
    void Abandon(TKivStation& station) override;
    // Stops every read in progress.
    void CancelAll();
    int RunningReads() const;

signals:
    void ImageStored(TKivStation* station);

private:
    struct Read {
        TKivStation* station = nullptr;
        QString line;
        int state = 0;
        std::unique_ptr<TStationReader> reader; // made on the station's first serial or TCP read
    };

    void StartReader(Read& read);
    void Finished(Read& read, const StationReadOutcome& outcome);

    QString m_projectFilePath;
    TStationReader::TransportFactory m_factory;
    bool m_parallel = false;
    std::unordered_map<const TKivStation*, Read> m_reads;
};
