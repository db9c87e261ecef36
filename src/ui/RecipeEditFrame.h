#pragma once

#include "TableEditFrame.h"

class TColumnSetupBox;
class TKivRecipe;

// The recipe editor: one grid row per record (row numbers from 0), one column per recipe
// column, and the setup box of the current column. Resizing a column marks the project
// modified.
class TFrameRecipeEdit : public TFrameTableEdit
{
    Q_OBJECT

public:
    explicit TFrameRecipeEdit(QWidget* parent = nullptr);

    TTableGrid* sgRecipe;
    TColumnSetupBox* gbxSetup;

protected:
    bool TakeObject(TKivPersistent* object) override;
    void ForgetObject() override { FRecipe = nullptr; }
    const TKivPersistent* Shown() const override;
    TKivStation* Station() const override;
    std::unique_ptr<TKivDecodedTable> DecodeTable() const override;
    QList<int> ShownColumnWidths() const override;
    void ColumnResized(int column, int width) override;
    void ShowColumn(int column) override;

private:
    TKivRecipe* FRecipe = nullptr;
};
