#pragma once

#include "TableEditFrame.h"
#include "history/HistoryChart.h"
#include "reports/KivDataRecordDecoder.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QStackedWidget;
class QToolButton;
class TColumnSetupBox;
class TDataRecordChart;
class TStoredHistory;

// The data-record editor: one grid row per log entry, oldest first, and the setup box of the
// current column, with a time-format page for time-stamp columns. Beside the grid, a chart of
// the log's value columns against the entries' times: the ring as read, or what the history
// store kept of the log over a range chosen beside the toggle (the store opened when a stored
// range is first drawn, drawn again after every recording of the station). Resizing a column is
// kept without marking the project modified.
class TFrameDataRecordEdit : public TFrameTableEditOf<TKivDataRecord, TKivDataRecordTable>
{
    Q_OBJECT

public:
    explicit TFrameDataRecordEdit(QWidget* parent = nullptr);

    // Shows the grid (false) or the chart (true).
    void ShowChart(bool chart);
    // What the chart draws: the ring as read or a stored range.
    void ShowRange(THistoryRange range);
    THistoryRange Range() const;

    TTableGrid* sgDataRecord;
    TDataRecordChart* chtDataRecord;
    QToolButton* btnTable;
    QToolButton* btnChart;
    QLabel* lblRange;
    QComboBox* cbxRange;
    QStackedWidget* pcView;
    TColumnSetupBox* gbxSetup;

protected:
    QList<int> ShownColumnWidths() const override;
    void ColumnResized(int column, int width) override;
    void ShowColumn(int column) override;
    void ShowObject() override;
    void Refreshed() override;

private:
    void FillRanges();
    TKivChartData StoredChartData(const TKivDataRecord* record, THistoryRange range);

    QButtonGroup* FViews;
    TStoredHistory* FHistory;
};
