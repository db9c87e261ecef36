#pragma once

// The history store: one file (or database) per project holding every station's stored
// data-record entries, alarm lines and recipe versions, and one row per read. A read's
// additions are written in one transaction: a crash at any moment leaves the store as it was
// before the read or with the whole read.
//
// Schema (the same SQL for SQLite and PostgreSQL, the differences in THistoryDialect):
//   schema_version  version
//   station         id, station_key (UUID kept with the station in the project) UNIQUE, model,
//                   model_id, channel, number
//   log_table       id, station_id, kind, name, definition (JSON), definition_hash, titles,
//                   ring_count, ring_fingerprint; UNIQUE (station_id, kind, name, definition_hash)
//   log_entry       table_id, seq, tick, panel_time, values_hash, raw, gap_before, read_id;
//                   PRIMARY KEY (table_id, seq); UNIQUE (table_id, tick, values_hash);
//                   INDEX (table_id, panel_time)
//   alarm_line      table_id, seq, number, start_tick, end_tick, panel_start, panel_end,
//                   message_number, message, gap_before, read_id, end_read_id;
//                   PRIMARY KEY (table_id, seq); UNIQUE (table_id, number, start_tick);
//                   INDEX (table_id, panel_start)
//   recipe_version  table_id, seq, contents_hash, raw, cells, read_id; PRIMARY KEY (table_id, seq)
//   read            id, station_id, collected_utc, outcome, rows_added, gaps
//                   INDEX (station_id, collected_utc)
// Panel times are seconds since 1970 as the panel's own clock counts them (its local time, no
// zone), kept beside the raw tick; the collection time is UTC. Neither corrects the other.

#include "HistoryDialect.h"
#include "HistoryTables.h"
#include "TamsorError.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// The store could not be opened or written; Why tells the recorder what to do about it.
class THistoryError : public TamsorError
{
public:
    THistoryError(THistoryFailure why, const QString& message) : TamsorError(message), Why(why) {}
    THistoryFailure Why;
};

// The station a read belongs to, as the store keeps it.
struct THistoryStationInfo {
    QString Key;     // the UUID kept with the station in the project; never empty
    QString Model;   // the station's model name
    quint32 ModelId = 0;
    QString Channel; // the channel's address: serial port, IP address or register file
    quint32 Number = 0;
};

// The entries or alarm lines one read added to one table version: seq FirstSeq to LastSeq.
struct THistoryAddedRange {
    qint64 TableId = 0;
    THistoryKind Kind = THistoryKind::DataRecord;
    qint64 FirstSeq = 0;
    qint64 LastSeq = 0;
};

// What one read added to the store.
struct THistoryReadResult {
    qint64 ReadId = 0;
    qint64 EntriesAdded = 0;   // data-record entries
    qint64 AlarmsAdded = 0;    // alarm lines
    qint64 AlarmsEnded = 0;    // stored alarm lines whose end time appeared
    qint64 RecipeVersions = 0; // recipe tables stored as a new version
    QStringList Gaps;          // tables whose ring wrapped past everything seen before
    std::vector<THistoryAddedRange> Ranges; // where the added rows are, per table
    qint64 RowsAdded() const { return EntriesAdded + AlarmsAdded + RecipeVersions; }
};

class THistoryStore
{
public:
    static constexpr int SchemaVersion = 1;

    // Called at named points of a read's transaction ("begun", "station", "entries" after each
    // log's entries, "alarms", "recipes", "read" just before the commit, "committed" after it),
    // for tests that interrupt a write there.
    using WriteProbe = std::function<void(const QString& stage)>;

    enum OpenMode {
        CreateMissing, // a missing file is made with an empty schema (recording)
        ExistingOnly,  // a missing file is a Failed error (queries)
    };

    // Opens the SQLite store at path. Throws THistoryError: Damaged when the file is not a store
    // or is corrupt (the file is left as it is), Locked when another program holds it beyond
    // the busy timeout, Failed otherwise (also a store of a newer schema version).
    explicit THistoryStore(const QString& path, OpenMode mode = CreateMissing);
    ~THistoryStore();
    THistoryStore(const THistoryStore&) = delete;
    THistoryStore& operator=(const THistoryStore&) = delete;

    const QString& Path() const { return m_path; }

    // Adds one read of station: the snapshot's entries, alarm lines and recipe versions not
    // stored before, gap marks and the read's row, in one transaction. Throws THistoryError;
    // the store is then as it was before.
    THistoryReadResult AddRead(const THistoryStationInfo& station,
                               const THistorySnapshot& snapshot, const QDateTime& collectedUtc);

    // The connection, owned by the store, for the queries of HistoryQuery.h; valid while the
    // store lives, in the thread that made the store.
    QSqlDatabase Database() const;
    const THistoryDialect& Dialect() const { return *m_dialect; }

    void SetWriteProbe(WriteProbe probe) { m_probe = std::move(probe); }

private:
    void CreateOrCheckSchema();

    QString m_path;
    QString m_connectionName;
    std::unique_ptr<THistoryDialect> m_dialect;
    WriteProbe m_probe;
};
