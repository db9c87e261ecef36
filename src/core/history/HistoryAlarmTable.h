#pragma once

// Every alarm line the history store kept of a station, as a decoded table for the editors'
// grid: a row per line, oldest first (the order they were stored in, version by version of the
// alarm definition), with the alarm's number, its start, its end and how long it lasted (blank
// while it is active), and its message as it was shown when stored. Rows are read a page at a
// time when the grid asks for them, on alarm_line's primary key (table_id, seq), so a million
// lines open at once.

#include "HistoryQuery.h"
#include "reports/KivDecodedTable.h"

#include <QString>
#include <limits>
#include <list>
#include <vector>

class THistoryStore;
class TKivAlarms;

class THistoryAlarmTable : public TKivDecodedTable
{
public:
    static constexpr int PageRows = 256;

    // Counts the stored lines of station stationKey (none without a store or a key); the
    // heading takes the titles of alarms as defined now. The store must outlive the table.
    // Throws THistoryError when the store cannot be read.
    THistoryAlarmTable(const THistoryStore* store, const QString& stationKey,
                       const TKivAlarms& alarms);

    qint64 RowCount() const override { return m_rows; }
    // As many lines as a view can number.
    qint64 RowLimit() const override { return std::numeric_limits<int>::max(); }
    // The row number, alarm number, start, end, duration and message of line `row`, the times
    // with their dates ("yyyy-MM-dd hh:mm:ss"): the stored history spans days where the
    // definition's time formats show the time of day. The row number alone when the line cannot
    // be read (the store changed or failed meanwhile); the first failure is kept in Error().
    void RowCells(qint64 row, QStringList& cells) const override;
    const QString& Error() const { return m_error; }

    // How long an alarm lasted, as hours:minutes:seconds ("26:03:09"); negative when the
    // panel's clock was set back while it was active.
    static QString DurationText(qint64 seconds);

private:
    // The stored lines of one alarm table version.
    struct Version {
        qint64 Id = 0;
        qint64 FirstRow = 0; // row of its first line in the table
        qint64 Count = 0;
        qint64 FirstSeq = 0;
        bool Dense = false;  // its seq run without holes: row k is seq FirstSeq + k
    };
    struct Page {
        qint64 FirstRow = -1;
        std::vector<THistoryAlarmRow> Rows;
    };

    const Page* PageOf(qint64 row) const;
    void ReadPage(const Version& version, qint64 firstRow, Page& page) const;

    const THistoryStore* m_store;
    std::vector<Version> m_versions;
    qint64 m_rows = 0;
    mutable std::list<Page> m_pages; // most recently used first
    mutable QString m_error;
};
