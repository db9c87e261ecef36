#pragma once

#include "TableEditFrame.h"
#include "reports/KivRecipeDecoder.h"

class TColumnSetupBox;

// The recipe editor: one grid row per record (row numbers from 0), one column per recipe
// column, and the setup box of the current column. Resizing a column marks the project
// modified.
class TFrameRecipeEdit : public TFrameTableEditOf<TKivRecipe, TKivRecipeTable>
{
    Q_OBJECT

public:
    explicit TFrameRecipeEdit(QWidget* parent = nullptr);

    TTableGrid* sgRecipe;
    TColumnSetupBox* gbxSetup;

protected:
    QList<int> ShownColumnWidths() const override;
    void ColumnResized(int column, int width) override;
    void ShowColumn(int column) override;
};
