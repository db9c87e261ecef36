#include "AlarmEditFrame.h"

#include "AlarmSetupBox.h"
#include "TableGrid.h"
#include "editor/KivColumnSetup.h"

#include <QHeaderView>
#include <QVBoxLayout>

namespace
{
constexpr int MessageColumn = 2;
constexpr int AlarmColumns = 3;
} // namespace

TFrameAlarmEdit::TFrameAlarmEdit(QWidget* parent)
    : TFrameTableEditOf(QStringLiteral("FrameAlarmEdit"), QStringLiteral("sgAlarms"), parent)
{
    sgAlarms = FGrid;
    // Times read like the numbers of the other grids; a message reads like a sentence.
    TableModel()->SetColumnAlignment(MessageColumn, Qt::AlignLeft | Qt::AlignVCenter);
    gbxSetup = new TAlarmSetupBox(gbxCaption);
    FContent->addWidget(gbxSetup);
    connect(gbxSetup, &TAlarmSetupBox::ColumnEdited, this, &TFrameAlarmEdit::Refresh);
}

QList<int> TFrameAlarmEdit::ShownColumnWidths() const
{
    QList<int> widths;
    // The stored widths have no minimum; on screen a column keeps the header's least width so
    // it can still be found and dragged wider.
    const int least = sgAlarms->horizontalHeader()->minimumSectionSize();
    for (int column = 0; FShown && column < AlarmColumns; ++column)
        widths << ShownColumnWidth(*AlarmColumnWidth(*FShown, column), least);
    return widths;
}

void TFrameAlarmEdit::ColumnResized(int column, int width)
{
    if (quint32* stored = AlarmColumnWidth(*FShown, column);
        stored && StoreColumnWidth(*stored, width, 0))
        Changed();
}

void TFrameAlarmEdit::ShowColumn(int column)
{
    gbxSetup->ShowColumn(FShown, column);
}
