// The rows of a history export from a real store: data records and alarm lines merged oldest
// first, logs without time stamps last, stations named by the caller, numbers for line protocol.
#include "history/HistoryExport.h"
#include "history/HistoryStore.h"
#include "history/HistoryTables.h"
#include "model/KivChannel.h"

#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace
{

constexpr quint32 T0 = 1772604000; // 2026-03-04T06:00:00

void AddColumn(TKivDataRecord& record, const char* title, quint32 format, qint32 floatWidth)
{
    auto* item = new TKivDataRecordItem(record.DataRecordItems.get());
    item->Title = QString::fromLatin1(title);
    item->Format = format;
    item->FloatWidth = floatWidth;
}

// A station with the timed log "Oven" (time stamp, a value in tenths, a count), the untimed log
// "Press" (one count) and two alarms.
void DefineStation(TKivStation& station)
{
    auto* oven = new TKivDataRecord(station.DataRecords.get());
    oven->Name = QStringLiteral("Oven");
    oven->Capacity = 2;
    oven->Tick = 1;
    AddColumn(*oven, "Time", 8, 0);
    AddColumn(*oven, "Temp", 3, 1);
    AddColumn(*oven, "Count", 4, 0);
    auto* press = new TKivDataRecord(station.DataRecords.get());
    press->Name = QStringLiteral("Press");
    press->Capacity = 1;
    AddColumn(*press, "Strokes", 4, 0);
    for (const char* message : {"Door open", "Silo low"})
        (new TKivAlarm(station.Alarms.get()))->Message = QStringList{QString::fromLatin1(message)};
}

QByteArray Registers(std::initializer_list<quint16> values)
{
    QByteArray raw;
    for (quint16 value : values) {
        raw += char(value & 0xFF);
        raw += char(value >> 8);
    }
    return raw;
}

THistoryLogEntry Entry(std::optional<quint32> tick, const QByteArray& raw)
{
    THistoryLogEntry entry;
    entry.Tick = tick;
    entry.PanelTime = tick ? std::optional<qint64>(*tick) : std::nullopt;
    entry.Raw = raw;
    entry.ValuesHash = HistoryHash(raw);
    return entry;
}

THistorySnapshot Snapshot(const TKivStation& station)
{
    THistorySnapshot snapshot;
    THistoryLogRing oven{HistoryTableDef(*station.DataRecords->Items(0)), true, true, {}};
    oven.Entries = {Entry(T0, Registers({quint16(-15), 7})), Entry(T0 + 20, Registers({25, 8})),
                    Entry(T0 + 40, Registers({35, 9}))};
    THistoryLogRing press{HistoryTableDef(*station.DataRecords->Items(1)), true, false, {}};
    press.Entries = {Entry(std::nullopt, Registers({100})), Entry(std::nullopt, Registers({101}))};
    snapshot.Logs = {oven, press};
    THistoryAlarmRing alarms{HistoryTableDef(*station.Alarms), true, {}};
    alarms.Entries = {{1, 0, T0 + 10, T0 + 50, T0 + 10, T0 + 50, "Silo low"},
                      {0, 0, T0 + 40, 0, T0 + 40, std::nullopt, "Door open"}};
    snapshot.Alarms = alarms;
    return snapshot;
}

// "table station time first-cell" of every row.
QStringList Rows(THistoryExport& rows)
{
    QStringList lines;
    THistoryExportRow row;
    while (rows.Next(row))
        lines << QStringLiteral("%1 %2 %3 %4")
                     .arg(row.Table->Name, row.Table->Station,
                          row.PanelTime ? QString::number(*row.PanelTime - T0) : "-",
                          row.Cells.empty() ? QString() : row.Cells.back().Text);
    return lines;
}

class HistoryExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        DefineStation(m_station);
        m_store = std::make_unique<THistoryStore>(m_dir.filePath("h.sqlite"));
        const auto utc = QDateTime::fromSecsSinceEpoch(T0 + 3600, QTimeZone::utc());
        m_store->AddRead({"key-a", "Panel", 1, "a.bin", 1}, Snapshot(m_station), utc);
        m_store->AddRead({"key-b", "Panel", 1, "b.bin", 2}, Snapshot(m_station), utc);
    }

    static QString Name(const QString& key) { return key == "key-a" ? QString("1/1") : key; }

    TKivStation m_station{nullptr};
    QTemporaryDir m_dir;
    std::unique_ptr<THistoryStore> m_store;
};

} // namespace

TEST_F(HistoryExport, MergesEntriesAndAlarmLinesOldestFirstWithUntimedEntriesLast)
{
    THistoryFilter filter;
    filter.StationKeys = QStringList{"key-a"};
    THistoryExport rows(*m_store, filter, true, Name, false);
    EXPECT_EQ(rows.Tables().size(), 3u);
    EXPECT_EQ(Rows(rows), (QStringList{"Oven 1/1 0 7", "Alarm 1/1 10 Silo low",
                                       "Oven 1/1 20 8", "Oven 1/1 40 9", "Alarm 1/1 40 Door open",
                                       "Press 1/1 - 100", "Press 1/1 - 101"}));
}

TEST_F(HistoryExport, SelectsTablesStationsAndTimes)
{
    THistoryFilter filter;
    filter.TableNames = QStringList{"Oven"};
    filter.From = T0 + 10;
    filter.To = T0 + 41;
    THistoryExport withAlarms(*m_store, filter, true, Name, false);
    EXPECT_EQ(Rows(withAlarms),
              (QStringList{"Alarm 1/1 10 Silo low", "Alarm key-b 10 Silo low", "Oven 1/1 20 8",
                           "Oven key-b 20 8", "Oven 1/1 40 9", "Oven key-b 40 9",
                           "Alarm 1/1 40 Door open", "Alarm key-b 40 Door open"}));
    THistoryExport entriesOnly(*m_store, filter, false, Name, false);
    EXPECT_EQ(Rows(entriesOnly).size(), 4);
}

TEST_F(HistoryExport, CellsCarryTheReportTextsAndOnRequestTheirNumbers)
{
    THistoryFilter filter;
    filter.StationKeys = QStringList{"key-a"};
    THistoryExport rows(*m_store, filter, true, Name, true);
    THistoryExportRow row;
    ASSERT_TRUE(rows.Next(row));
    ASSERT_EQ(row.Cells.size(), 3u);
    EXPECT_EQ(row.Table->Titles, (QStringList{"Time", "Temp", "Count"}));
    EXPECT_FALSE(row.Cells[0].Number); // a time stamp is text
    EXPECT_EQ(row.Cells[1].Text, "-1.5");
    EXPECT_EQ(row.Cells[1].Number, -1.5);
    EXPECT_FALSE(row.Cells[1].Integer);
    EXPECT_EQ(row.Cells[2].Number, 7.0);
    EXPECT_TRUE(row.Cells[2].Integer);

    ASSERT_TRUE(rows.Next(row));
    EXPECT_EQ(row.Table->Titles, HistoryAlarmTitles());
    ASSERT_EQ(row.Cells.size(), 4u);
    EXPECT_EQ(row.Cells[0].Number, 1.0);
    EXPECT_EQ(row.Cells[1].Text, "2026-03-04T06:00:10");
    EXPECT_EQ(row.Cells[2].Text, "2026-03-04T06:00:50");
    EXPECT_EQ(row.Cells[3].Text, "Silo low");
    ASSERT_TRUE(rows.Next(row) && rows.Next(row) && rows.Next(row));
    ASSERT_EQ(row.Table->Name, "Alarm");
    EXPECT_EQ(row.Cells[2].Text, ""); // still active
}
