#pragma once

#include "StationTableFrame.h"
#include "editor/KivColumnSetup.h"
#include "reports/KivTableModel.h"

#include <memory>

class QVBoxLayout;
class TTableGrid;

// Base of the three definition editors in the centre panel: a grid previewing the station's
// current register image decoded with the shown definition, and below it a setup box whose
// edits go straight into the definition. The grid takes its cells from the decoder that writes
// the report files. It refreshes after every edit and after every read of the station.
class TFrameTableEdit : public TFrameStationTable
{
    Q_OBJECT

public:
    // gridName: the grid's component name (sgRecipe, sgDataRecord, sgAlarms).
    TFrameTableEdit(const QString& objectName, const QString& gridName, QWidget* parent = nullptr);

    // Decodes the table again and shows it, keeping the current cell; changed (an edit that
    // changed the definition) marks the project modified.
    void Refresh(bool changed);

    TKivTableModel* TableModel() { return &FModel; }
    TTableGrid* Grid() const { return FGrid; }

protected:
    // The table of the object shown, decoded from its station's current register image.
    virtual std::unique_ptr<TKivDecodedTable> DecodeTable() const = 0;
    // The grid widths of the value columns, and what a width dragged by the user does.
    virtual QList<int> ShownColumnWidths() const = 0;
    virtual void ColumnResized(int column, int width) = 0;
    // Shows the settings of value column `column` (-1: none) in the setup box.
    virtual void ShowColumn(int column) = 0;
    // Called after every refresh, for what else shows the table.
    virtual void Refreshed() {}

    // The first value cell becomes current and its column's settings are shown.
    void ShowObject() override;
    void StationRead() override { Refresh(false); }
    void ObjectForgotten() override;

    // The group box's layout: the grid first; concrete frames add their setup box below it.
    QVBoxLayout* FContent;
    TTableGrid* FGrid;

private:
    TKivTableModel FModel;
};

// An editor of objects of class ShownClass (TKivRecipe, TKivDataRecord, TKivAlarms) whose table
// TableClass decodes.
template <class ShownClass, class TableClass>
class TFrameTableEditOf : public TFrameShowing<ShownClass, TFrameTableEdit>
{
public:
    using TFrameShowing<ShownClass, TFrameTableEdit>::TFrameShowing;

protected:
    std::unique_ptr<TKivDecodedTable> DecodeTable() const override
    {
        const TKivStation* station = this->Station();
        return std::make_unique<TableClass>(*this->FShown, station->RegisterImage,
                                            station->UpdateTime);
    }
};

// The grid widths of the columns of a recipe or data record: each at least MinimumColumnWidth.
template <class Items> QList<int> ShownColumnWidthsOf(const Items& items)
{
    QList<int> widths;
    for (const auto* item : items)
        widths << ShownColumnWidth(item->Width, MinimumColumnWidth);
    return widths;
}
