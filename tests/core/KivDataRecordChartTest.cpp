// The data-record chart's lines: the numbers the grid shows, against the entries' time stamps,
// and the reduction that keeps a million points drawable without changing the line's shape.
#include "reports/KivDataRecordChart.h"
#include "DecoderTestSupport.h"
#include "reports/KivDataRecordDecoder.h"
#include "reports/KivUtil.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <ctime>
#include <gtest/gtest.h>

namespace
{

// A time zone east of UTC with daylight saving, for the life of a test.
class TimeZone
{
public:
    explicit TimeZone(const char* zone) : m_old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~TimeZone()
    {
        if (m_old.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", m_old);
        tzset();
    }

private:
    QByteArray m_old;
};

} // namespace

TEST(DataRecordChart, LinesHoldTheGridsNumbersAtTheEntriesTimes)
{
    DecoderLanguage language;
    TKivStation station(nullptr);
    ASSERT_TRUE(LoadDemoStation(station));
    // Widths and kinds the chart must read back as the grid shows them.
    TKivDataRecord* record = station.DataRecords->Items(0);
    ASSERT_GE(record->DataRecordItems->Count(), 3);
    record->DataRecordItems->Items(1)->FloatWidth = 1;
    record->DataRecordItems->Items(2)->Option = DisplayKind::Hexadecimal;

    int timeAxes = 0;
    for (const TKivDataRecord* r : *station.DataRecords) {
        SCOPED_TRACE(qPrintable(r->Name));
        const TKivDataRecordTable table(*r, station.RegisterImage, 0);
        const QList<QStringList> rows = TableRows(table);
        const TKivChartData chart = DataRecordChartData(table);
        timeAxes += chart.TimeAxis ? 1 : 0;
        EXPECT_EQ(chart.TimeAxis, r->Tick != 0);
        ASSERT_FALSE(chart.Series.isEmpty());
        for (const TKivChartSeries& series : chart.Series) {
            EXPECT_EQ(series.Title, r->DataRecordItems->Items(series.Column)->Title);
            const bool hex = (r->DataRecordItems->Items(series.Column)->Option & OptionKindMask) ==
                             DisplayKind::Hexadecimal;
            ASSERT_EQ(series.Points.size(), rows.size());
            for (int i = 0; i < rows.size(); ++i) {
                const QString cell = rows[i][series.Column + 1];
                const double shown = hex ? double(cell.toUInt(nullptr, 16)) : cell.toDouble();
                EXPECT_DOUBLE_EQ(series.Points[i].y(), shown) << i;
                const double x = chart.TimeAxis ? TickAxisValue(*table.ShownTick(i)) : double(i);
                EXPECT_EQ(series.Points[i].x(), x) << i;
            }
        }
    }
    EXPECT_GT(timeAxes, 0) << "the demo has logs with time stamps";
}

TEST(DataRecordChart, TimeAxisReadsLikeTheTimeStamps)
{
    for (const char* zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "JST-9"}) {
        TimeZone tz(zone);
        for (quint32 tick :
             {0u, 1400000000u, 1711846800u /* 2024-03-31 01:00, the night clocks go forward */}) {
            const QString axis = QDateTime::fromMSecsSinceEpoch(qint64(TickAxisValue(tick)))
                                     .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            const QString shown = FormatTick(tick, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            EXPECT_EQ(axis, shown) << zone << " " << tick;
        }
    }
}

TEST(DataRecordChart, ATickAxisOfManyStampsReadsAsEachStampAlone)
{
    // Stamps every ten minutes over the nights the clocks change, and a day far before 1970.
    TimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    TKivTickAxis axis;
    for (const qint64 first : {qint64(1711756800), qint64(1729900800), qint64(-86400 * 400)})
        for (qint64 tick = first; tick < first + 3 * 86400; tick += 600)
            ASSERT_EQ(axis.Value(tick), TickAxisValue(tick)) << tick;
}

// Fed fewer points than announced, the thinner ends its last run early and keeps the last.
TEST(DataRecordChart, ThinnerEndsEarlyWhenFewerPointsCome)
{
    TKivPlotThinner thinner(10000, 10);
    for (int i = 0; i < 5000; ++i)
        thinner.Add(QPointF(i, i % 7));
    const QList<QPointF> kept = thinner.Take();
    EXPECT_LE(kept.size(), 2 * 5 + 2);
    EXPECT_EQ(kept.first().x(), 0);
    EXPECT_EQ(kept.last().x(), 4999);
}

TEST(DataRecordChart, ReducedLineKeepsItsExtremesAndEdges)
{
    QList<QPointF> points;
    QRandomGenerator random(7);
    for (int i = 0; i < 1000000; ++i)
        points.append(QPointF(i, random.bounded(1000.0)));
    points[123456].setY(-5);
    points[654321].setY(2000);

    const QList<QPointF> all = DecimateForPlot(points, 0, 999999, 1000);
    EXPECT_LE(all.size(), 2002);
    EXPECT_EQ(all.first(), points.first());
    EXPECT_EQ(all.last(), points.last());
    EXPECT_TRUE(all.contains(points[123456]));
    EXPECT_TRUE(all.contains(points[654321]));
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(),
                               [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));

    // Zoomed in: the points in view, and one either side so the line reaches the edges.
    const QList<QPointF> zoomed = DecimateForPlot(points, 1000, 1100, 1000);
    ASSERT_EQ(zoomed.size(), 103);
    EXPECT_EQ(zoomed.first(), points[999]);
    EXPECT_EQ(zoomed.last(), points[1101]);

    EXPECT_TRUE(DecimateForPlot(points, -10, -1, 100).isEmpty());
    EXPECT_EQ(DecimateForPlot(points.mid(0, 3), 0, 2, 100), points.mid(0, 3));
}

// Time axis labels: as many ticks as fit, each label only as fine as the tick spacing needs.
TEST(DataRecordChart, TimeAxisLabelsFitTheRoomAndTheSpan)
{
    const auto sevenPerChar = [](const QString& text) { return int(7 * text.size()); };
    const auto at = [](const char* text) {
        return double(QDateTime::fromString(QLatin1String(text), Qt::ISODate).toMSecsSinceEpoch());
    };
    struct Case {
        const char *from, *to;
        int width;
        const char* format;
        int ticks;
    };
    const Case cases[] = {
        {"2024-03-03T22:10:00", "2024-03-04T06:00:00", 560, "MM-dd hh:mm", 7}, // across midnight
        {"2024-03-04T06:00:00", "2024-03-04T14:00:00", 560, "hh:mm", 9},       // within a day
        {"2024-03-01T00:00:00", "2024-03-09T00:00:00", 560, "yyyy-MM-dd", 7},  // days apart
        {"2024-03-03T22:10:00", "2024-03-04T06:00:00", 150, "MM-dd hh:mm", 2}, // narrow
        {"2024-03-04T06:00:00", "2024-03-04T06:03:00", 560, "hh:mm:ss", 8},    // zoomed in
        {"2024-03-04T06:00:00", "2024-03-04T06:00:02", 560, "hh:mm:ss.zzz", 6},
        {"2023-12-31T12:00:00", "2024-01-01T12:00:00", 560, "yyyy-MM-dd hh:mm", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " " + c.to + " " + std::to_string(c.width));
        const TKivTimeAxisLabels labels =
            TimeAxisLabels(at(c.from), at(c.to), c.width, sevenPerChar);
        EXPECT_EQ(labels.Format, QLatin1String(c.format));
        EXPECT_EQ(labels.TickCount, c.ticks);
    }
}
