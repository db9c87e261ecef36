#pragma once

#include "KivDecodedTable.h"
#include "KivUtil.h"

#include <QByteArray>
#include <vector>

class TKivRecipe;
class TKivStation;

// A recipe table decoded from a register image: record r starts at Register + r x Capacity,
// its columns follow one another from there. Rows: Count, but only records that start inside
// the image, never more than MaxTableRows nor more than MaxTableCells cells.
class TKivRecipeTable : public TKivDecodedTable
{
public:
    TKivRecipeTable(const TKivRecipe& recipe, const QByteArray& image, double updateTime);

    qint64 RowCount() const override { return m_rows; }
    void RowCells(qint64 row, QStringList& cells) const override;

private:
    struct Column {
        int format;
        ValueFormat display;
        qint64 offset; // registers from the start of the record
    };
    QByteArray m_image;
    std::vector<Column> m_columns;
    qint64 m_register;
    qint64 m_capacity;
    qint64 m_rows = 0;
};
