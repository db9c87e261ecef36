#include "KivDataRecordChart.h"

#include "KivDataRecordDecoder.h"

#include <QDateTime>
#include <algorithm>
#include <utility>
#include <vector>

TKivChartData DataRecordChartData(const TKivDataRecordTable& table)
{
    TKivTickAxis axis;
    TKivChartData data;
    QList<qsizetype> valueColumns;
    for (qsizetype c = 0; c < table.ColumnCount(); ++c) {
        if (table.IsTickColumn(c))
            data.TimeAxis = true;
        else
            valueColumns.append(c);
    }
    QList<TKivChartSeries> series(valueColumns.size());
    for (qsizetype i = 0; i < valueColumns.size(); ++i) {
        series[i].Column = int(valueColumns[i]);
        series[i].Title = table.Heading.value(valueColumns[i] + 1);
    }

    const qint64 rows = table.RowCount();
    for (TKivChartSeries& s : series)
        s.Points.reserve(rows);
    for (qint64 row = 0; row < rows; ++row) {
        double x = double(row);
        if (data.TimeAxis) {
            const auto tick = table.ShownTick(row);
            if (!tick)
                continue;
            x = axis.Value(*tick);
        }
        for (TKivChartSeries& s : series) {
            if (const auto y = table.CellNumber(row, s.Column))
                s.Points.append(QPointF(x, *y));
        }
    }
    for (TKivChartSeries& s : series) {
        if (!s.Points.isEmpty())
            data.Series.append(std::move(s));
    }
    return data;
}

namespace
{
qint64 FloorDivide(qint64 value, qint64 by)
{
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}
} // namespace

double TKivTickAxis::Shift(qint64 tick)
{
    return TickAxisValue(tick) - double(tick) * 1000;
}

double TKivTickAxis::Value(qint64 tick)
{
    constexpr qint64 Hour = 3600;
    constexpr qint64 Day = 24 * Hour;
    const qint64 day = FloorDivide(tick, Day);
    if (day != m_day) {
        m_day = day;
        m_shift = Shift(day * Day);
        m_steadyDay = Shift(day * Day + Day - Hour) == m_shift;
        m_hour = day * 24; // the day's first hour, whose shift is known
    }
    if (!m_steadyDay) {
        const qint64 hour = FloorDivide(tick, Hour);
        if (hour != m_hour) {
            m_hour = hour;
            m_shift = Shift(hour * Hour);
        }
    }
    return double(tick) * 1000 + m_shift;
}

double TickAxisValue(qint64 tick)
{
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(tick, Qt::UTC);
    QDateTime local(utc.date(), utc.time(), Qt::LocalTime);
    // A time that the local clock skips (the hour a daylight-saving change leaves out) is not a
    // valid local time; the UTC reading is near enough for one point.
    return double(local.isValid() ? local.toMSecsSinceEpoch() : utc.toMSecsSinceEpoch());
}

QList<QPointF> DecimateForPlot(const QList<QPointF>& points, double from, double to, int buckets)
{
    qsizetype first = -1;
    qsizetype last = -1;
    qsizetype inRange = 0;
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (points[i].x() >= from && points[i].x() <= to) {
            first = first < 0 ? i : first;
            last = i;
            ++inRange;
        }
    }
    QList<QPointF> kept;
    if (inRange == 0)
        return kept;
    TKivPlotThinner thinner(inRange, buckets);
    for (qsizetype i = first; i <= last; ++i)
        if (points[i].x() >= from && points[i].x() <= to)
            thinner.Add(points[i]);
    if (first > 0)
        kept.append(points[first - 1]);
    kept.append(thinner.Take());
    if (last + 1 < points.size())
        kept.append(points[last + 1]);
    return kept;
}

TKivPlotThinner::TKivPlotThinner(qsizetype count, int buckets) : m_count(count)
{
    buckets = std::max(buckets, 1);
    m_run = count <= 4 * qsizetype(buckets) ? 0 : (count + buckets - 1) / buckets;
}

void TKivPlotThinner::Add(const QPointF& point)
{
    const qsizetype index = m_seen++;
    if (m_run == 0) {
        m_kept.append(point);
        return;
    }
    const Kept here{index, point};
    if (index == m_runStart) {
        m_low = m_high = here;
        if (index == 0)
            m_first = here;
    } else {
        if (point.y() < m_low.Point.y())
            m_low = here;
        if (point.y() > m_high.Point.y())
            m_high = here;
    }
    m_last = here;
    if (m_seen - m_runStart == m_run || m_seen == m_count)
        EndRun(m_seen == m_count);
}

void TKivPlotThinner::EndRun(bool last)
{
    // Each run keeps its lowest and highest point, in their order; the first run the range's
    // first point and the last run its last.
    const bool lowFirst = m_low.Index <= m_high.Index;
    std::vector<Kept> keep{lowFirst ? m_low : m_high, lowFirst ? m_high : m_low};
    if (m_runStart == 0)
        keep.insert(keep.begin(), m_first);
    if (last)
        keep.push_back(m_last);
    for (const Kept& k : keep) {
        if (k.Index > m_emitted)
            m_kept.append(k.Point);
        m_emitted = std::max(m_emitted, k.Index);
    }
    m_runStart = m_seen;
}

QList<QPointF> TKivPlotThinner::Take()
{
    if (m_run != 0 && m_seen > m_runStart)
        EndRun(true);
    else if (m_run != 0 && m_last.Index > m_emitted)
        m_kept.append(m_last.Point); // the last run ended with the points before the last
    m_seen = m_runStart = 0;
    m_last = Kept();
    m_emitted = -1;
    return std::exchange(m_kept, QList<QPointF>());
}

namespace
{

constexpr qint64 MsPerSecond = 1000;
constexpr qint64 MsPerMinute = 60 * MsPerSecond;
constexpr qint64 MsPerDay = 24 * 60 * MsPerMinute;
constexpr int TimeAxisLabelGap = 16;

// The coarsest format that still tells ticks `step` milliseconds apart from each other.
QString TimeAxisFormat(const QDateTime& from, const QDateTime& to, double step)
{
    if (step >= MsPerDay)
        return QStringLiteral("yyyy-MM-dd");
    QString time = step >= MsPerMinute   ? QStringLiteral("hh:mm")
                   : step >= MsPerSecond ? QStringLiteral("hh:mm:ss")
                                         : QStringLiteral("hh:mm:ss.zzz");
    if (from.date() == to.date())
        return time;
    const QString day = from.date().year() == to.date().year() ? QStringLiteral("MM-dd ")
                                                               : QStringLiteral("yyyy-MM-dd ");
    return day + time;
}

} // namespace

TKivTimeAxisLabels TimeAxisLabels(double from, double to, int plotWidth,
                                  const std::function<int(const QString&)>& labelWidth)
{
    const QDateTime first = QDateTime::fromMSecsSinceEpoch(qint64(from));
    const QDateTime last = QDateTime::fromMSecsSinceEpoch(qint64(to));
    const double span = std::max(1.0, to - from);
    TKivTimeAxisLabels labels;
    for (int ticks = MaxTimeAxisTicks; ticks >= 2; --ticks) {
        labels = {TimeAxisFormat(first, last, span / (ticks - 1)), ticks};
        const int widest = std::max(labelWidth(first.toString(labels.Format)),
                                    labelWidth(last.toString(labels.Format)));
        if (plotWidth / (ticks - 1) >= widest + TimeAxisLabelGap)
            break;
    }
    return labels;
}
