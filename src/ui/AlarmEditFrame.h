#pragma once

#include "TableEditFrame.h"

class TAlarmSetupBox;
class TKivAlarms;

// The alarm editor: one grid row per alarm history entry, oldest first, with its two times and
// its message, and the setup box of the current column's title and time format. Resizing a
// column marks the project modified.
class TFrameAlarmEdit : public TFrameTableEdit
{
    Q_OBJECT

public:
    explicit TFrameAlarmEdit(QWidget* parent = nullptr);

    TTableGrid* sgAlarms;
    TAlarmSetupBox* gbxSetup;

protected:
    bool TakeObject(TKivPersistent* object) override;
    void ForgetObject() override { FAlarms = nullptr; }
    const TKivPersistent* Shown() const override;
    TKivStation* Station() const override;
    std::unique_ptr<TKivDecodedTable> DecodeTable() const override;
    QList<int> ShownColumnWidths() const override;
    void ColumnResized(int column, int width) override;
    void ShowColumn(int column) override;

private:
    TKivAlarms* FAlarms = nullptr;
};
