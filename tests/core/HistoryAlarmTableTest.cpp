// Every stored alarm line of a station as a grid reads it: oldest first across the versions of
// the alarm definition, the times with their dates and the duration (blank while active), read
// a page at a time wherever the grid looks, also when lines are missing from the store's order.
#include "history/HistoryAlarmTable.h"
#include "DecoderTestSupport.h"
#include "HistorySnapshotTestSupport.h"
#include "reports/KivTableModel.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace
{

const qint64 Start = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC).toSecsSinceEpoch();

class HistoryAlarmTableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        station.StationKey = QStringLiteral("station-1");
        station.Alarms->Title1 = QStringLiteral("Came");
        station.Alarms->Title2 = QStringLiteral("Went");
        station.Alarms->Title3 = QStringLiteral("Message");
        store = std::make_unique<THistoryStore>(path());
    }
    QString path() const { return dir.filePath(QStringLiteral("p.history.sqlite")); }
    void read(const std::vector<TestAlarmLine>& lines)
    {
        THistorySnapshot snapshot;
        snapshot.Alarms = TestAlarmRing(*station.Alarms, lines);
        AddTestRead(*store, station, snapshot);
    }
    static QStringList cells(const TKivDecodedTable& table, qint64 row)
    {
        QStringList result;
        table.RowCells(row, result);
        return result;
    }
    // n lines of alarm i % 7, a minute apart, each lasting i seconds.
    static std::vector<TestAlarmLine> lines(int n)
    {
        std::vector<TestAlarmLine> result;
        for (int i = 0; i < n; ++i)
            result.push_back({quint32(i % 7), Start + 60 * i, Start + 60 * i + i,
                              QStringLiteral("Line %1").arg(i)});
        return result;
    }

    DecoderLanguage language{QStringLiteral("STR09482=Alarm\nSTR09483=Duration\n")};
    QTemporaryDir dir;
    TKivStation station{nullptr};
    std::unique_ptr<THistoryStore> store;
};

} // namespace

TEST_F(HistoryAlarmTableTest, ListsEveryStoredLineOldestFirst)
{
    read({{3, Start, Start + 3723, QStringLiteral("Door open")},
          {5, Start + 10, 0, QStringLiteral("Low oil")}});
    // The next read finds the oil alarm ended and a new one; the titles change: a new version.
    station.Alarms->Title3 = QStringLiteral("Text");
    read({{5, Start + 10, Start + 70, QStringLiteral("Low oil")},
          {1, Start + 100, 0, QStringLiteral("Fan")}});

    const THistoryAlarmTable table(store.get(), station.StationKey, *station.Alarms);
    EXPECT_EQ(table.Heading, (QStringList{"No.", "Alarm", "Came", "Went", "Duration", "Text"}));
    ASSERT_EQ(table.RowCount(), 4);
    EXPECT_EQ(cells(table, 0), (QStringList{"0", "3", "2024-05-06 07:08:09",
                                            "2024-05-06 08:10:12", "1:02:03", "Door open"}));
    EXPECT_EQ(cells(table, 1),
              (QStringList{"1", "5", "2024-05-06 07:08:19", "", "", "Low oil"}))
        << "active when the first version stored it";
    EXPECT_EQ(cells(table, 2), (QStringList{"2", "5", "2024-05-06 07:08:19",
                                            "2024-05-06 07:09:19", "0:01:00", "Low oil"}));
    EXPECT_EQ(cells(table, 3).mid(1, 2), (QStringList{"1", "2024-05-06 07:09:49"}));
    EXPECT_TRUE(table.Error().isEmpty());
}

TEST_F(HistoryAlarmTableTest, PagesReadWhereverTheGridLooks)
{
    read(lines(1000));
    // Lines missing from the middle of the store's order (a store trimmed by hand): the pages
    // are found by their place, not by seq.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("trim"));
        db.setDatabaseName(path());
        ASSERT_TRUE(db.open());
        QSqlQuery trim(db);
        ASSERT_TRUE(trim.exec(QStringLiteral(
            "DELETE FROM alarm_line WHERE message IN ('Line 10', 'Line 11', 'Line 600')")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("trim"));

    const THistoryAlarmTable table(store.get(), station.StationKey, *station.Alarms);
    ASSERT_EQ(table.RowCount(), 997);
    const auto message = [&](qint64 row) { return cells(table, row).value(5); };
    EXPECT_EQ(message(996), u"Line 999");
    EXPECT_EQ(message(0), u"Line 0");
    EXPECT_EQ(message(10), u"Line 12");
    EXPECT_EQ(message(597), u"Line 599");
    EXPECT_EQ(message(598), u"Line 601");
    EXPECT_EQ(cells(table, 997), QStringList{"997"}) << "past the end: the number alone";
}

TEST_F(HistoryAlarmTableTest, AGridShowsMoreLinesThanAnImageHolds)
{
    read(lines(70000));
    TKivTableModel model;
    model.SetTable(std::make_unique<THistoryAlarmTable>(store.get(), station.StationKey,
                                                        *station.Alarms));
    ASSERT_EQ(model.rowCount(), 70000);
    EXPECT_EQ(model.index(69999, 4).data().toString(), u"Line 69999");
    EXPECT_EQ(model.index(69999, 3).data().toString(), u"19:26:39");
    EXPECT_EQ(model.index(0, 0).data().toString(), u"0");
}

TEST_F(HistoryAlarmTableTest, WithoutStoreOrKeyThereAreNoLines)
{
    read(lines(3));
    EXPECT_EQ(THistoryAlarmTable(nullptr, station.StationKey, *station.Alarms).RowCount(), 0);
    EXPECT_EQ(THistoryAlarmTable(store.get(), QString(), *station.Alarms).RowCount(), 0);
    EXPECT_EQ(THistoryAlarmTable(store.get(), QStringLiteral("other"), *station.Alarms).RowCount(),
              0);
}

TEST(HistoryAlarmDuration, HoursMinutesSeconds)
{
    const struct {
        qint64 seconds;
        const char* text;
    } cases[] = {{0, "0:00:00"}, {59, "0:00:59"}, {3723, "1:02:03"}, {93784, "26:03:04"},
                 {-5, "-0:00:05"}};
    for (const auto& c : cases)
        EXPECT_EQ(THistoryAlarmTable::DurationText(c.seconds), QLatin1String(c.text)) << c.seconds;
}
