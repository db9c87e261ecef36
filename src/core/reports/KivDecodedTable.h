#pragma once

// A decoded table (recipe, data record or alarm history) as rows of cells. The report files,
// the result frames and the definition editors' previews all show the same rows, so each
// decoder builds one of these and every view reads it row by row.

#include "KivReportFiles.h"
#include "model/KivRegisters.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

// No table has more record rows than the image has registers. Only a definition that repeats
// one record (a recipe with Capacity 0) or a damaged alarm header can ask for more.
constexpr qint64 MaxTableRows = RegisterCount;
// Nor more value cells than sixteen times the registers: a table that reads the image sensibly
// has at most one cell per register, and only overlapping or repeated records with thousands of
// columns could ask for more (billions of cells, more memory than the machine has).
constexpr qint64 MaxTableCells = 16 * RegisterCount;

// rows cut so that rows x columns stays within MaxTableCells.
inline qint64 BoundedTableRows(qint64 rows, qint64 columns)
{
    return columns > 0 ? std::min(rows, MaxTableCells / columns) : rows;
}

class TKivDecodedTable
{
public:
    virtual ~TKivDecodedTable() = default;

    QString Title;       // line 1
    QString UpdateText;  // line 2: when the station was last read
    QStringList Heading; // line 3, cell by cell

    // Record rows, bounded by the definition, the device's header and the image.
    virtual qint64 RowCount() const = 0;
    // Replaces cells by the cells of record row `row` (0 <= row < RowCount()): the row number
    // first, then one cell per column. A cell whose registers lie outside the image is empty.
    virtual void RowCells(qint64 row, QStringList& cells) const = 0;
    // The most rows a view shows of the table: a decoded image never has more than
    // MaxTableRows; a table read from elsewhere may say otherwise.
    virtual qint64 RowLimit() const { return MaxTableRows; }
};

// The cells of the table's text: title, last-read line, heading and record rows.
qint64 TableCells(const TKivDecodedTable& table);

// Every record row of table.
QList<QStringList> TableRows(const TKivDecodedTable& table);

// The whole table as the text of a report file: title, last-read line, heading, record rows.
TKivTableText TableText(const TKivDecodedTable& table);
