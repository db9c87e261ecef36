// The data-record chart widget: lines taken only when shown, one per column with its title,
// drawn with at most two points per pixel of the range in view, and zoom in and back.
#include "DataRecordChart.h"
#include "lang/KivLanRes.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>
#include <QValueAxis>
#include <gtest/gtest.h>

namespace
{

TKivChartData Lines(int points)
{
    TKivChartData data;
    for (int c = 0; c < 2; ++c) {
        TKivChartSeries series;
        series.Title = QStringLiteral("Data%1").arg(c);
        series.Column = c;
        for (int i = 0; i < points; ++i)
            series.Points.append(QPointF(i, (i * (c + 3)) % 101));
        data.Series.append(series);
    }
    return data;
}

// A day of readings every ten minutes, on a time axis.
TKivChartData DayOfReadings()
{
    TKivChartData data = Lines(144);
    data.TimeAxis = true;
    const double start = double(QDateTime(QDate(2024, 3, 3), QTime(22, 10)).toMSecsSinceEpoch());
    for (TKivChartSeries& series : data.Series)
        for (QPointF& p : series.Points)
            p.setX(start + p.x() * 600000);
    return data;
}

// The axis labels the chart shows cut short ("...").
QStringList CutLabels(const TDataRecordChart& chart)
{
    QStringList cut;
    for (QGraphicsItem* item : chart.chvDataRecord->scene()->items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item);
            text && text->isVisible() && text->toPlainText().contains(QStringLiteral("...")))
            cut << text->toPlainText();
    return cut;
}

QLineSeries* Line(const TDataRecordChart& chart, int i)
{
    return static_cast<QLineSeries*>(chart.Chart()->series()[i]);
}

} // namespace

TEST(DataRecordChartWidget, ShowsEveryColumnReducedToTheRangeInView)
{
    TDataRecordChart chart;
    chart.resize(800, 500);
    int taken = 0;
    chart.SetSource([&] {
        ++taken;
        return Lines(65535);
    });
    EXPECT_EQ(taken, 0) << "a hidden chart decodes nothing";
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    EXPECT_EQ(taken, 1);
    ASSERT_EQ(chart.Chart()->series().size(), 2);
    EXPECT_EQ(Line(chart, 1)->name(), u"Data1");
    EXPECT_FALSE(chart.lblNoValues->isVisible());
    const int drawn = int(Line(chart, 0)->count());
    EXPECT_GT(drawn, 100);
    EXPECT_LT(drawn, 5000);

    // Zoomed far in, every point in view is drawn, and only those (and one either side).
    auto* x = static_cast<QValueAxis*>(chart.Chart()->axes(Qt::Horizontal).first());
    x->setRange(1000, 1100);
    EXPECT_EQ(Line(chart, 0)->count(), 103);
    EXPECT_EQ(Line(chart, 0)->at(1), QPointF(1000, (1000 * 3) % 101));
    chart.Chart()->zoom(2);
    chart.btnResetZoom->click();
    EXPECT_EQ(x->min(), 0);
    EXPECT_EQ(x->max(), 65534);
    EXPECT_LT(Line(chart, 0)->count(), 5000);
    EXPECT_EQ(Line(chart, 0)->at(0).x(), 0);
    EXPECT_EQ(Line(chart, 0)->points().last().x(), 65534);
}

TEST(DataRecordChartWidget, SaysWhenThereIsNothingToPlot)
{
    TDataRecordChart chart;
    chart.SetSource([] { return TKivChartData(); });
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    EXPECT_TRUE(chart.lblNoValues->isVisible());
    EXPECT_FALSE(chart.chvDataRecord->isVisible());
}

TEST(DataRecordChartWidget, TimeLabelsShowWholeAtEveryWidthAndZoom)
{
    TDataRecordChart chart;
    chart.SetSource(DayOfReadings);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    auto* x = static_cast<QDateTimeAxis*>(chart.Chart()->axes(Qt::Horizontal).first());
    for (const QSize size : {QSize(900, 400), QSize(520, 260), QSize(300, 220)}) {
        chart.resize(size);
        QCoreApplication::processEvents();
        SCOPED_TRACE(qPrintable(x->format()));
        EXPECT_TRUE(CutLabels(chart).isEmpty()) << qPrintable(CutLabels(chart).join(u" | "));
        EXPECT_GE(x->tickCount(), 2);
    }
    chart.resize(900, 400);
    QCoreApplication::processEvents();
    const int wideTicks = x->tickCount();
    EXPECT_GT(wideTicks, 2);
    EXPECT_TRUE(x->format().contains(u'd')) << "the day spans midnight";

    // Zoomed in to minutes, the labels are times of the one day shown, to the second.
    x->setRange(QDateTime(QDate(2024, 3, 4), QTime(6, 0)),
                QDateTime(QDate(2024, 3, 4), QTime(6, 4)));
    QCoreApplication::processEvents();
    EXPECT_EQ(x->format(), u"hh:mm:ss");
    EXPECT_TRUE(CutLabels(chart).isEmpty()) << qPrintable(CutLabels(chart).join(u" | "));
    chart.btnResetZoom->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(x->tickCount(), wideTicks);
}
