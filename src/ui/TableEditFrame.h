#pragma once

#include "FrameBase.h"
#include "reports/KivTableModel.h"

#include <memory>

class QVBoxLayout;
class TKivDecodedTable;
class TKivStation;
class TTableGrid;

// Base of the three definition editors in the centre panel: a grid previewing the station's
// current register image decoded with the shown definition, and below it a setup box whose
// edits go straight into the definition. The grid takes its cells from the decoder that writes
// the report files. It refreshes after every edit and after every read of the station.
class TFrameTableEdit : public TFrameBase
{
    Q_OBJECT

public:
    // gridName: the grid's component name (sgRecipe, sgDataRecord, sgAlarms).
    TFrameTableEdit(const QString& objectName, const QString& gridName, QWidget* parent = nullptr);

    QString FrameCaption() const override;
    // Shows the object when it is of the frame's class: decodes the table, makes the first
    // value cell current and shows its column's settings.
    bool LoadObject() override;

    // Decodes the table again and shows it, keeping the current cell; changed (an edit that
    // changed the definition) marks the project modified.
    void Refresh(bool changed);

    TKivTableModel* TableModel() { return &FModel; }
    TTableGrid* Grid() const { return FGrid; }

protected:
    // The object shown, typed by the concrete frame: take it (false when it is of another
    // class), forget it, and what follows from it.
    virtual bool TakeObject(TKivPersistent* object) = 0;
    virtual void ForgetObject() = 0;
    virtual const TKivPersistent* Shown() const = 0;
    virtual TKivStation* Station() const = 0;
    virtual std::unique_ptr<TKivDecodedTable> DecodeTable() const = 0;
    // The grid widths of the value columns, and what a width dragged by the user does.
    virtual QList<int> ShownColumnWidths() const = 0;
    virtual void ColumnResized(int column, int width) = 0;
    // Shows the settings of value column `column` (-1: none) in the setup box.
    virtual void ShowColumn(int column) = 0;
    // Called after every refresh, for what else shows the table.
    virtual void Refreshed() {}

    void ObjectGone() override;

    // The group box's layout: the grid first; concrete frames add their setup box below it.
    QVBoxLayout* FContent;
    TTableGrid* FGrid;

private:
    void StationRead(TKivStation* station);

    TKivTableModel FModel;
};
