#include "RegisterUsage.h"

#include "KivAlarmDecoder.h"
#include "KivDataRecordDecoder.h"
#include "KivRecipeDecoder.h"
#include "model/KivChannel.h"

#include <algorithm>

namespace
{

constexpr qint64 AlarmHeaderRegisters = 16;
constexpr qint64 AlarmEntryRegisters = 8;

// Counts and sizes beyond the memory put everything after the first item outside it; capping
// them there keeps the arithmetic far from overflow.
qint64 CappedToImage(quint32 value)
{
    return std::min<qint64>(value, RegisterCount + 1);
}

// Registers the columns of one record take, one after the other from its start.
template <typename Items> qint64 ColumnSpan(const Items& items)
{
    qint64 span = 0;
    for (const auto* item : items)
        span += FormatRegisterCount(int(item->Format));
    return span;
}

// Record r of `rows` covers start + r x step up to span registers on; neighbouring records
// that touch or overlap are added as one range.
void AddRecords(TRegisterSet& set, qint64 start, qint64 rows, qint64 step, qint64 span)
{
    if (rows <= 0 || span <= 0)
        return;
    if (step <= span) {
        set.AddRange(start, start + (rows - 1) * step + span);
        return;
    }
    for (qint64 r = 0; r < rows; ++r) {
        const qint64 first = start + r * step;
        if (first >= RegisterCount)
            break;
        set.AddRange(first, first + span);
    }
}

void AddRecipes(TRegisterSet& set, const TKivRecipes& recipes)
{
    for (const TKivRecipe* recipe : recipes) {
        // The decoder's own row count: Count, bounded by the image and the cell limit.
        const qint64 rows = TKivRecipeTable(*recipe, ZeroRegisterImage(), 0).RowCount();
        AddRecords(set, recipe->Register, rows, recipe->Capacity, ColumnSpan(*recipe->RecipeItems));
    }
}

void AddAlarms(TRegisterSet& set, const TKivAlarms& alarms)
{
    const qint64 first = alarms.BackupAddr;
    set.AddRange(first, first + AlarmHeaderRegisters);
    // The decoder's capacity: BackupSpace is signed on the device and the division truncates.
    const qint64 capacity =
        (qint64(qint32(alarms.BackupSpace)) - AlarmHeaderRegisters) / AlarmEntryRegisters;
    if (capacity > 0)
        set.AddRange(first + AlarmHeaderRegisters,
                     first + AlarmHeaderRegisters + capacity * AlarmEntryRegisters);
}

} // namespace

TRegisterUsage::TRegisterUsage(const TKivStation& station)
{
    m_fixed.AddRange(ModelRegister, ModelRegister + 2);
    m_fixed.AddRange(TimeOffsetRegister, TimeOffsetRegister + 1);
    AddRecipes(m_fixed, *station.Recipes);
    AddAlarms(m_fixed, *station.Alarms);
    for (const TKivDataRecord* record : *station.DataRecords) {
        const qint64 capacity = CappedToImage(record->Capacity);
        const Log log{record->Register, record->Count, record->Capacity,
                      std::max(capacity, ColumnSpan(*record->DataRecordItems))};
        m_logs.push_back(log);
        // Header (head, entries, a spare register, CRC), the slots, then a 32-bit tick a slot.
        const qint64 first = log.firstRegister;
        const qint64 slotCount = CappedToImage(log.slotCount);
        const qint64 ticks = first + 4 + slotCount * capacity;
        m_fixed.AddRange(first, first + 4);
        AddRecords(m_fixed, first + 4, slotCount, capacity, log.slotSpan);
        m_fixed.AddRange(ticks, ticks + 2 * slotCount);
    }
}

TRegisterSet TRegisterUsage::Registers() const
{
    return m_fixed;
}

TRegisterSet TRegisterUsage::Registers(const QByteArray& image) const
{
    TRegisterSet set = m_fixed;
    for (const Log& log : m_logs) {
        const TKivDataRecordRing ring(log.firstRegister, log.slotCount, log.capacity, image);
        for (qint64 i = 0; i < qint64(ring.EntryCount()); ++i) {
            const qint64 slot = *ring.EntryRegisterNumber(i, 0);
            const qint64 tick = *ring.TickRegisterNumber(i);
            set.AddRange(slot, slot + log.slotSpan);
            set.AddRange(tick, tick + 2);
        }
    }
    return set;
}
