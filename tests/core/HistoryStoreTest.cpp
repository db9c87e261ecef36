#include "HistoryTestSupport.h"
#include "history/HistoryQuery.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

class HistoryStore : public ::testing::Test
{
protected:
    HistoryStore()
    {
        channel->Type = TKivChannel::TypeRegisterFile;
        channel->RegisterFileName = QStringLiteral("oven.reg");
        station->ModelName = QStringLiteral("HMI-7");
        station->StationKey = QStringLiteral("station-1");
    }

    THistoryReadResult Read(TKivStation& s)
    {
        collected = collected.addSecs(60);
        return store->AddRead(HistoryStationInfo(s), CaptureStationTables(s), collected);
    }
    THistoryReadResult Read() { return Read(*station); }

    qint64 Count(const QString& sql)
    {
        QSqlQuery query(store->Database());
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
        return query.next() ? query.value(0).toLongLong() : -1;
    }

    // Every stored entry of the filter as "table time cells".
    QStringList Entries(const THistoryFilter& filter = {})
    {
        QStringList lines;
        THistoryEntryCursor cursor(*store, filter);
        THistoryEntryRow row;
        while (cursor.Next(row))
            lines.append(QStringLiteral("%1 %2 %3%4")
                             .arg(row.Table->Name,
                                  row.PanelTime ? QString::number(*row.PanelTime) : QString("-"),
                                  row.Cells().join(u','), row.GapBefore ? " gap" : ""));
        return lines;
    }

    DecoderLanguage language;
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("plant.history.sqlite"));
    std::unique_ptr<THistoryStore> store = std::make_unique<THistoryStore>(path);
    QDateTime collected = QDateTime(QDate(2026, 3, 1), QTime(0, 0), Qt::UTC);
    TKivTamsor project;
    TKivChannel* channel = new TKivChannel(project.Channels.get());
    TKivStation* station = new TKivStation(channel);
};

} // namespace

TEST_F(HistoryStore, TimedLogAddsWhatIsNewAndMarksGaps)
{
    PanelLog log(*station, QStringLiteral("Oven"), 100, 3, true);
    log.Append(1000, 1, 10);
    log.Append(1060, 2, 20);
    EXPECT_EQ(Read().EntriesAdded, 2);
    EXPECT_EQ(Read().RowsAdded(), 0); // rings unchanged

    log.Append(1120, 3, 30);
    log.Append(1180, 4, 40); // overwrites the oldest
    const THistoryReadResult third = Read();
    EXPECT_EQ(third.EntriesAdded, 2);
    EXPECT_TRUE(third.Gaps.isEmpty());

    // The panel's clock set back: older time stamps after newer ones are still new entries.
    log.Append(500, 5, 50);
    EXPECT_EQ(Read().EntriesAdded, 1);

    // Wrapped more than once between two reads: what the ring holds is added behind a gap.
    for (quint16 i = 0; i < 7; ++i)
        log.Append(2000 + 60 * i, 100 + i, 0);
    const THistoryReadResult wrapped = Read();
    EXPECT_EQ(wrapped.EntriesAdded, 3);
    EXPECT_EQ(wrapped.Gaps, QStringList{"Oven"});

    EXPECT_EQ(Entries(),
              (QStringList{"Oven 500 1970-01-01 00:08:20,5,50", "Oven 1000 1970-01-01 00:16:40,1,10",
                           "Oven 1060 1970-01-01 00:17:40,2,20", "Oven 1120 1970-01-01 00:18:40,3,30",
                           "Oven 1180 1970-01-01 00:19:40,4,40",
                           "Oven 2240 1970-01-01 00:37:20,104,0 gap",
                           "Oven 2300 1970-01-01 00:38:20,105,0", "Oven 2360 1970-01-01 00:39:20,106,0"}));
    const std::vector<THistoryReadRow> reads = HistoryReads(*store, QStringLiteral("station-1"));
    ASSERT_EQ(reads.size(), 5u);
    EXPECT_EQ(reads[1].RowsAdded, 0);
    EXPECT_EQ(reads[4].Gaps, QStringList{"Oven"});
    EXPECT_EQ(reads[4].CollectedUtc, collected);
}

TEST_F(HistoryStore, SameTimeAndValuesAreOneEntry)
{
    PanelLog log(*station, QStringLiteral("Oven"), 100, 8, true);
    log.Append(1000, 1, 10);
    log.Append(1060, 2, 20);
    Read();
    // Clock set back and the same values written again at the same panel time.
    log.Append(1000, 1, 10);
    log.Append(1000, 1, 11);
    EXPECT_EQ(Read().EntriesAdded, 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM log_entry"), 3);
}

TEST_F(HistoryStore, LogWithoutTimeStampsAddsWhatFollowsTheOverlap)
{
    PanelLog log(*station, QStringLiteral("Counter"), 100, 4, false);
    for (quint16 v : {7, 7, 8})
        log.Append(0, v, 0);
    EXPECT_EQ(Read().EntriesAdded, 3);
    for (quint16 v : {7, 7})
        log.Append(0, v, 0); // ring now 7 8 7 7
    EXPECT_EQ(Read().EntriesAdded, 2);
    EXPECT_EQ(Read().EntriesAdded, 0);
    EXPECT_EQ(Entries().join(u' '),
              QStringLiteral("Counter - 7,0 Counter - 7,0 Counter - 8,0 Counter - 7,0 Counter - 7,0"));
    THistoryFilter range;
    range.From = 0;
    EXPECT_TRUE(Entries(range).isEmpty()); // entries without time lie in no time range
}

TEST_F(HistoryStore, BrokenHeaderAddsNothingAndForgetsNothing)
{
    PanelLog log(*station, QStringLiteral("Oven"), 100, 4, true);
    log.Append(1000, 1, 10);
    Read();
    log.Append(1060, 2, 20);
    log.BreakHeader();
    const THistoryReadResult broken = Read();
    EXPECT_EQ(broken.EntriesAdded, 0);
    EXPECT_EQ(HistoryReads(*store).back().Outcome, QStringLiteral("unreadable: Oven"));
    log.WriteHeader();
    const THistoryReadResult repaired = Read();
    EXPECT_EQ(repaired.EntriesAdded, 1);
    EXPECT_TRUE(repaired.Gaps.isEmpty());
}

TEST_F(HistoryStore, AlarmLineIsUpdatedWhenItEnds)
{
    PanelAlarms alarms(*station, 3000, 4);
    const quint64 first = alarms.Start(0, 5000);
    EXPECT_EQ(Read().AlarmsAdded, 1);
    alarms.End(first, 5100);
    alarms.Start(1, 5200, 1);
    const THistoryReadResult second = Read();
    EXPECT_EQ(second.AlarmsAdded, 1);
    EXPECT_EQ(second.AlarmsEnded, 1);
    EXPECT_EQ(Read().RowsAdded(), 0);

    THistoryAlarmCursor cursor(*store, {});
    THistoryAlarmRow row;
    ASSERT_TRUE(cursor.Next(row));
    EXPECT_EQ(row.PanelStart, 5000);
    EXPECT_EQ(row.PanelEnd, 5100);
    EXPECT_EQ(row.Message, QStringLiteral("A0 high"));
    ASSERT_TRUE(cursor.Next(row));
    EXPECT_EQ(row.Number, 1u);
    EXPECT_FALSE(row.EndTick);
    EXPECT_EQ(row.Message, QStringLiteral("A1 low"));
    EXPECT_FALSE(cursor.Next(row));
}

TEST_F(HistoryStore, RecipeVersionsFollowItsChanges)
{
    AddRecipe(*station, QStringLiteral("Bake"), 500, 2);
    SetRegister(*station, 500, 7);
    EXPECT_EQ(Read().RecipeVersions, 1);
    EXPECT_EQ(Read().RecipeVersions, 0);
    SetRegister(*station, 500, 8);
    EXPECT_EQ(Read().RecipeVersions, 1);
    SetRegister(*station, 500, 7); // back to the first contents: a change all the same
    EXPECT_EQ(Read().RecipeVersions, 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM recipe_version"), 3);
}

TEST_F(HistoryStore, ReimportedDefineStartsANewTableVersion)
{
    PanelLog log(*station, QStringLiteral("Oven"), 100, 4, true);
    log.Append(1000, 1, 10);
    Read();
    log.Column(QStringLiteral("Data2"), DataFormat::Signed16);
    EXPECT_EQ(Read().EntriesAdded, 1); // the ring's entries again, under the new columns
    const auto tables = HistoryTables(*store, {}, THistoryKind::DataRecord);
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0]->Titles, (QStringList{"Time", "Data0", "Data1"}));
    EXPECT_EQ(tables[1]->Titles, (QStringList{"Time", "Data0", "Data1", "Data2"}));
}

TEST_F(HistoryStore, StationsOfOneModelOnTwoChannelsAreApart)
{
    PanelLog log(*station, QStringLiteral("Oven"), 100, 4, true);
    log.Append(1000, 1, 10);
    auto* other = new TKivChannel(project.Channels.get());
    other->Type = TKivChannel::TypeInternet;
    other->Ip = QStringLiteral("10.0.0.2");
    auto* twin = new TKivStation(other);
    twin->ModelName = station->ModelName;
    twin->StationKey = QStringLiteral("station-2");
    PanelLog twinLog(*twin, QStringLiteral("Oven"), 100, 4, true);
    twinLog.Append(1000, 1, 10); // the very same entry on the other panel

    EXPECT_EQ(Read().EntriesAdded, 1);
    EXPECT_EQ(Read(*twin).EntriesAdded, 1);
    THistoryFilter filter;
    filter.StationKeys = {QStringLiteral("station-2")};
    EXPECT_EQ(Entries(filter).size(), 1);
    EXPECT_EQ(HistoryTables(*store, {})[1]->StationChannel, QStringLiteral("10.0.0.2"));
}

TEST_F(HistoryStore, QueriesMergeTablesByPanelTimeAndGiveSeries)
{
    PanelLog oven(*station, QStringLiteral("Oven"), 100, 8, true);
    PanelLog press(*station, QStringLiteral("Press"), 200, 8, true);
    oven.Append(1000, -3, 10);
    press.Append(1030, 4, 11);
    oven.Append(1060, 5, 12);
    Read();

    THistoryFilter filter;
    filter.From = 1030;
    filter.To = 1061;
    EXPECT_EQ(Entries(filter), (QStringList{"Press 1030 1970-01-01 00:17:10,4,11",
                                            "Oven 1060 1970-01-01 00:17:40,5,12"}));
    filter = {};
    filter.TableNames = {QStringLiteral("Oven")};
    EXPECT_EQ(Entries(filter).size(), 2);

    const qint64 ovenId = HistoryTables(*store, filter)[0]->Id;
    const std::vector<THistoryPoint> series = HistoryColumnSeries(*store, ovenId, 1, 0, 2000);
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(series[0].Time, 1000);
    EXPECT_EQ(series[0].Value, -3.0);
    EXPECT_EQ(series[1].Value, 5.0);
    EXPECT_TRUE(HistoryColumnSeries(*store, ovenId, 0, 0, 2000).empty()); // the time column

    // The stored cells are the report's cells.
    THistoryEntryCursor cursor(*store, filter);
    THistoryEntryRow row;
    ASSERT_TRUE(cursor.Next(row));
    QStringList reportCells;
    TKivDataRecordTable(*oven.record, station->RegisterImage, 0).RowCells(0, reportCells);
    EXPECT_EQ(row.Cells(), reportCells.mid(1));
}

TEST_F(HistoryStore, FailureInTheMiddleLeavesNothing)
{
    PanelLog oven(*station, QStringLiteral("Oven"), 100, 4, true);
    PanelLog press(*station, QStringLiteral("Press"), 200, 4, true);
    oven.Append(1000, 1, 10);
    press.Append(1000, 2, 20);
    int logsWritten = 0;
    store->SetWriteProbe([&](const QString& stage) {
        if (stage == QLatin1String("entries") && ++logsWritten == 2)
            throw THistoryError(THistoryFailure::Failed, QStringLiteral("disk full"));
    });
    EXPECT_THROW(Read(), THistoryError);
    for (const char* table : {"station", "log_table", "log_entry", "read"})
        EXPECT_EQ(Count(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)), 0) << table;

    store->SetWriteProbe({});
    EXPECT_EQ(Read().EntriesAdded, 2);
}

TEST_F(HistoryStore, NewerOrForeignFilesAreRefused)
{
    QSqlQuery(store->Database()).exec(QStringLiteral("UPDATE schema_version SET version = 99"));
    store.reset();
    try {
        THistoryStore newer(path);
        FAIL() << "a store of a newer version was opened";
    } catch (const THistoryError& error) {
        EXPECT_EQ(error.Why, THistoryFailure::Failed);
    }
    QFile garbage(dir.filePath(QStringLiteral("garbage.sqlite")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();
    try {
        THistoryStore damaged(garbage.fileName());
        FAIL() << "a damaged store was opened";
    } catch (const THistoryError& error) {
        EXPECT_EQ(error.Why, THistoryFailure::Damaged);
    }
    EXPECT_THROW(THistoryStore(dir.filePath("missing.sqlite"), THistoryStore::ExistingOnly),
                 THistoryError);
    EXPECT_FALSE(QFile::exists(dir.filePath("missing.sqlite")));
}
