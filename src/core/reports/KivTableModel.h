#pragma once

// A decoded table as a Qt item model, for the grids of the definition editors. The cells come
// from the same decoder that writes the report file, a row at a time and only for the rows a
// view asks for, so a log of 65,535 entries opens at once and the grid can never show other
// cells than the report.

#include "KivDecodedTable.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QItemSelection>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

// Model columns are the table's value columns (heading cells 1 onward); the row number and its
// heading (heading cell 0) are the vertical header and CornerText(). A table without record
// rows shows one empty row, so that its columns can still be chosen in the grid.
class TKivTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TKivTableModel(QObject* parent = nullptr);
    ~TKivTableModel() override;

    // Shows table (owned; null shows nothing). A table with the same columns keeps the rows
    // that both have, so views keep their current cell, selection and scroll position;
    // different columns reset the model.
    void SetTable(std::unique_ptr<TKivDecodedTable> table);
    const TKivDecodedTable* Table() const { return m_table.get(); }

    QString CornerText() const;
    // True when the one row shown is the empty row of a table without record rows.
    bool IsPlaceholderRow(int row) const;

    // Value cells are right-aligned unless their column is given another alignment.
    void SetColumnAlignment(int column, Qt::Alignment alignment);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The selected cells as tab-separated lines, ready to paste into a spreadsheet: a heading
    // line (CornerText and the titles of the selected columns), then for every selected row its
    // number and its cells in the selected columns; a cell of such a row and column that is not
    // selected itself stays empty. Lines end with CR LF. Empty when nothing is selected.
    QString SelectionText(const QItemSelection& selection) const;

private:
    // The cells of record row `row` (its number first), formatted on first use and kept while
    // the view shows them.
    const QStringList& RowCells(int row) const;
    void ClearCache() const;

    std::unique_ptr<TKivDecodedTable> m_table;
    int m_rows = 0;
    int m_columns = 0;
    QHash<int, Qt::Alignment> m_alignments;

    // Rows recently formatted, by row modulo the slot count: a screenful of rows, scrolled a
    // few pages either way, is formatted once.
    struct CachedRow {
        int row = -1;
        QStringList cells;
    };
    static constexpr int CacheSlots = 512;
    mutable std::array<CachedRow, CacheSlots> m_cache;
};
