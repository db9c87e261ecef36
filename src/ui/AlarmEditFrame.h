#pragma once

#include "TableEditFrame.h"
#include "reports/KivAlarmDecoder.h"

class QButtonGroup;
class QLabel;
class QToolButton;
class TAlarmSetupBox;
class TStoredHistory;

// The alarm editor: one grid row per alarm history entry, oldest first, with its two times and
// its message, and the setup box of the current column's title and time format. Resizing a
// column marks the project modified. A toggle above the grid shows instead every alarm line
// the history store kept of the station (THistoryAlarmTable), read as the grid scrolls, with
// the count or why there are none beside the toggle; it follows every recording of the station.
class TFrameAlarmEdit : public TFrameTableEditOf<TKivAlarms, TKivAlarmTable>
{
    Q_OBJECT

public:
    explicit TFrameAlarmEdit(QWidget* parent = nullptr);

    // Shows the alarm history as read (false) or every stored line (true).
    void ShowStored(bool stored);
    bool ShowsStored() const { return FStored; }

    TTableGrid* sgAlarms;
    QToolButton* btnAsRead;
    QToolButton* btnStored;
    QLabel* lblStored;
    TAlarmSetupBox* gbxSetup;

protected:
    std::unique_ptr<TKivDecodedTable> DecodeTable() const override;
    QList<int> ShownColumnWidths() const override;
    void ColumnResized(int column, int width) override;
    void ShowColumn(int column) override;
    void Refreshed() override;

private:
    std::unique_ptr<TKivDecodedTable> StoredTable() const;

    QButtonGroup* FViews;
    TStoredHistory* FHistory;
    bool FStored = false;
    // What the last stored table said of itself: its line count, or why it has none.
    mutable QString FStoredText;
};
