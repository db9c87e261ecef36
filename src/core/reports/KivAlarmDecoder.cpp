#include "KivAlarmDecoder.h"

#include "KivUtil.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivChannel.h"

namespace
{

constexpr qint64 HeaderRegisters = 16;
constexpr qint64 EntryRegisters = 8;
constexpr qsizetype MessageLines = 16;

} // namespace

TKivAlarmHistory::TKivAlarmHistory(const TKivAlarms& alarms, const QByteArray& image)
    : m_image(image), m_address(alarms.BackupAddr)
{
    // The device keeps these as signed 32-bit numbers; the capacity division truncates
    // toward zero, so a BackupSpace below 16 gives capacity 0.
    const qint64 capacity = (qint64(qint32(alarms.BackupSpace)) - HeaderRegisters) / EntryRegisters;
    const auto headerCapacity = ImageRegister32(image, m_address);
    const auto count = ImageRegister32(image, m_address + 2);
    const auto start = ImageRegister32(image, m_address + 4);
    const auto address = ImageRegister32(image, m_address + 10);
    const auto space = ImageRegister32(image, m_address + 12);
    if (!headerCapacity || !count || !start || !address || !space)
        return;
    if (qint32(*headerCapacity) != capacity || *address != alarms.BackupAddr ||
        *space != alarms.BackupSpace)
        return;
    m_capacity = capacity;
    m_start = qint32(*start);
    m_count = std::max(qint32(*count), 0);
    m_valid = true;
}

std::optional<qint64> TKivAlarmHistory::EntryRegisterNumber(qint64 i) const
{
    if (i < 0 || i >= m_count)
        return std::nullopt;
    qint64 slot = m_start + i;
    if (slot >= m_capacity)
        slot -= m_capacity;
    if (slot < 0 || slot >= m_capacity)
        return std::nullopt;
    return m_address + HeaderRegisters + slot * EntryRegisters;
}

std::optional<TKivAlarmEntry> TKivAlarmHistory::Entry(qint64 i) const
{
    const auto first = EntryRegisterNumber(i);
    if (!first)
        return std::nullopt;
    const auto time1 = ImageRegister32(m_image, *first);
    const auto time2 = ImageRegister32(m_image, *first + 2);
    const auto alarm = ImageRegister32(m_image, *first + 4);
    const auto message = ImageRegister32(m_image, *first + 6);
    if (!time1 || !time2 || !alarm || !message)
        return std::nullopt;
    return TKivAlarmEntry{*time1, *time2, *alarm, *message};
}

TKivAlarmTable::TKivAlarmTable(const TKivAlarms& alarms, const QByteArray& image, double updateTime)
    : m_image(image), m_history(alarms, image), m_tick1Format(alarms.Tick1DisplayFormat),
      m_tick2Format(alarms.Tick2DisplayFormat)
{
    Title = FormatTemplate(GetLangString(StrId::AlarmTitle));
    UpdateText = UpdateTimeText(updateTime);
    Heading = QStringList{GetLangString(StrId::AlarmIndexHeading), alarms.Title1, alarms.Title2,
                          alarms.Title3};
    m_messages.reserve(alarms.Count());
    for (const TKivAlarm* alarm : alarms)
        m_messages.push_back(alarm->Message.mid(0, MessageLines));
}

qint64 TKivAlarmTable::RowCount() const
{
    return std::min<qint64>(m_history.Count(), MaxTableRows);
}

QString TKivAlarmTable::TimeCell(quint32 tick, const QString& format) const
{
    // An absent time is one space, so the cell is never mistaken for a failed format.
    return tick == 0 ? QStringLiteral(" ") : FormatTick(ApplyTimeOffset(m_image, tick), format);
}

void TKivAlarmTable::RowCells(qint64 row, QStringList& cells) const
{
    cells.clear();
    cells.append(QString::number(row));
    const auto entry = m_history.Entry(row);
    if (!entry)
        return;
    cells.append(TimeCell(entry->Time1, m_tick1Format));
    cells.append(TimeCell(entry->Time2, m_tick2Format));
    const QStringList* lines =
        entry->AlarmNumber < m_messages.size() ? &m_messages[entry->AlarmNumber] : nullptr;
    cells.append(lines && entry->MessageNumber < quint32(lines->size())
                     ? lines->at(entry->MessageNumber)
                     : QStringLiteral(" "));
}

TKivStation* TKivAlarms::Station() const
{
    return Owner;
}

qint32 TKivAlarms::HistoryCount() const
{
    return Owner ? TKivAlarmHistory(*this, Owner->RegisterImage).Count() : 0;
}

std::optional<TKivAlarmEntry> TKivAlarms::HistoryEntry(qint64 i) const
{
    if (!Owner)
        return std::nullopt;
    return TKivAlarmHistory(*this, Owner->RegisterImage).Entry(i);
}

bool TKivAlarms::ExportTxt(const QString& fileName) const
{
    if (!Owner)
        return false;
    TableText(TKivAlarmTable(*this, Owner->RegisterImage, Owner->UpdateTime)).SaveToFile(fileName);
    return true;
}
