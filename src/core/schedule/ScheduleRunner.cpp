#include "ScheduleRunner.h"

#include "TamsorError.h"
#include "comm/ReadTexts.h"
#include "comm/StationRead.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivTamsor.h"

namespace
{

bool ReadHasEnded(int state)
{
    return state == ReadDone || state == ReadFailed || state == ReadWrongModel;
}

} // namespace

TScheduleRunner::TScheduleRunner(TKivTamsor& project, TScheduleReadStarter& starter, Clock clock,
                                 QObject* parent)
    : QObject(parent), m_project(project), m_starter(starter), m_clock(std::move(clock))
{
}

TScheduleRunner::Clock TScheduleRunner::SystemClock()
{
    return [] { return QDateTime::currentMSecsSinceEpoch(); };
}

bool TScheduleRunner::IsRunning() const
{
    return (m_project.Schedule & 1u) != 0;
}

void TScheduleRunner::Run()
{
    if (IsRunning())
        return;
    m_project.Schedule |= 1u;
    m_single = Slot();
    m_lines.clear();
    m_now = quint32(m_clock() / 1000);
    m_project.SetScheduleBase(m_now);
    Append(GetLangString(StrId::ScheduleStarted));
    emit RunningChanged(true);
}

void TScheduleRunner::Stop()
{
    if (!IsRunning())
        return;
    m_project.Schedule &= ~1u;
    Append(GetLangString(StrId::ScheduleStopped));
    emit RunningChanged(false);
}

void TScheduleRunner::ProjectClosing()
{
    ClearLog();
    Stop();
}

void TScheduleRunner::ClearLog()
{
    m_log.Clear();
    emit LogCleared();
}

void TScheduleRunner::Tick()
{
    if (!IsRunning())
        return;
    m_now = quint32(m_clock() / 1000);
    const quint64 tick = ++m_ticks;
    for (TKivChannel* channel : *m_project.Channels) {
        for (TKivStation* station : channel->Stations) {
            Slot& slot = SlotOf(*station);
            if (slot.tick == tick)
                continue;
            if (slot.state == StateWaiting) {
                slot.tick = tick;
                Wait(slot);
                continue;
            }
            if (!IsDue(*station))
                continue;
            slot.tick = tick;
            // A read the station would have to share its line with (a manual read in the
            // window, a read that outlived its timeout) is waited for, never joined.
            if (m_starter.LineBusy(*station))
                continue;
            StartRead(slot, *station);
            // Ticks that ran inside a read that was shown modally did this tick's work.
            if (m_ticks != tick || !IsRunning())
                return;
        }
    }
    // A read whose station has left the project is no longer awaited.
    auto forgetGone = [tick, this](Slot& slot) {
        if (slot.state == StateWaiting && slot.tick != tick)
            Wait(slot);
    };
    forgetGone(m_single);
    for (auto& line : m_lines)
        forgetGone(line.second);
}

TScheduleRunner::Slot& TScheduleRunner::SlotOf(const TKivStation& station)
{
    return m_parallel ? m_lines[ScheduleLineOf(station)] : m_single;
}

bool TScheduleRunner::IsDue(const TKivStation& station) const
{
    return quint32(station.ScheduleBase + station.ScheduleTime) < m_now;
}

bool TScheduleRunner::InProject(const TKivStation* station) const
{
    for (const TKivChannel* channel : *m_project.Channels)
        if (channel->Stations.IndexOf(station) >= 0)
            return true;
    return false;
}

void TScheduleRunner::StartRead(Slot& slot, TKivStation& station)
{
    station.ReadStartTime = m_now;
    Append(StationText(station));
    slot.state = StateWaiting;
    slot.countdown = TimeoutTicks;
    slot.station = &station;
    m_starter.Start(station);
}

void TScheduleRunner::Wait(Slot& slot)
{
    TKivStation* station = slot.station;
    if (!station || !InProject(station)) {
        slot.state = StateIdle;
        slot.station = nullptr;
        return;
    }
    if (slot.countdown > 0 && --slot.countdown == 0) {
        slot.state = StateIdle;
        slot.station = nullptr;
        TakeFailure(*station);
        m_starter.Abandon(*station);
        return;
    }
    const int state = m_starter.State(*station);
    if (!ReadHasEnded(state))
        return;
    slot.state = StateIdle;
    slot.station = nullptr;
    if (state == ReadDone)
        TakeSuccess(*station);
    else
        TakeFailure(*station);
}

void TScheduleRunner::TakeSuccess(TKivStation& station)
{
    const qint32 seconds = qint32(m_now - station.ReadStartTime);
    Append(
        QStringLiteral("%1 (%2) %3!!")
            .arg(StationText(station), QString::number(seconds), GetLangString(StrId::LogSuccess)));
    if (m_checkHistory) {
        const QString history = m_checkHistory(station);
        if (!history.isEmpty())
            Append(StationText(station) + u' ' + history);
    }
    try {
        if (m_writeReports)
            m_writeReports(station);
    } catch (const TamsorError& error) {
        TakeFailure(station, error.message());
        return;
    } catch (const std::exception& error) {
        TakeFailure(station, QString::fromLocal8Bit(error.what()));
        return;
    }
    station.ScheduleBase += station.ScheduleTime;
    station.FailCount = 0;
    emit ReadTaken(&station, true);
}

void TScheduleRunner::TakeFailure(TKivStation& station, const QString& reportError)
{
    QString line =
        QStringLiteral("%1 %2!!").arg(StationText(station), GetLangString(StrId::LogFailure));
    if (!reportError.isEmpty())
        line += u' ' + FormatLangText(GetLangString(StrId::ScheduleReportsFailed), {reportError});
    Append(line);
    FailureStep(station);
    emit ReadTaken(&station, false);
}

void TScheduleRunner::FailureStep(TKivStation& station)
{
    ++station.FailCount;
    station.ScheduleBase +=
        station.FailCount > RetriesBeforeInterval ? station.ScheduleTime : RetryDelaySeconds;
}

void TScheduleRunner::Append(const QString& message)
{
    const QString line = TScheduleLog::MakeLine(QDateTime::fromMSecsSinceEpoch(m_clock()), message);
    m_log.Append(line);
    emit LineAdded(line);
}

QString TScheduleRunner::StationText(const TKivStation& station) const
{
    return QStringLiteral("%1 %2-%3 ...")
        .arg(GetLangString(StrId::LogLeadingWord), station.Owner->GetCaption(), station.ModelName);
}

int TScheduleRunner::State() const
{
    return Station() ? StateWaiting : StateIdle;
}

int TScheduleRunner::Countdown() const
{
    if (!m_parallel)
        return m_single.countdown;
    for (const auto& line : m_lines)
        if (line.second.state == StateWaiting)
            return line.second.countdown;
    return 0;
}

TKivStation* TScheduleRunner::Station() const
{
    if (!m_parallel)
        return m_single.station;
    for (const auto& line : m_lines)
        if (line.second.state == StateWaiting)
            return line.second.station;
    return nullptr;
}
