#include "TableEditFrame.h"

#include "TableGrid.h"
#include "reports/KivDecodedTable.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QVBoxLayout>

TFrameTableEdit::TFrameTableEdit(const QString& objectName, const QString& gridName,
                                 QWidget* parent)
    : TFrameStationTable(objectName, 0, parent)
{
    FGrid = new TTableGrid(gbxCaption);
    FGrid->setObjectName(gridName);
    FGrid->SetTableModel(&FModel);
    FContent = new QVBoxLayout(gbxCaption);
    FContent->setContentsMargins(6, 4, 6, 6);
    FContent->addWidget(FGrid, 1);

    connect(FGrid, &TTableGrid::CurrentColumnChanged, this, [this](int column) {
        if (FObject)
            ShowColumn(column);
    });
    connect(FGrid, &TTableGrid::ColumnResized, this, [this](int column, int width) {
        if (FObject && !FLoading)
            ColumnResized(column, width);
    });
}

void TFrameTableEdit::ShowObject()
{
    FGrid->clearSelection();
    Refresh(false);
    FGrid->setAccessibleName(FrameCaption());
    const QModelIndex first = FModel.index(0, 0);
    FGrid->scrollToTop();
    FGrid->horizontalScrollBar()->setValue(0);
    if (first.isValid())
        FGrid->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
    ShowColumn(first.isValid() ? 0 : -1);
}

void TFrameTableEdit::Refresh(bool changed)
{
    FModel.SetTable(Station() ? DecodeTable() : nullptr);
    FGrid->SetColumnWidths(ShownColumnWidths());
    Refreshed();
    if (changed)
        Changed();
}

void TFrameTableEdit::ObjectForgotten()
{
    FModel.SetTable(nullptr);
    ShowColumn(-1);
    Refreshed();
}
