#pragma once

// Reading the history store: the stored tables, data-record entries and alarm lines streamed
// oldest first without loading them all, a column's (panel time, value) series for a chart, and
// the reads with their gap marks. Every query runs on an index of the store (named at each).
// All of them throw THistoryError (HistoryStore.h) when the store cannot be read.

#include "HistoryColumns.h"
#include "HistoryTables.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class THistoryStore;

// A stored table version of a station.
struct THistoryTableInfo {
    qint64 Id = 0;
    QString StationKey;
    QString StationModel;
    QString StationChannel;
    quint32 StationNumber = 0;
    THistoryKind Kind = THistoryKind::DataRecord;
    QString Name;
    QStringList Titles;      // column titles as the report's heading shows them
    bool Timed = false;      // data-record entries carry panel times
    THistoryColumns Columns; // decodes the raw values of data-record entries
    QString Tick1Format;     // the alarm history's display formats of its two times
    QString Tick2Format;
};

// Which entries or alarm lines a query gives. Empty lists and absent times select everything.
struct THistoryFilter {
    QStringList StationKeys;
    QStringList TableNames;        // data-record or recipe names
    std::optional<qint64> From;    // panel time, inclusive (seconds, the panel's clock)
    std::optional<qint64> To;      // panel time, exclusive
    // Only these table versions (THistoryTableInfo::Id), and in them only rows from this seq on
    // (a read's THistoryAddedRange gives both for the rows it added).
    std::vector<qint64> TableIds;
    std::optional<qint64> FromSeq;
};

// One stored data-record entry.
struct THistoryEntryRow {
    const THistoryTableInfo* Table = nullptr; // owned by the cursor that gave the row
    qint64 Seq = 0;                  // order of storing within the table
    std::optional<qint64> PanelTime; // none for a log without time stamps
    QByteArray Raw;                  // the entry's registers
    bool GapBefore = false;          // entries may be missing on the panel before this one
    qint64 ReadId = 0;               // the read that stored it
    QStringList Cells() const;       // as the report formats them, without the row number
    std::optional<double> Number(int column) const;
};

// Stored data-record entries of the filter's tables, oldest first by panel time (entries of a
// log without time stamps in the order stored, after the timed ones when no time range is
// asked; a time range leaves them out). One query per table on log_entry's index
// (table_id, panel_time) or its primary key (table_id, seq), merged as the rows are taken:
// memory stays that of one row per table.
class THistoryEntryCursor
{
public:
    // The store must outlive the cursor.
    THistoryEntryCursor(const THistoryStore& store, const THistoryFilter& filter);
    ~THistoryEntryCursor();
    THistoryEntryCursor(THistoryEntryCursor&&) noexcept;
    // The next row into row; false when there is none left.
    bool Next(THistoryEntryRow& row);
    // The tables the cursor reads, for headings.
    const std::vector<std::unique_ptr<THistoryTableInfo>>& Tables() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// One stored alarm line.
struct THistoryAlarmRow {
    const THistoryTableInfo* Table = nullptr; // owned by the cursor that gave the row
    qint64 Seq = 0;
    quint32 Number = 0;        // the alarm's position in the station's alarm list
    quint32 MessageNumber = 0;
    quint32 StartTick = 0;     // raw ticks as the panel wrote them
    std::optional<quint32> EndTick;
    qint64 PanelStart = 0;
    std::optional<qint64> PanelEnd; // none while the alarm is active
    QString Message;
    bool GapBefore = false;
    qint64 ReadId = 0;
    // As the report shows the line: both times in the table's formats (one space for an end
    // not yet known) and the message.
    QStringList Cells() const;
};

// Stored alarm lines of the filter's stations oldest first by start; the filter's times select
// by start. One query per alarm table on alarm_line's index (table_id, panel_start), merged.
class THistoryAlarmCursor
{
public:
    THistoryAlarmCursor(const THistoryStore& store, const THistoryFilter& filter);
    ~THistoryAlarmCursor();
    THistoryAlarmCursor(THistoryAlarmCursor&&) noexcept;
    bool Next(THistoryAlarmRow& row);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Every stored table version matching the filter's stations and names (kind: any when none),
// by station and name; the oldest version first. Uses log_table's unique index.
std::vector<std::unique_ptr<THistoryTableInfo>>
HistoryTables(const THistoryStore& store, const THistoryFilter& filter,
              std::optional<THistoryKind> kind = std::nullopt);

// One point of a chart series.
struct THistoryPoint {
    qint64 Time = 0; // panel time
    double Value = 0;
};

// Column `column` of the data-record table version tableId between panel times from
// (inclusive) and to (exclusive), oldest first; entries whose cell is empty are left out. Reads
// only panel_time and raw through log_entry's index (table_id, panel_time).
std::vector<THistoryPoint> HistoryColumnSeries(const THistoryStore& store, qint64 tableId,
                                               int column, qint64 from, qint64 to);

// One read as the store recorded it.
struct THistoryReadRow {
    qint64 Id = 0;
    QString StationKey;
    QDateTime CollectedUtc;
    QString Outcome;
    qint64 RowsAdded = 0;
    QStringList Gaps; // names of the tables whose ring wrapped past everything seen before
};

// The reads of a station (all stations when stationKey is empty) oldest first, on read's index
// (station_id, collected_utc).
std::vector<THistoryReadRow> HistoryReads(const THistoryStore& store,
                                          const QString& stationKey = QString());

// A panel time as text without a zone: "yyyy-MM-ddThh:mm:ss".
QString PanelTimeText(qint64 panelTime);
