#include "RecipeEditFrame.h"

#include "ColumnSetupBox.h"
#include "TableGrid.h"
#include "editor/KivColumnSetup.h"
#include "model/KivChannel.h"
#include "reports/KivRecipeDecoder.h"

#include <QVBoxLayout>

TFrameRecipeEdit::TFrameRecipeEdit(QWidget* parent)
    : TFrameTableEdit(QStringLiteral("FrameRecipeEdit"), QStringLiteral("sgRecipe"), parent)
{
    sgRecipe = FGrid;
    sgRecipe->SetMinimumColumnWidth(MinimumColumnWidth);
    gbxSetup = new TColumnSetupBox(TColumnSetupBox::Kind::Recipe, gbxCaption);
    FContent->addWidget(gbxSetup);
    connect(gbxSetup, &TColumnSetupBox::ColumnEdited, this, &TFrameRecipeEdit::Refresh);
}

bool TFrameRecipeEdit::TakeObject(TKivPersistent* object)
{
    FRecipe = dynamic_cast<TKivRecipe*>(object);
    return FRecipe != nullptr;
}

const TKivPersistent* TFrameRecipeEdit::Shown() const
{
    return FRecipe;
}

TKivStation* TFrameRecipeEdit::Station() const
{
    return FRecipe ? FRecipe->Station() : nullptr;
}

std::unique_ptr<TKivDecodedTable> TFrameRecipeEdit::DecodeTable() const
{
    const TKivStation* station = Station();
    return std::make_unique<TKivRecipeTable>(*FRecipe, station->RegisterImage, station->UpdateTime);
}

QList<int> TFrameRecipeEdit::ShownColumnWidths() const
{
    QList<int> widths;
    if (FRecipe)
        for (const TKivRecipeItem* item : *FRecipe->RecipeItems)
            widths << ShownColumnWidth(item->Width, MinimumColumnWidth);
    return widths;
}

void TFrameRecipeEdit::ColumnResized(int column, int width)
{
    if (column < FRecipe->RecipeItems->Count() &&
        StoreColumnWidth(FRecipe->RecipeItems->Items(column)->Width, width, MinimumColumnWidth))
        Changed();
}

void TFrameRecipeEdit::ShowColumn(int column)
{
    const bool valid = FRecipe && column >= 0 && column < FRecipe->RecipeItems->Count();
    gbxSetup->ShowColumn(valid ? FRecipe->RecipeItems->Items(column) : nullptr);
}
