#include "KivDataRecordChart.h"

#include "KivDataRecordDecoder.h"

#include <QDateTime>
#include <algorithm>

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

double TKivTickAxis::Value(qint64 tick)
{
    // Floor division, so stamps before 1970 fall in their own hour too.
    const qint64 hour = tick >= 0 ? tick / 3600 : -((-tick + 3599) / 3600);
    if (hour != m_hour) {
        m_hour = hour;
        m_shift = TickAxisValue(hour * 3600) - double(hour * 3600) * 1000;
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
    QList<qsizetype> inRange;
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (points[i].x() >= from && points[i].x() <= to)
            inRange.append(i);
    }
    QList<QPointF> kept;
    if (inRange.isEmpty())
        return kept;
    const qsizetype first = inRange.first();
    const qsizetype last = inRange.last();
    if (first > 0)
        kept.append(points[first - 1]);
    buckets = std::max(buckets, 1);
    if (inRange.size() <= 4 * qsizetype(buckets)) {
        for (qsizetype i : inRange)
            kept.append(points[i]);
    } else {
        const qsizetype run = (inRange.size() + buckets - 1) / buckets;
        for (qsizetype start = 0; start < inRange.size(); start += run) {
            const qsizetype end = std::min(start + run, inRange.size());
            qsizetype low = inRange[start];
            qsizetype high = low;
            for (qsizetype k = start + 1; k < end; ++k) {
                const qsizetype i = inRange[k];
                if (points[i].y() < points[low].y())
                    low = i;
                if (points[i].y() > points[high].y())
                    high = i;
            }
            // The run's first and last points too, where they are the range's ends.
            QList<qsizetype> keep{std::min(low, high), std::max(low, high)};
            if (start == 0)
                keep.prepend(first);
            if (end == inRange.size())
                keep.append(last);
            qsizetype previous = -1;
            for (qsizetype i : keep) {
                if (i > previous)
                    kept.append(points[i]);
                previous = std::max(previous, i);
            }
        }
    }
    if (last + 1 < points.size())
        kept.append(points[last + 1]);
    return kept;
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
