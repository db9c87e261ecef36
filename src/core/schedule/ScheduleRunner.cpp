#include "ScheduleRunner.h"

#include "TamsorError.h"
#include "comm/StationRead.h"
#include "lang/KivLanRes.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"
#include "model/KivTamsor.h"

#include <algorithm>

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
    TakeOutcomes(tick);
    StartDueReads(tick);
}

void TScheduleRunner::TakeOutcomes(quint64 tick)
{
    for (TKivChannel* channel : *m_project.Channels) {
        for (TKivStation* station : channel->Stations) {
            Slot& slot = SlotOf(*station);
            if (slot.state == StateWaiting && slot.tick != tick) {
                slot.tick = tick;
                Wait(slot);
            }
        }
    }
    // A read whose station has left the project is no longer awaited.
    auto forgetGone = [tick, this](Slot& slot) {
        if (slot.state == StateWaiting && slot.tick != tick) {
            slot.tick = tick;
            Wait(slot);
        }
    };
    forgetGone(m_single);
    for (auto& line : m_lines)
        forgetGone(line.second);
}

void TScheduleRunner::StartDueReads(quint64 tick)
{
    for (TKivStation* station : DueStations()) {
        Slot& slot = SlotOf(*station);
        // A slot whose outcome was taken this tick, or whose most overdue station was already
        // considered, starts nothing more until the next tick.
        if (slot.tick == tick)
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

std::vector<TKivStation*> TScheduleRunner::DueStations() const
{
    std::vector<std::pair<quint32, TKivStation*>> due;
    for (TKivChannel* channel : *m_project.Channels)
        for (TKivStation* station : channel->Stations)
            if (IsDue(*station))
                due.emplace_back(DueTime(*station), station);
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TKivStation*> stations;
    stations.reserve(due.size());
    for (const auto& entry : due)
        stations.push_back(entry.second);
    return stations;
}

TScheduleRunner::Slot& TScheduleRunner::SlotOf(const TKivStation& station)
{
    return m_parallel ? m_lines[ScheduleLineOf(station)] : m_single;
}

quint32 TScheduleRunner::DueTime(const TKivStation& station)
{
    return quint32(station.ScheduleBase + station.ScheduleTime);
}

bool TScheduleRunner::IsDue(const TKivStation& station) const
{
    return DueTime(station) < m_now;
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
    SkipMissedPeriods(station);
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
    if (station.FailCount <= RetriesBeforeInterval) {
        station.ScheduleBase += RetryDelaySeconds;
        return;
    }
    station.ScheduleBase += station.ScheduleTime;
    SkipMissedPeriods(station);
}

void TScheduleRunner::SkipMissedPeriods(TKivStation& station)
{
    const quint32 interval = station.ScheduleTime;
    const quint32 behind = m_now - station.ScheduleBase;
    // Compared by difference, not by due time: a due time past 2106 wraps to a small number.
    if (station.ScheduleBase >= m_now || behind <= interval)
        return;
    if (interval == 0) {
        // No period to keep: read again once the others that are due have had their turn.
        station.ScheduleBase = m_now;
        return;
    }
    station.ScheduleBase += behind - behind % interval;
    const QDateTime nextRead = QDateTime::fromSecsSinceEpoch(DueTime(station));
    Append(
        LangText(StrId::ScheduleBehind, {StationName(station), TScheduleLog::TimeText(nextRead)}));
}

void TScheduleRunner::Append(const QString& message)
{
    const QString line = TScheduleLog::MakeLine(QDateTime::fromMSecsSinceEpoch(m_clock()), message);
    m_log.Append(line);
    emit LineAdded(line);
}

QString TScheduleRunner::StationText(const TKivStation& station) const
{
    return QStringLiteral("%1 %2 ...")
        .arg(GetLangString(StrId::LogLeadingWord), StationName(station));
}

QString TScheduleRunner::StationName(const TKivStation& station)
{
    return QStringLiteral("%1-%2").arg(station.Owner->GetCaption(), station.ModelName);
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
