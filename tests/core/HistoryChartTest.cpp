// The chart of a log's stored history: the span of each range counted back from the newest
// stored entry, stored columns matched to the log as defined now, every stored version of the
// log on one line, and a long history thinned for the chart's width.
#include "history/HistoryChart.h"
#include "HistorySnapshotTestSupport.h"
#include "history/HistoryReader.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <algorithm>
#include <limits>
#include <memory>

namespace
{

constexpr qint64 Day = 86400;
// 2024-03-31 12:00:00 on the panel's clock.
const qint64 Newest = QDateTime(QDate(2024, 3, 31), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();

class HistoryChartTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        station.StationKey = QStringLiteral("station-1");
        store = std::make_unique<THistoryStore>(dir.filePath(QStringLiteral("p.history.sqlite")));
    }
    void read(const TKivDataRecord& record, const std::vector<TestLogEntry>& entries)
    {
        THistorySnapshot snapshot;
        snapshot.Logs.push_back(TestLogRing(record, entries));
        AddTestRead(*store, station, snapshot);
    }
    TKivChartData chart(const TKivDataRecord& record, THistoryRange range, int buckets = 1000)
    {
        return HistoryChartData(*store, station.StationKey, record, range, buckets);
    }
    // The panel times of a line's points, back from the chart's axis values.
    static std::vector<qint64> times(const TKivChartSeries& series)
    {
        std::vector<qint64> result;
        for (const QPointF& p : series.Points)
            result.push_back(qint64(p.x()));
        return result;
    }

    QTemporaryDir dir;
    TKivStation station{nullptr};
    std::unique_ptr<THistoryStore> store;
};

} // namespace

TEST(HistoryRangeSpan, CountsBackFromTheNewestStoredEntry)
{
    const struct {
        THistoryRange range;
        qint64 from;
    } cases[] = {
        {THistoryRange::LastDay, Newest - Day},
        {THistoryRange::LastWeek, Newest - 7 * Day},
        // A calendar month: from the last day of March to the last day of February (leap year).
        {THistoryRange::LastMonth,
         QDateTime(QDate(2024, 2, 29), QTime(12, 0), Qt::UTC).toSecsSinceEpoch()},
    };
    for (const auto& c : cases) {
        const THistorySpan span = HistoryRangeSpan(c.range, Newest);
        EXPECT_EQ(span.From, c.from) << int(c.range);
        EXPECT_EQ(span.To, Newest + 1) << "the newest entry is inside";
    }
    const THistorySpan all = HistoryRangeSpan(THistoryRange::All, Newest);
    EXPECT_LT(all.From, 0);
    EXPECT_EQ(all.To, std::numeric_limits<qint64>::max());
}

TEST_F(HistoryChartTest, StoredColumnsMatchTheLogAsDefinedNowByTitleElsePlace)
{
    TKivDataRecord* record = AddTestLog(station);
    const QStringList now{QStringLiteral("Time"), QStringLiteral("Temperature"),
                          QStringLiteral("Level")};
    THistoryTableInfo version;
    const auto storedAs = [&](const QStringList& titles) {
        for (int c = 0; c < titles.size(); ++c)
            record->DataRecordItems->Items(c)->Title = titles[c];
        version.Titles = titles;
        version.Columns = THistoryColumns::FromRecord(*record);
    };
    storedAs(now);
    EXPECT_EQ(MatchingStoredColumn(version, now, 1), 1);
    EXPECT_EQ(MatchingStoredColumn(version, now, 0), std::nullopt) << "the time stamp";
    storedAs({QStringLiteral("Time"), QStringLiteral("Level"), QStringLiteral("Temperature")});
    EXPECT_EQ(MatchingStoredColumn(version, now, 1), 2) << "moved: found by its title";
    storedAs({QStringLiteral("Time"), QStringLiteral("Temp (C)"), QStringLiteral("Level")});
    EXPECT_EQ(MatchingStoredColumn(version, now, 1), 1) << "renamed: the same place";

    // A version of another shape holds only the columns of the same title.
    auto* extra = new TKivDataRecordItem(record->DataRecordItems.get());
    extra->Title = QStringLiteral("Pressure");
    extra->Format = DataFormat::Unsigned16;
    storedAs({QStringLiteral("Time"), QStringLiteral("Temp (C)"), QStringLiteral("Level"),
              QStringLiteral("Pressure")});
    EXPECT_EQ(MatchingStoredColumn(version, now, 1), std::nullopt);
    EXPECT_EQ(MatchingStoredColumn(version, now, 2), 2);
}

TEST_F(HistoryChartTest, RangesDrawTheStoredEntriesOfEveryRead)
{
    TKivDataRecord* record = AddTestLog(station);
    // Three reads of a ring of three entries, a day apart per entry: the rings overlap.
    read(*record, {{Newest - 5 * Day, 10, 1}, {Newest - 4 * Day, 11, 2}, {Newest - 3 * Day, 12, 3}});
    read(*record, {{Newest - 3 * Day, 12, 3}, {Newest - 2 * Day, -13, 4}, {Newest - Day, 14, 5}});
    read(*record, {{Newest - Day, 14, 5}, {Newest - Day / 2, 15, 6}, {Newest, 16, 7}});

    const TKivChartData all = chart(*record, THistoryRange::All);
    EXPECT_TRUE(all.TimeAxis);
    ASSERT_EQ(all.Series.size(), 2);
    EXPECT_EQ(all.Series[0].Title, u"Temperature");
    EXPECT_EQ(all.Series[0].Column, 1);
    EXPECT_EQ(all.Series[1].Title, u"Level");
    QList<double> temperatures;
    for (const QPointF& p : all.Series[0].Points)
        temperatures << p.y();
    EXPECT_EQ(temperatures, (QList<double>{10, 11, 12, -13, 14, 15, 16}));
    TKivTickAxis axis;
    EXPECT_EQ(all.Series[1].Points.first().x(), axis.Value(Newest - 5 * Day));
    EXPECT_EQ(all.Series[1].Points.last(), QPointF(axis.Value(Newest), 7));

    const struct {
        THistoryRange range;
        qsizetype points;
    } cases[] = {{THistoryRange::LastDay, 3}, {THistoryRange::LastWeek, 7},
                 {THistoryRange::LastMonth, 7}};
    for (const auto& c : cases)
        EXPECT_EQ(chart(*record, c.range).Series[0].Points.size(), c.points) << int(c.range);

    // Nothing stored of the station, or of the log, gives no lines.
    EXPECT_TRUE(HistoryChartData(*store, QStringLiteral("other"), *record, THistoryRange::All, 100)
                    .Series.isEmpty());
    EXPECT_TRUE(HistoryChartData(*store, QString(), *record, THistoryRange::All, 100)
                    .Series.isEmpty());
    record->Name = QStringLiteral("Never stored");
    EXPECT_TRUE(chart(*record, THistoryRange::All).Series.isEmpty());
}

TEST_F(HistoryChartTest, ARedefinedLogKeepsOneLineAcrossItsVersions)
{
    TKivDataRecord* record = AddTestLog(station);
    read(*record, {{Newest - 2 * Day, 20, 1}});
    record->DataRecordItems->Items(1)->Title = QStringLiteral("Temp (C)"); // a new version
    read(*record, {{Newest - 2 * Day, 20, 1}, {Newest - Day, 21, 2}});
    read(*record, {{Newest - Day, 21, 2}, {Newest, 22, 3}});

    const TKivChartData data = chart(*record, THistoryRange::All);
    ASSERT_EQ(data.Series.size(), 2);
    EXPECT_EQ(data.Series[0].Title, u"Temp (C)");
    std::vector<double> values;
    for (const QPointF& p : data.Series[0].Points)
        values.push_back(p.y());
    // The new version stores the ring it first sees again: the entry of both versions shows
    // twice, at the same time.
    EXPECT_EQ(values.front(), 20);
    EXPECT_EQ(values.back(), 22);
    EXPECT_TRUE(std::is_sorted(data.Series[0].Points.begin(), data.Series[0].Points.end(),
                               [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
}

TEST_F(HistoryChartTest, AClockSetBackStillDrawsInTimeOrder)
{
    TKivDataRecord* record = AddTestLog(station);
    read(*record, {{Newest - 2 * Day, 1, 1}, {Newest, 2, 2}});
    // The panel's clock was set back a day: the next entries are stored after, but older.
    read(*record, {{Newest - 2 * Day, 1, 1}, {Newest, 2, 2}, {Newest - Day, 3, 3}});
    for (THistoryRange range : {THistoryRange::All, THistoryRange::LastWeek}) {
        const TKivChartData data = chart(*record, range);
        ASSERT_EQ(data.Series.size(), 2);
        QList<double> values;
        for (const QPointF& p : data.Series[1].Points)
            values << p.y();
        EXPECT_EQ(values, (QList<double>{1, 3, 2})) << int(range);
    }
}

TEST_F(HistoryChartTest, ALongHistoryIsThinnedForTheChartWidth)
{
    TKivDataRecord* record = AddTestLog(station);
    std::vector<TestLogEntry> entries;
    for (int i = 0; i < 20000; ++i)
        entries.push_back({Newest - 20000 * 60 + i * 60, qint16(i % 1000), quint16(i)});
    entries[12345].Temperature = 5000; // one spike
    read(*record, entries);

    const TKivChartData data = chart(*record, THistoryRange::All, 100);
    ASSERT_EQ(data.Series.size(), 2);
    const QList<QPointF>& line = data.Series[0].Points;
    EXPECT_LE(line.size(), 2 * 100 + 4);
    EXPECT_GT(line.size(), 100);
    TKivTickAxis axis;
    EXPECT_EQ(line.first().x(), axis.Value(entries.front().Time)) << "the first entry stays";
    EXPECT_EQ(line.last().x(), axis.Value(entries.back().Time)) << "and the last";
    const auto highest = std::max_element(line.begin(), line.end(), [](QPointF a, QPointF b) {
        return a.y() < b.y();
    });
    EXPECT_EQ(highest->y(), 5000) << "a spike between two pixels is not lost";
}

TEST_F(HistoryChartTest, ALogWithoutTimeStampsShowsAllItsEntriesInStoredOrder)
{
    TKivDataRecord* record = AddTestLog(station, false);
    read(*record, {{0, 1, 10}, {0, 2, 20}});
    read(*record, {{0, 2, 20}, {0, 3, 30}});
    for (THistoryRange range : {THistoryRange::LastDay, THistoryRange::All}) {
        const TKivChartData data = chart(*record, range);
        EXPECT_FALSE(data.TimeAxis);
        ASSERT_EQ(data.Series.size(), 2);
        EXPECT_EQ(data.Series[1].Points,
                  (QList<QPointF>{QPointF(0, 10), QPointF(1, 20), QPointF(2, 30)}));
    }
}

TEST(HistoryReader, OpensAStoreOnlyWhereThereIsOne)
{
    QTemporaryDir dir;
    THistoryReader reader;
    EXPECT_EQ(reader.Store(QString()), nullptr);
    const QString path = dir.filePath(QStringLiteral("p.history.sqlite"));
    EXPECT_EQ(reader.Store(path), nullptr);
    EXPECT_FALSE(QFile::exists(path)) << "looking makes no store";
    { THistoryStore made(path); }
    const THistoryStore* store = reader.Store(path);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(reader.Store(path), store) << "kept open";

    const QString junk = dir.filePath(QStringLiteral("junk.sqlite"));
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    EXPECT_THROW(reader.Store(junk), THistoryError);
}
