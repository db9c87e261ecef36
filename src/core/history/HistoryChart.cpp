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

// How many timed entries the versions hold in span, counted on log_entry's index
// (table_id, panel_time) without reading them.
qint64 TimedEntryCount(const THistoryStore& store,
                       const std::vector<const THistoryTableInfo*>& versions,
                       const THistorySpan& span)
{
    QSqlQuery query(store.Database());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT COUNT(*) FROM log_entry WHERE table_id = ? "
                                      "AND panel_time >= ? AND panel_time < ?")))
        ThrowQueryError(store, query);
    qint64 count = 0;
    for (const THistoryTableInfo* version : versions) {
        query.bindValue(0, version->Id);
        query.bindValue(1, span.From);
        query.bindValue(2, span.To);
        if (!query.exec())
            ThrowQueryError(store, query);
        if (query.next())
            count += query.value(0).toLongLong();
    }
    return count;
}

// Gives add (axis value, line, value) every number of the current value columns in the
// versions' entries in span, one pass over each version: the whole history along the primary
// key (table_id, seq), which needs no look-up per entry; a part of it in time order on the
// index (table_id, panel_time). Stops, returning false, when add does.
template <class Add>
bool ReadTimedEntries(const THistoryStore& store,
                      const std::vector<const THistoryTableInfo*>& versions,
                      const TCurrentColumns& current, const THistorySpan& span, bool whole,
                      Add add)
{
    TKivTickAxis axis;
    for (const THistoryTableInfo* version : versions) {
        std::vector<std::pair<qsizetype, int>> columns; // line, stored column
        for (qsizetype i = 0; i < current.Values.size(); ++i)
            if (const auto stored = MatchingStoredColumn(*version, current.Titles, current.Values[i]))
                columns.emplace_back(i, *stored);
        if (columns.empty())
            continue;
        QSqlQuery query(store.Database());
        query.setForwardOnly(true);
        const QString sql =
            whole ? QStringLiteral("SELECT panel_time, raw FROM log_entry WHERE table_id = ? "
                                   "AND panel_time IS NOT NULL ORDER BY seq")
                  : QStringLiteral("SELECT panel_time, raw FROM log_entry WHERE table_id = ? "
                                   "AND panel_time >= ? AND panel_time < ? "
                                   "ORDER BY panel_time, seq");
        if (!query.prepare(sql))
            ThrowQueryError(store, query);
        query.addBindValue(version->Id);
        if (!whole) {
            query.addBindValue(span.From);
            query.addBindValue(span.To);
        }
        if (!query.exec())
            ThrowQueryError(store, query);
        while (query.next()) {
            const double x = axis.Value(query.value(0).toLongLong());
            const QByteArray raw = query.value(1).toByteArray();
            for (const auto& [line, stored] : columns)
                if (const auto value = version->Columns.Number(raw, stored);
                    value && !add(x, line, *value))
                    return false;
        }
        if (query.lastError().isValid())
            ThrowQueryError(store, query);
    }
    return true;
}

// The timed versions' entries in span as lines, thinned for `buckets` pixels. Entries that
// come in time order (nearly always) are thinned as they are read, holding only the points
// kept; a panel clock set back or versions that overlap in time send them read again, held
// whole and sorted first.
QList<QList<QPointF>> TimedLines(const THistoryStore& store,
                                 const std::vector<const THistoryTableInfo*>& versions,
                                 const TCurrentColumns& current, const THistorySpan& span,
                                 bool whole, int buckets)
{
    const qint64 count = TimedEntryCount(store, versions, span);
    std::vector<TKivPlotThinner> thinners(size_t(current.Values.size()),
                                          TKivPlotThinner(count, buckets));
    double previous = std::numeric_limits<double>::lowest();
    const bool inOrder =
        ReadTimedEntries(store, versions, current, span, whole,
                         [&thinners, &previous](double x, qsizetype line, double value) {
                             if (x < previous)
                                 return false;
                             previous = x;
                             thinners[size_t(line)].Add(QPointF(x, value));
                             return true;
                         });
    QList<QList<QPointF>> lines(current.Values.size());
    if (inOrder) {
        for (qsizetype i = 0; i < lines.size(); ++i)
            lines[i] = thinners[size_t(i)].Take();
        return lines;
    }
    ReadTimedEntries(store, versions, current, span, whole,
                     [&lines](double x, qsizetype line, double value) {
                         lines[line].append(QPointF(x, value));
                         return true;
                     });
    for (QList<QPointF>& line : lines)
        line = Thinned(line, buckets);
    return lines;
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
        lines = TimedLines(store, versions, current, HistoryRangeSpan(range, *newest),
                           range == THistoryRange::All, buckets);
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
