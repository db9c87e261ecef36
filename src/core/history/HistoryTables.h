#pragma once

// A station's tables as one read found them, in the form the history compares and stores:
// each data-record log and the alarm history as a ring of entries (oldest first) with an
// identity per entry, each recipe as its raw contents. Taken from the station's register image
// with the decoders the reports use, so the history holds what the reports show.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class TKivStation;
class TKivDataRecord;
class TKivAlarms;
class TKivRecipe;

// The identity of one ring entry as the history compares entries: a 64-bit hash.
using THistoryKey = quint64;

// What kind of table a stored table is; the numbers are stored.
enum class THistoryKind : int { Recipe = 1, DataRecord = 2, Alarm = 3 };

// A table's definition as the history keeps it: the columns as they were when stored. Another
// definition (a define re-imported with other columns) is another table version in the store.
struct THistoryTableDef {
    THistoryKind Kind = THistoryKind::DataRecord;
    QString Name;          // the record's or recipe's name; empty for the alarm history
    QStringList Titles;    // column titles in order, as the report's heading shows them
    QByteArray Definition; // compact JSON of everything that decides how entries are decoded
    QString DefinitionHash; // hex SHA-1 of Definition
};

// One entry of a data-record log.
struct THistoryLogEntry {
    std::optional<quint32> Tick;     // the raw tick as the panel wrote it; none without time stamps
    std::optional<qint64> PanelTime; // Tick with the panel's time offset, as the report shows it
    QByteArray Raw;                  // the registers of the entry's slot, low byte first
    quint64 ValuesHash = 0;          // hash of Raw
    THistoryKey Key() const;         // Tick and ValuesHash together
};

// A data-record log as this read found it.
struct THistoryLogRing {
    THistoryTableDef Def;
    bool Valid = false; // the header's CRC matched; a log that cannot be read adds nothing
    bool Timed = false; // the record's entries carry time stamps (its Tick is not 0)
    std::vector<THistoryLogEntry> Entries; // oldest first
    std::vector<THistoryKey> Keys() const;
};

// One line of the alarm history.
struct THistoryAlarmEntry {
    quint32 Number = 0;        // the alarm's position in the station's alarm list
    quint32 MessageNumber = 0; // line of the alarm's message
    quint32 Start = 0;         // raw tick of the first time
    quint32 End = 0;           // raw tick of the second time; 0 while the alarm is active
    qint64 PanelStart = 0;     // Start with the panel's time offset
    std::optional<qint64> PanelEnd; // End with the offset; none while active
    QString Message;           // the message text as the report shows it
    THistoryKey Key() const;   // Number and Start together
};

// The alarm history as this read found it.
struct THistoryAlarmRing {
    THistoryTableDef Def;
    bool Valid = false; // the backup area's header passed its checks
    std::vector<THistoryAlarmEntry> Entries; // oldest first
    std::vector<THistoryKey> Keys() const;
};

// A recipe table's contents as this read found them.
struct THistoryRecipe {
    THistoryTableDef Def;
    QByteArray Raw;        // the registers of its records, low byte first
    QList<QStringList> Rows; // the report's record rows, row number first
    quint64 ContentsHash = 0; // hash of Raw
};

// All tables of a station as one read found them.
struct THistorySnapshot {
    std::vector<THistoryLogRing> Logs;
    std::optional<THistoryAlarmRing> Alarms; // none when the station has no alarm definitions
    std::vector<THistoryRecipe> Recipes;
};

// The 64-bit hash the history uses for raw contents and identities.
quint64 HistoryHash(const QByteArray& bytes);
quint64 HistoryHash(quint64 a, quint64 b);

// The definitions of a station's tables as the history keeps them.
THistoryTableDef HistoryTableDef(const TKivDataRecord& record);
THistoryTableDef HistoryTableDef(const TKivAlarms& alarms);
THistoryTableDef HistoryTableDef(const TKivRecipe& recipe);

// Takes every table of station out of its register image. Never fails: a table that cannot be
// read is marked not Valid (logs, alarms) or holds what the recipe decoder shows.
THistorySnapshot CaptureStationTables(const TKivStation& station);
