#include "HistoryChart.h"

#include "HistoryStore.h"
#include "model/KivDefinitions.h"
#include "reports/KivUtil.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <limits>

namespace
{

constexpr qint64 SecondsPerDay = 24 * 60 * 60;

// The record's value columns as defined now: their positions and every column's title.
struct TCurrentColumns {
    QStringList Titles;
    QList<int> Values;
};

TCurrentColumns CurrentColumns(const TKivDataRecord& record)
{
    TCurrentColumns columns;
    for (const TKivDataRecordItem* item : *record.DataRecordItems) {
        if (item->Format != DataFormat::Tick)
            columns.Values.append(int(columns.Titles.size()));
        columns.Titles.append(item->Title);
    }
    return columns;
}

void ThrowQueryError(const THistoryStore& store, const QSqlQuery& query)
{
    throw THistoryError(store.Dialect().Classify(query.lastError()),
                        query.lastError().text().trimmed());
}

// Points of one line, oldest first, reduced for a chart of `buckets` pixels.
QList<QPointF> Thinned(QList<QPointF>& points, int buckets)
{
    if (!std::is_sorted(points.begin(), points.end(),
                        [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }))
        std::stable_sort(points.begin(), points.end(),
                         [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    return DecimateForPlot(points, std::numeric_limits<double>::lowest(),
                           std::numeric_limits<double>::max(), buckets);
}

// Value column `column` of the record as defined now, from every timed version, in span.
QList<QPointF> TimedLine(const THistoryStore& store,
                         const std::vector<const THistoryTableInfo*>& versions,
                         const TCurrentColumns& current, int column, const THistorySpan& span)
{
    QList<QPointF> line;
    TKivTickAxis axis;
    for (const THistoryTableInfo* version : versions) {
        const auto stored = MatchingStoredColumn(*version, current.Titles, column);
        if (!stored)
            continue;
        const std::vector<THistoryPoint> points =
            HistoryColumnSeries(store, version->Id, *stored, span.From, span.To);
        line.reserve(line.size() + qsizetype(points.size()));
        for (const THistoryPoint& p : points)
            line.append(QPointF(axis.Value(p.Time), p.Value));
    }
    return line;
}

// The untimed versions' entries in stored order, numbered from 0.
QList<QList<QPointF>> OrderedPoints(const THistoryStore& store,
                                    const std::vector<const THistoryTableInfo*>& versions,
                                    const TCurrentColumns& current)
{
    QList<QList<QPointF>> lines(current.Values.size());
    THistoryFilter filter;
    for (const THistoryTableInfo* version : versions)
        filter.TableIds.push_back(version->Id);
    THistoryEntryCursor cursor(store, filter);
    THistoryEntryRow row;
    qint64 entry = 0;
    while (cursor.Next(row)) {
        for (qsizetype i = 0; i < current.Values.size(); ++i) {
            const auto column = MatchingStoredColumn(*row.Table, current.Titles, current.Values[i]);
            if (const auto value = column ? row.Number(*column) : std::nullopt)
                lines[i].append(QPointF(double(entry), *value));
        }
        ++entry;
    }
    return lines;
}

} // namespace

THistorySpan HistoryRangeSpan(THistoryRange range, qint64 newest)
{
    // Panel times carry no zone: counted back as UTC readings, a day is always 24 hours.
    const QDateTime last = QDateTime::fromSecsSinceEpoch(newest, Qt::UTC);
    THistorySpan span{std::numeric_limits<qint64>::min(), newest + 1};
    switch (range) {
    case THistoryRange::LastDay:
        span.From = newest - SecondsPerDay;
        break;
    case THistoryRange::LastWeek:
        span.From = newest - 7 * SecondsPerDay;
        break;
    case THistoryRange::LastMonth:
        span.From = last.addMonths(-1).toSecsSinceEpoch();
        break;
    case THistoryRange::Ring:
    case THistoryRange::All:
        span.To = std::numeric_limits<qint64>::max();
        break;
    }
    return span;
}

std::optional<int> MatchingStoredColumn(const THistoryTableInfo& version, const QStringList& titles,
                                        int column)
{
    const int count = version.Columns.Count();
    int found = int(version.Titles.indexOf(titles.value(column)));
    if ((found < 0 || found >= count) && count == titles.size())
        found = column;
    if (found < 0 || found >= count || version.Columns.IsTickColumn(found))
        return std::nullopt;
    return found;
}

std::optional<qint64> NewestPanelTime(const THistoryStore& store, const std::vector<qint64>& tableIds)
{
    QSqlQuery query(store.Database());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT MAX(panel_time) FROM log_entry WHERE table_id = ?")))
        ThrowQueryError(store, query);
    std::optional<qint64> newest;
    for (qint64 id : tableIds) {
        query.bindValue(0, id);
        if (!query.exec())
            ThrowQueryError(store, query);
        if (query.next() && !query.value(0).isNull())
            newest = std::max(newest.value_or(std::numeric_limits<qint64>::min()),
                              query.value(0).toLongLong());
    }
    return newest;
}

TKivChartData HistoryChartData(const THistoryStore& store, const QString& stationKey,
                               const TKivDataRecord& record, THistoryRange range, int buckets)
{
    TKivChartData data;
    data.TimeAxis = record.Tick != 0;
    if (stationKey.isEmpty())
        return data;
    THistoryFilter filter;
    filter.StationKeys = {stationKey};
    filter.TableNames = {record.Name};
    const auto tables = HistoryTables(store, filter, THistoryKind::DataRecord);
    std::vector<const THistoryTableInfo*> versions;
    std::vector<qint64> ids;
    for (const auto& table : tables)
        if (table->Name == record.Name && table->Timed == data.TimeAxis) {
            versions.push_back(table.get());
            ids.push_back(table->Id);
        }
    if (versions.empty())
        return data;

    const TCurrentColumns current = CurrentColumns(record);
    QList<QList<QPointF>> lines;
    if (data.TimeAxis) {
        const auto newest = NewestPanelTime(store, ids);
        if (!newest)
            return data;
        // One column at a time, thinned before the next is read: memory stays that of one
        // column's entries.
        const THistorySpan span = HistoryRangeSpan(range, *newest);
        for (int column : current.Values) {
            QList<QPointF> line = TimedLine(store, versions, current, column, span);
            lines.append(Thinned(line, buckets));
        }
    } else {
        lines = OrderedPoints(store, versions, current);
        for (QList<QPointF>& line : lines)
            line = Thinned(line, buckets);
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        TKivChartSeries series;
        series.Column = current.Values[i];
        series.Title = current.Titles[current.Values[i]];
        series.Points = std::move(lines[i]);
        data.Series.append(std::move(series));
    }
    return data;
}
