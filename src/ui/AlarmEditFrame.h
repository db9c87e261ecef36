#pragma once

#include "TableEditFrame.h"
#include "reports/KivAlarmDecoder.h"

class TAlarmSetupBox;

// The alarm editor: one grid row per alarm history entry, oldest first, with its two times and
// its message, and the setup box of the current column's title and time format. Resizing a
// column marks the project modified.
class TFrameAlarmEdit : public TFrameTableEditOf<TKivAlarms, TKivAlarmTable>
{
    Q_OBJECT

public:
    explicit TFrameAlarmEdit(QWidget* parent = nullptr);

    TTableGrid* sgAlarms;
    TAlarmSetupBox* gbxSetup;

protected:
    QList<int> ShownColumnWidths() const override;
    void ColumnResized(int column, int width) override;
    void ShowColumn(int column) override;
};
