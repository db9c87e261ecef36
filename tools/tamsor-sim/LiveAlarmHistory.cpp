#include "LiveAlarmHistory.h"

#include "model/KivDefinitions.h"
#include "reports/KivAlarmDecoder.h"
#include "reports/KivUtil.h"

#include <algorithm>

namespace
{

// The header registers the panel writes, from BackupAddr on (32-bit values), and the values
// of an entry from its first register on.
constexpr qint64 HeaderCapacity = 0;
constexpr qint64 HeaderCount = 2;
constexpr qint64 HeaderStart = 4;
constexpr qint64 HeaderAddress = 10;
constexpr qint64 HeaderSpace = 12;
constexpr qint64 HeaderRegisters = 16;
constexpr qint64 EntryRegisters = 8;
constexpr qint64 EntryTime1 = 0;
constexpr qint64 EntryTime2 = 2;
constexpr qint64 EntryAlarm = 4;
constexpr qint64 EntryMessage = 6;
constexpr int MessageLines = 16;

} // namespace

LiveAlarmHistory::LiveAlarmHistory(const TKivAlarms& alarms, LiveImage& image)
    : m_alarms(alarms), m_address(alarms.BackupAddr)
{
    // The capacity as the decoder takes it from BackupSpace, a signed number on the device.
    m_capacity = (qint64(qint32(alarms.BackupSpace)) - HeaderRegisters) / EntryRegisters;
    if (m_capacity <= 0)
        m_problem = QStringLiteral("its backup area has no slots");
    else if (!image.Holds(m_address, HeaderRegisters + EntryRegisters * m_capacity))
        m_problem = QStringLiteral("its backup area does not lie inside the register image");
    if (!m_problem.isEmpty())
        return;
    const QByteArray view = image.View();
    const qint64 count = TKivAlarmHistory(alarms, view).Count(); // 0 also for a bad header
    const qint64 start = qint32(ImageRegister32(view, m_address + HeaderStart).value_or(0));
    if (count == 0 || count > m_capacity || start < 0 || start >= m_capacity)
        Format(image);
}

void LiveAlarmHistory::Format(LiveImage& image) const
{
    image.Set32(m_address + HeaderCapacity, quint32(m_capacity));
    image.Set32(m_address + HeaderCount, 0);
    image.Set32(m_address + HeaderStart, 0);
    image.Set32(m_address + HeaderAddress, m_alarms.BackupAddr);
    image.Set32(m_address + HeaderSpace, m_alarms.BackupSpace);
}

std::vector<LiveAlarmHistory::Active> LiveAlarmHistory::ActiveAlarms(const LiveImage& image) const
{
    std::vector<Active> active;
    const TKivAlarmHistory history(m_alarms, image.View());
    for (qint64 i = 0; i < history.Count(); ++i) {
        const auto entry = history.Entry(i);
        if (entry && entry->Time1 != 0 && entry->Time2 == 0)
            active.push_back({*history.EntryRegisterNumber(i), entry->AlarmNumber});
    }
    return active;
}

bool LiveAlarmHistory::EndOne(LiveImage& image, quint32 tick, LiveRandom& random) const
{
    if (!m_problem.isEmpty())
        return false;
    const std::vector<Active> active = ActiveAlarms(image);
    if (active.empty())
        return false;
    const Active& ending = active[size_t(random.Between(0, int(active.size()) - 1))];
    image.Set32(ending.entryRegister + EntryTime2, tick);
    return true;
}

bool LiveAlarmHistory::StartOne(LiveImage& image, quint32 tick, LiveRandom& random) const
{
    if (!m_problem.isEmpty())
        return false;
    const std::vector<Active> active = ActiveAlarms(image);
    std::vector<quint32> quiet;
    for (quint32 n = 0; n < quint32(m_alarms.Count()); ++n) {
        if (std::none_of(active.begin(), active.end(),
                         [n](const Active& a) { return a.alarmNumber == n; }))
            quiet.push_back(n);
    }
    if (quiet.empty())
        return false;
    const quint32 alarm = quiet[size_t(random.Between(0, int(quiet.size()) - 1))];
    const quint32 message = MessageNumber(alarm, random);

    const QByteArray view = image.View();
    qint64 count = TKivAlarmHistory(m_alarms, view).Count();
    qint64 start = qint32(ImageRegister32(view, m_address + HeaderStart).value_or(0));
    if (count < m_capacity)
        ++count;
    else
        start = (start + 1) % m_capacity; // the oldest entry makes room
    image.Set32(m_address + HeaderCount, quint32(count));
    image.Set32(m_address + HeaderStart, quint32(start));

    // The slot to fill is the newest entry of the history as the header now tells it.
    const qint64 first = *TKivAlarmHistory(m_alarms, image.View()).EntryRegisterNumber(count - 1);
    image.Set32(first + EntryTime1, tick);
    image.Set32(first + EntryTime2, 0);
    image.Set32(first + EntryAlarm, alarm);
    image.Set32(first + EntryMessage, message);
    return true;
}

// A line of the alarm's message that has a text; 0 when none has.
quint32 LiveAlarmHistory::MessageNumber(quint32 alarmNumber, LiveRandom& random) const
{
    const QStringList& lines = m_alarms.Items(int(alarmNumber))->Message;
    std::vector<quint32> texts;
    for (int m = 0; m < std::min<int>(int(lines.size()), MessageLines); ++m) {
        if (!lines[m].isEmpty())
            texts.push_back(quint32(m));
    }
    return texts.empty() ? 0 : texts[size_t(random.Between(0, int(texts.size()) - 1))];
}
