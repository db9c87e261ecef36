#pragma once

// The history's rows as text for other programs: CSV, TSV, JSON lines and line protocol. A
// serializer only turns rows into UTF-8 text; where the text goes (standard output, a file, a
// message broker) is the caller's business.
//
// Every row has a station, a table, the panel time of the row (none for a log without time
// stamps) and one cell per column of its table.
// - CSV: one header row for the whole stream, written before the first row: "station",
//   "table", "time", then every column title of the tables the stream may hold, each once
//   (a title used twice in one table twice), in the order the tables list them. A row fills
//   its own table's columns and leaves the others empty, so tables with different columns
//   share one rectangular stream. Fields with a comma, a double quote, CR or LF are quoted and
//   quotes doubled (RFC 4180); lines end with CR LF.
// - TSV: the same with a TAB between fields (and a TAB among the characters that need quotes).
// - JSON lines: one object per row and line: "station", "table", "time" (null when none), then
//   each column under its key (HistoryColumnKeys) with the text the report shows.
// - Line protocol: measurement = table, tag station, one field per non-empty cell under its key
//   (a number column as a number: an integer "12i" when the report shows no decimals, else a
//   float; anything else as a quoted string), then the panel time in nanoseconds; a row
//   without a time has none, and a row without a single value is left out. Panel times are
//   the panel's clock read as UTC: nothing is converted.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

enum class THistoryFormat { Csv, Tsv, Json, Line };

// The format a name gives: "csv", "tsv", "json" or "line"; nothing for another name.
std::optional<THistoryFormat> HistoryFormatNamed(const QString& name);

// A table of a station as the rows of an export refer to it.
struct THistoryExportTable {
    QString Station;    // the station's name in the export
    QString Name;       // the table's name: a data record's name, or "Alarm"
    QStringList Titles; // the column titles
    QStringList Keys;   // the titles as unique keys for JSON and line protocol
};

// Keys for column titles, one per title: the title itself, "column N" (N from 1) for an empty
// one, with "_2", "_3" ... added to a key that an earlier column or "station", "table" or
// "time" already has.
QStringList HistoryColumnKeys(const QStringList& titles);

// One cell of an exported row.
struct THistoryExportCell {
    QString Text;                 // as the report shows it
    std::optional<double> Number; // the value of a number column (line protocol only)
    bool Integer = false;         // the report shows the number without decimals
};

// One exported row; the table must outlive it.
struct THistoryExportRow {
    const THistoryExportTable* Table = nullptr;
    std::optional<qint64> PanelTime;
    std::vector<THistoryExportCell> Cells; // one per title of the table
};

class THistorySerializer
{
public:
    virtual ~THistorySerializer() = default;
    // Whether rows need the numbers of their cells (filling them costs a second decoding).
    virtual bool NeedsNumbers() const { return false; }
    // Appends what comes before the first row; tables are all the tables the rows come from.
    virtual void Begin(const std::vector<const THistoryExportTable*>& tables, QByteArray& out);
    // Appends one row.
    virtual void Write(const THistoryExportRow& row, QByteArray& out) = 0;
};

std::unique_ptr<THistorySerializer> MakeHistorySerializer(THistoryFormat format);
