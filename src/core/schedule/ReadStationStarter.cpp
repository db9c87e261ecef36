#include "ReadStationStarter.h"

#include "comm/ReadEngine.h"
#include "comm/ReadStation.h"

TReadStationStarter::TReadStationStarter(std::function<QString()> projectFilePath)
    : m_projectFilePath(std::move(projectFilePath))
{
}

void TReadStationStarter::Start(TKivStation& station)
{
    m_station = &station;
    m_state = ReadIdentifying;
    m_reading = true;
    struct Reading {
        bool& flag;
        ~Reading() { flag = false; }
    } reading{m_reading};
    const bool stored =
        ReadStation(station, true, m_projectFilePath ? m_projectFilePath() : QString());
    m_reading = false;
    // A read whose window was closed before its end has ended too, without an image.
    const int state = LastStationReadOutcome().state;
    m_state = state == ReadDone || state == ReadWrongModel ? state : int(ReadFailed);
    if (stored && m_stored)
        m_stored(station);
}

int TReadStationStarter::State(const TKivStation& station) const
{
    if (&station != m_station)
        return ReadIdle;
    return m_reading ? int(ReadIdentifying) : m_state;
}

bool TReadStationStarter::LineBusy(const TKivStation&) const
{
    return m_reading || TStationReadEngine::AnyReadRunning() || (m_busy && m_busy());
}
