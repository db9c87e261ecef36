#include "TableEditFrame.h"

#include "TableGrid.h"
#include "comm/StationReadNotifier.h"
#include "model/KivChannel.h"
#include "reports/KivDecodedTable.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QVBoxLayout>

TFrameTableEdit::TFrameTableEdit(const QString& objectName, const QString& gridName,
                                 QWidget* parent)
    : TFrameBase(objectName, 0, parent)
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
    connect(&StationReadNotifier(), &TKivStationReadNotifier::StationRead, this,
            &TFrameTableEdit::StationRead);
}

QString TFrameTableEdit::FrameCaption() const
{
    const TKivPersistent* shown = Shown();
    return shown ? shown->GetCaption() : TFrameBase::FrameCaption();
}

bool TFrameTableEdit::LoadObject()
{
    if (!TakeObject(FObject))
        return false;
    FGrid->clearSelection();
    Refresh(false);
    FGrid->setAccessibleName(FrameCaption());
    const QModelIndex first = FModel.index(0, 0);
    FGrid->scrollToTop();
    FGrid->horizontalScrollBar()->setValue(0);
    if (first.isValid())
        FGrid->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
    ShowColumn(first.isValid() ? 0 : -1);
    return true;
}

void TFrameTableEdit::Refresh(bool changed)
{
    FModel.SetTable(Station() ? DecodeTable() : nullptr);
    FGrid->SetColumnWidths(ShownColumnWidths());
    Refreshed();
    if (changed)
        Changed();
}

void TFrameTableEdit::ObjectGone()
{
    ForgetObject();
    FModel.SetTable(nullptr);
    ShowColumn(-1);
    Refreshed();
}

void TFrameTableEdit::StationRead(TKivStation* station)
{
    if (FObject && station == Station())
        Refresh(false);
}
