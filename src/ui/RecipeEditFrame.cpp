#include "RecipeEditFrame.h"

#include "ColumnSetupBox.h"
#include "TableGrid.h"
#include "editor/KivColumnSetup.h"

#include <QVBoxLayout>

TFrameRecipeEdit::TFrameRecipeEdit(QWidget* parent)
    : TFrameTableEditOf(QStringLiteral("FrameRecipeEdit"), QStringLiteral("sgRecipe"), parent)
{
    sgRecipe = FGrid;
    sgRecipe->SetMinimumColumnWidth(MinimumColumnWidth);
    gbxSetup = new TColumnSetupBox(TColumnSetupBox::Kind::Recipe, gbxCaption);
    FContent->addWidget(gbxSetup);
    connect(gbxSetup, &TColumnSetupBox::ColumnEdited, this, &TFrameRecipeEdit::Refresh);
}

QList<int> TFrameRecipeEdit::ShownColumnWidths() const
{
    return FShown ? ShownColumnWidthsOf(*FShown->RecipeItems) : QList<int>();
}

void TFrameRecipeEdit::ColumnResized(int column, int width)
{
    TKivRecipeItem* item = FShown->RecipeItems->Items(column);
    if (item && StoreColumnWidth(item->Width, width, MinimumColumnWidth))
        Changed();
}

void TFrameRecipeEdit::ShowColumn(int column)
{
    gbxSetup->ShowColumn(FShown ? FShown->RecipeItems->Items(column) : nullptr);
}
