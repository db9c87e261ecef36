#pragma once

// A panel whose data-record logs and alarm history a test writes entry by entry, the way the
// device fills its rings, for the history tests.
#include "DecoderTestSupport.h"
#include "model/KivTamsor.h"

#include <vector>

// A data-record log in a station's image: `slots` slots of two registers (Data0 signed, Data1
// unsigned) after a time-stamp column when timed. Append writes the next entry where the panel
// would, overwriting the oldest once the ring is full.
class PanelLog
{
public:
    PanelLog(TKivStation& station, const QString& name, quint32 reg, quint32 slotCount, bool timed)
        : m_station(station), m_reg(reg), m_slots(slotCount)
    {
        record = new TKivDataRecord(station.DataRecords.get());
        record->Name = name;
        record->Register = reg;
        record->Count = slotCount;
        record->Capacity = 2;
        record->Tick = timed ? 1 : 0;
        if (timed)
            Column(QStringLiteral("Time"), DataFormat::Tick)->DisplayFormat =
                QStringLiteral("yyyy-MM-dd hh:mm:ss");
        Column(QStringLiteral("Data0"), DataFormat::Signed16);
        Column(QStringLiteral("Data1"), DataFormat::Unsigned16);
        WriteHeader();
    }

    TKivDataRecordItem* Column(const QString& title, int format)
    {
        auto* item = new TKivDataRecordItem(record->DataRecordItems.get());
        item->Title = title;
        item->Format = quint32(format);
        return item;
    }

    void Append(quint32 tick, quint16 a, quint16 b)
    {
        const quint32 slot = quint32(m_written % m_slots);
        SetRegister(m_station, m_reg + 4 + 2 * slot, a);
        SetRegister(m_station, m_reg + 5 + 2 * slot, b);
        SetRegister32(m_station, m_reg + 4 + 2 * m_slots + 2 * slot, tick);
        ++m_written;
        WriteHeader();
    }

    // Breaks the header's CRC, as a panel caught while writing its header.
    void BreakHeader() { SetRegister(m_station, m_reg + 3, m_station.RegisterAt(m_reg + 3) ^ 1); }
    void WriteHeader()
    {
        SetLogHeader(m_station, m_reg, quint16(m_written % m_slots),
                     quint16(std::min<quint64>(m_written, m_slots)));
    }

    TKivDataRecord* record;

private:
    TKivStation& m_station;
    quint32 m_reg;
    quint32 m_slots;
    quint64 m_written = 0;
};

// The alarm history of a station: alarms "A0".."A2" with two message lines each, a backup area
// of `capacity` slots at reg.
class PanelAlarms
{
public:
    PanelAlarms(TKivStation& station, quint32 reg, quint32 capacity)
        : m_station(station), m_reg(reg), m_capacity(capacity)
    {
        TKivAlarms& alarms = *station.Alarms;
        alarms.BackupAddr = reg;
        alarms.BackupSpace = 16 + 8 * capacity;
        alarms.Title1 = QStringLiteral("Start");
        alarms.Title2 = QStringLiteral("End");
        alarms.Title3 = QStringLiteral("Message");
        for (int i = 0; i < 3; ++i) {
            auto* alarm = new TKivAlarm(&alarms);
            alarm->Name = QStringLiteral("A%1").arg(i);
            alarm->Message = {QStringLiteral("A%1 high").arg(i), QStringLiteral("A%1 low").arg(i)};
        }
        WriteHeader();
    }

    // Starts alarm number at tick start; returns the index of its entry (0 = the first ever).
    quint64 Start(quint32 number, quint32 start, quint32 message = 0)
    {
        const quint64 index = m_written++;
        WriteSlot(index, start, 0, number, message);
        m_entries.push_back({start, number, message});
        WriteHeader();
        return index;
    }
    void End(quint64 index, quint32 end)
    {
        const Entry& entry = m_entries[size_t(index)];
        WriteSlot(index, entry.start, end, entry.number, entry.message);
    }

private:
    struct Entry {
        quint32 start, number, message;
    };
    void WriteSlot(quint64 index, quint32 start, quint32 end, quint32 number, quint32 message)
    {
        const quint32 first = m_reg + 16 + 8 * quint32(index % m_capacity);
        SetRegister32(m_station, first, start);
        SetRegister32(m_station, first + 2, end);
        SetRegister32(m_station, first + 4, number);
        SetRegister32(m_station, first + 6, message);
    }
    void WriteHeader()
    {
        const quint32 count = quint32(std::min<quint64>(m_written, m_capacity));
        const quint32 start = quint32(m_written > m_capacity ? m_written % m_capacity : 0);
        SetAlarmHeader(m_station, m_reg, 16 + 8 * m_capacity, count, start);
    }

    TKivStation& m_station;
    quint32 m_reg;
    quint32 m_capacity;
    quint64 m_written = 0;
    std::vector<Entry> m_entries;
};

// A recipe of `rows` records of two unsigned columns at reg.
inline TKivRecipe* AddRecipe(TKivStation& station, const QString& name, quint32 reg, quint32 rows)
{
    auto* recipe = new TKivRecipe(station.Recipes.get());
    recipe->Name = name;
    recipe->Register = reg;
    recipe->Count = rows;
    recipe->Capacity = 2;
    for (const char* title : {"Speed", "Heat"}) {
        auto* item = new TKivRecipeItem(recipe->RecipeItems.get());
        item->Title = QString::fromLatin1(title);
        item->Format = DataFormat::Unsigned16;
    }
    return recipe;
}
