#include "BackgroundReadStarter.h"

#include "comm/ReadStation.h"
#include "model/KivChannel.h"

TBackgroundReadStarter::TBackgroundReadStarter(QString projectFilePath,
                                               TStationReader::TransportFactory factory,
                                               QObject* parent)
    : QObject(parent), m_projectFilePath(std::move(projectFilePath)), m_factory(std::move(factory))
{
}

TBackgroundReadStarter::~TBackgroundReadStarter()
{
    // The readers stop their reads as they go; the stations may be gone by now, so those
    // outcomes are not taken.
    for (auto& [key, read] : m_reads)
        if (read.reader)
            disconnect(read.reader.get(), nullptr, this, nullptr);
}

void TBackgroundReadStarter::Start(TKivStation& station)
{
    Read& read = m_reads[&station];
    read.station = &station;
    read.line = ScheduleLineOf(station);
    read.state = ReadIdentifying;
    const int type = station.Owner->Type;
    if (type == TKivChannel::TypeUart || type == TKivChannel::TypeInternet) {
        StartReader(read);
        return;
    }
    // Register files (and channel types without a device) are read in place, silently.
    const bool stored = ReadStation(station, true, m_projectFilePath);
    read.state = LastStationReadOutcome().state;
    if (stored)
        emit ImageStored(&station);
}

void TBackgroundReadStarter::StartReader(Read& read)
{
    if (!read.reader) {
        read.reader = std::make_unique<TStationReader>(nullptr, m_factory);
        connect(read.reader.get(), &TStationReader::Finished, this,
                [this, &read](const StationReadOutcome& outcome) { Finished(read, outcome); });
    }
    read.reader->SetAlongside(m_parallel);
    if (!read.reader->Start(MakeStationReadRequest(*read.station)))
        Finished(read, read.reader->Outcome());
}

void TBackgroundReadStarter::Finished(Read& read, const StationReadOutcome& outcome)
{
    const bool stored = TakeStationReadOutcome(*read.station, outcome);
    // A read stopped before its end (identifying or reading) has failed as well.
    const bool ended = outcome.state == ReadDone || outcome.state == ReadWrongModel;
    read.state = ended ? outcome.state : int(ReadFailed);
    if (stored)
        emit ImageStored(read.station);
}

int TBackgroundReadStarter::State(const TKivStation& station) const
{
    const auto found = m_reads.find(&station);
    return found == m_reads.end() ? int(ReadIdle) : found->second.state;
}

bool TBackgroundReadStarter::LineBusy(const TKivStation& station) const
{
    const QString line = m_parallel ? ScheduleLineOf(station) : QString();
    for (const auto& [key, read] : m_reads) {
        if (read.reader && read.reader->IsRunning() && (!m_parallel || read.line == line))
            return true;
    }
    return false;
}

void TBackgroundReadStarter::Abandon(TKivStation& station)
{
    const auto found = m_reads.find(&station);
    if (found != m_reads.end() && found->second.reader)
        found->second.reader->Cancel();
}

void TBackgroundReadStarter::CancelAll()
{
    for (auto& [key, read] : m_reads)
        if (read.reader)
            read.reader->Cancel();
}

int TBackgroundReadStarter::RunningReads() const
{
    int running = 0;
    for (const auto& [key, read] : m_reads)
        running += read.reader && read.reader->IsRunning() ? 1 : 0;
    return running;
}
