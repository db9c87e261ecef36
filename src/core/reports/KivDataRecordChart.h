#pragma once

// A data-record log as lines to plot: one line per value column against the entries' time
// stamps, with the very numbers the grid and the report show.

#include <QList>
#include <QPointF>
#include <QString>
#include <functional>
#include <limits>

class TKivDataRecordTable;

struct TKivChartSeries {
    QString Title;         // the column's title, for the legend
    int Column = 0;        // the column of the log (0 = the first column after the row number)
    QList<QPointF> Points; // in entry order, oldest first
};

struct TKivChartData {
    // True when the log has a time-stamp column: x is then TickAxisValue of the entry's time
    // stamp, else the entry number.
    bool TimeAxis = false;
    QList<TKivChartSeries> Series; // value columns that have at least one number
    // Why there is nothing to plot, when the reason is another than a log without value columns
    // (no history stored, a store that cannot be read).
    QString Empty;
};

// Every entry of the log: a point per cell that holds a number. Entries whose time stamp
// cannot be read give no points on a time axis.
TKivChartData DataRecordChartData(const TKivDataRecordTable& table);

// A device time stamp (seconds since 1970, offset applied) as milliseconds since 1970 of the
// local date and time that reads the same as the stamp, the way a date-time chart axis labels
// them: a stamp showing 16:53:20 is labelled 16:53:20 whatever the computer's time zone.
double TickAxisValue(qint64 tick);

// TickAxisValue for many stamps in a row: the local clock's offset is looked up twice per day
// of stamps, and once per hour on a day whose clock changes (clocks change at whole hours, at
// most once a day), not once per stamp.
class TKivTickAxis
{
public:
    double Value(qint64 tick);

private:
    static double Shift(qint64 tick);

    qint64 m_day = std::numeric_limits<qint64>::min();
    bool m_steadyDay = false;
    qint64 m_hour = std::numeric_limits<qint64>::min();
    double m_shift = 0;
};

// The points with x in [from, to], plus one on either side so the line runs to the edges,
// reduced for drawing: beyond 4 x buckets points, each of `buckets` runs of consecutive points
// keeps only its lowest and highest point, in their order, and the first and last points in
// the range stay. The line then looks the same at any zoom while drawing a few thousand points
// instead of a million.
QList<QPointF> DecimateForPlot(const QList<QPointF>& points, double from, double to, int buckets);

// DecimateForPlot's reduction of the points of a range, given one at a time in order, for a
// line read from somewhere too large to hold whole: count is their number, known beforehand;
// when fewer come, the last run ends early. Memory stays that of the points kept.
class TKivPlotThinner
{
public:
    TKivPlotThinner(qsizetype count, int buckets);
    void Add(const QPointF& point);
    // The points kept; the thinner starts again empty.
    QList<QPointF> Take();

private:
    struct Kept {
        qsizetype Index = -1;
        QPointF Point;
    };
    void EndRun(bool last);

    qsizetype m_count;
    qsizetype m_run; // points per run; 0 keeps every point
    qsizetype m_seen = 0;
    qsizetype m_runStart = 0;
    Kept m_first, m_low, m_high, m_last;
    qsizetype m_emitted = -1; // index of the last point kept
    QList<QPointF> m_kept;
};

// How a time axis labels its ticks: a QDateTime format and the number of ticks, spread evenly.
struct TKivTimeAxisLabels {
    QString Format;
    int TickCount = 2;
};

// The most ticks (2 to MaxTimeAxisTicks) whose labels fit side by side in plotWidth pixels,
// a gap between them, with a format no finer than their spacing needs: dates only when ticks
// are a day or more apart, times of day within one day, month, day and time across days,
// seconds and milliseconds when zoomed that far. from and to are axis values (milliseconds
// of local time); labelWidth measures a label as the axis draws it.
constexpr int MaxTimeAxisTicks = 9;
TKivTimeAxisLabels TimeAxisLabels(double from, double to, int plotWidth,
                                  const std::function<int(const QString&)>& labelWidth);
