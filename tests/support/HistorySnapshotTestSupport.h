#pragma once

// Small stores for the tests of what the window shows of the history, made without a register
// image: a data record and an alarm list of known shape, and reads of them made by hand (the
// entries and lines a read would have found) written through the store.
#include "history/HistoryStore.h"
#include "history/HistoryTables.h"
#include "model/KivChannel.h"
#include "model/KivDefinitions.h"
#include "reports/KivUtil.h"

#include <QDateTime>
#include <vector>

// One entry of the test log: its panel time and its two values.
struct TestLogEntry {
    qint64 Time = 0;
    qint16 Temperature = 0;
    quint16 Level = 0;
};

// A log "Oven" of station: a time stamp, "Temperature" (signed 16-bit) and "Level" (unsigned
// 16-bit); untimed without the time stamp.
inline TKivDataRecord* AddTestLog(TKivStation& station, bool timed = true)
{
    auto* record = new TKivDataRecord(station.DataRecords.get());
    record->Name = QStringLiteral("Oven");
    record->Tick = timed ? 1 : 0;
    record->Capacity = 2;
    const auto column = [record](const char* title, int format) {
        auto* item = new TKivDataRecordItem(record->DataRecordItems.get());
        item->Title = QString::fromLatin1(title);
        item->Format = format;
    };
    if (timed)
        column("Time", DataFormat::Tick);
    column("Temperature", DataFormat::Signed16);
    column("Level", DataFormat::Unsigned16);
    return record;
}

// The ring of record holding entries, oldest first, as a read finds it.
inline THistoryLogRing TestLogRing(const TKivDataRecord& record,
                                   const std::vector<TestLogEntry>& entries)
{
    THistoryLogRing ring;
    ring.Def = HistoryTableDef(record);
    ring.Valid = true;
    ring.Timed = record.Tick != 0;
    for (const TestLogEntry& e : entries) {
        THistoryLogEntry entry;
        if (ring.Timed) {
            entry.Tick = quint32(e.Time);
            entry.PanelTime = e.Time;
        }
        const quint16 temperature = quint16(e.Temperature);
        const char raw[4] = {char(temperature & 0xFF), char(temperature >> 8),
                             char(e.Level & 0xFF), char(e.Level >> 8)};
        entry.Raw = QByteArray(raw, 4);
        entry.ValuesHash = HistoryHash(entry.Raw);
        ring.Entries.push_back(entry);
    }
    return ring;
}

// One line of the test alarm history: active while end is 0.
struct TestAlarmLine {
    quint32 Number = 0;
    qint64 Start = 0;
    qint64 End = 0;
    QString Message;
};

inline THistoryAlarmRing TestAlarmRing(const TKivAlarms& alarms,
                                       const std::vector<TestAlarmLine>& lines)
{
    THistoryAlarmRing ring;
    ring.Def = HistoryTableDef(alarms);
    ring.Valid = true;
    for (const TestAlarmLine& line : lines) {
        THistoryAlarmEntry entry;
        entry.Number = line.Number;
        entry.Start = quint32(line.Start);
        entry.End = quint32(line.End);
        entry.PanelStart = line.Start;
        if (line.End != 0)
            entry.PanelEnd = line.End;
        entry.Message = line.Message;
        ring.Entries.push_back(entry);
    }
    return ring;
}

inline THistoryStationInfo TestStationInfo(const TKivStation& station)
{
    THistoryStationInfo info;
    info.Key = station.StationKey;
    info.Model = QStringLiteral("Test panel");
    info.ModelId = 7;
    info.Channel = QStringLiteral("test.bin");
    info.Number = 1;
    return info;
}

// Stores one read of station finding snapshot, collected at a second after the one before.
inline THistoryReadResult AddTestRead(THistoryStore& store, const TKivStation& station,
                                      const THistorySnapshot& snapshot)
{
    static qint64 collected = 1700000000;
    return store.AddRead(TestStationInfo(station), snapshot,
                         QDateTime::fromSecsSinceEpoch(++collected, Qt::UTC));
}
