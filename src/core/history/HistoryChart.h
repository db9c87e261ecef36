#pragma once

// A data-record log's stored history as chart lines: the entries the history store kept of the
// log, over a range of panel time, one line per value column of the log as defined now, thinned
// for the chart's width the way the chart thins a ring (DecimateForPlot), so a million stored
// entries give a few thousand points per line.

#include "HistoryQuery.h"
#include "reports/KivDataRecordChart.h"

#include <QString>
#include <QStringList>
#include <optional>

class THistoryStore;
class TKivDataRecord;

// What the data-record chart shows; the numbers are the range list's item order.
enum class THistoryRange : int {
    Ring = 0,      // the ring as read now, from the station's register image
    LastDay = 1,   // the stored entries of the last day
    LastWeek = 2,
    LastMonth = 3,
    All = 4,       // every stored entry
};

// The panel times [From, To) a stored range covers. Ranges count back from newest, the log's
// newest stored panel time, not from the computer's clock: the panel's clock is its own, and a
// log read last week still shows its last day. A month is a calendar month back.
struct THistorySpan {
    qint64 From = 0;
    qint64 To = 0;
};
THistorySpan HistoryRangeSpan(THistoryRange range, qint64 newest);

// The column of a stored table version that holds what column `column` of the log as defined
// now (titles: its column titles) holds: the value column of the same title; failing that, when
// the version has as many columns (a column renamed or its display changed), the same column.
// None for a time-stamp column or a column the version does not have.
std::optional<int> MatchingStoredColumn(const THistoryTableInfo& version, const QStringList& titles,
                                        int column);

// The newest panel time stored in the table versions tableIds; none when they hold no timed
// entry. One look-up per version on log_entry's index (table_id, panel_time).
std::optional<qint64> NewestPanelTime(const THistoryStore& store, const std::vector<qint64>& tableIds);

// The stored history of record (station stationKey) over range (not Ring) as chart lines: one
// per value column of the record's current definition that has stored numbers, from every
// stored version of the record (by its name), each column matched by MatchingStoredColumn.
// A timed log plots against the panel times (TickAxisValue) and keeps at most about 2 x buckets
// points per line; a log without time stamps has no panel times, so every stored range shows
// all its stored entries by their stored order. No lines when nothing is stored. Throws
// THistoryError when the store cannot be read.
TKivChartData HistoryChartData(const THistoryStore& store, const QString& stationKey,
                               const TKivDataRecord& record, THistoryRange range, int buckets);
