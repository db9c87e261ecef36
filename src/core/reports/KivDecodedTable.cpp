#include "KivDecodedTable.h"

qint64 TableCells(const TKivDecodedTable& table)
{
    return 2 + (table.RowCount() + 1) * qint64(table.Heading.size());
}

QList<QStringList> TableRows(const TKivDecodedTable& table)
{
    QList<QStringList> rows;
    const qint64 count = table.RowCount();
    rows.reserve(count);
    for (qint64 row = 0; row < count; ++row) {
        QStringList cells;
        table.RowCells(row, cells);
        rows.append(std::move(cells));
    }
    return rows;
}

TKivTableText TableText(const TKivDecodedTable& table)
{
    TKivTableText text;
    const qint64 count = table.RowCount();
    // About eight characters a cell: one allocation for most tables instead of a dozen copies.
    text.Reserve(256 + count * (table.Heading.size() + 1) * 8);
    text.AddLine(table.Title);
    text.AddLine(table.UpdateText);
    text.AddRow(table.Heading);
    QStringList cells;
    for (qint64 row = 0; row < count; ++row) {
        table.RowCells(row, cells);
        text.StartRow(cells.isEmpty() ? QString() : cells.first());
        for (qsizetype i = 1; i < cells.size(); ++i)
            text.AddCell(cells[i]);
        text.EndRow();
    }
    return text;
}
