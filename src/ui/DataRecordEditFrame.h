#pragma once

#include "TableEditFrame.h"
#include "reports/KivDataRecordDecoder.h"

class QButtonGroup;
class QStackedWidget;
class QToolButton;
class TColumnSetupBox;
class TDataRecordChart;

// The data-record editor: one grid row per log entry, oldest first, and the setup box of the
// current column, with a time-format page for time-stamp columns. Beside the grid, a chart of
// the log's value columns against the entries' times. Resizing a column is kept without
// marking the project modified.
class TFrameDataRecordEdit : public TFrameTableEditOf<TKivDataRecord, TKivDataRecordTable>
{
    Q_OBJECT

public:
    explicit TFrameDataRecordEdit(QWidget* parent = nullptr);

    // Shows the grid (false) or the chart (true).
    void ShowChart(bool chart);

    TTableGrid* sgDataRecord;
    TDataRecordChart* chtDataRecord;
    QToolButton* btnTable;
    QToolButton* btnChart;
    QStackedWidget* pcView;
    TColumnSetupBox* gbxSetup;

protected:
    QList<int> ShownColumnWidths() const override;
    void ColumnResized(int column, int width) override;
    void ShowColumn(int column) override;
    void Refreshed() override;

private:
    QToolButton* ViewButton(const char* name, bool checked);

    QButtonGroup* FViews;
};
