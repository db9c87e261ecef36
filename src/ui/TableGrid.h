#pragma once

#include <QTableView>

class QAction;
class QAbstractButton;
class TKivTableModel;

// The grid of the definition editors, over a TKivTableModel: the heading row and the row
// numbers stay in place while the cells scroll, both in the fixed-cell colour (the tooltip
// background); values are right-aligned; cells cannot be edited; rows are the text height + 8
// high. Selected cells copy to the clipboard as tab-separated text with their heading (Ctrl+C
// or the context menu), ready to paste into a spreadsheet.
class TTableGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TTableGrid(QWidget* parent = nullptr);

    // The model shown (not owned); the grid keeps it for its whole life.
    void SetTableModel(TKivTableModel* model);

    // Columns narrower than this cannot be made by dragging.
    void SetMinimumColumnWidth(int width);
    // Widths of the value columns, in pixels, set without ColumnResized.
    void SetColumnWidths(const QList<int>& widths);
    QList<int> ColumnWidths() const;
    // The width of the row-number column.
    void SetRowNumberWidth(int width);

    void CopySelection() const;
    QAction* actCopy;

signals:
    // The user dragged the edge of value column `column` to `width`.
    void ColumnResized(int column, int width);
    // The current cell moved to value column `column` (also by clicking its heading).
    void CurrentColumnChanged(int column);

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void ApplyFixedCellLook();
    void ApplyRowHeight();
    void PaintCorner(QAbstractButton* corner);

    TKivTableModel* m_model = nullptr;
    QAbstractButton* m_corner = nullptr;
    bool m_settingWidths = false;
};
