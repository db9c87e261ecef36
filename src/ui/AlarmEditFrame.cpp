#include "AlarmEditFrame.h"

#include "AlarmSetupBox.h"
#include "TableGrid.h"
#include "editor/KivColumnSetup.h"
#include "model/KivChannel.h"
#include "reports/KivAlarmDecoder.h"

#include <QHeaderView>
#include <QVBoxLayout>

namespace
{
constexpr int MessageColumn = 2;
constexpr int AlarmColumns = 3;
} // namespace

TFrameAlarmEdit::TFrameAlarmEdit(QWidget* parent)
    : TFrameTableEdit(QStringLiteral("FrameAlarmEdit"), QStringLiteral("sgAlarms"), parent)
{
    sgAlarms = FGrid;
    // Times read like the numbers of the other grids; a message reads like a sentence.
    TableModel()->SetColumnAlignment(MessageColumn, Qt::AlignLeft | Qt::AlignVCenter);
    gbxSetup = new TAlarmSetupBox(gbxCaption);
    FContent->addWidget(gbxSetup);
    connect(gbxSetup, &TAlarmSetupBox::ColumnEdited, this, &TFrameAlarmEdit::Refresh);
}

bool TFrameAlarmEdit::TakeObject(TKivPersistent* object)
{
    FAlarms = dynamic_cast<TKivAlarms*>(object);
    return FAlarms != nullptr;
}

const TKivPersistent* TFrameAlarmEdit::Shown() const
{
    return FAlarms;
}

TKivStation* TFrameAlarmEdit::Station() const
{
    return FAlarms ? FAlarms->Station() : nullptr;
}

std::unique_ptr<TKivDecodedTable> TFrameAlarmEdit::DecodeTable() const
{
    const TKivStation* station = Station();
    return std::make_unique<TKivAlarmTable>(*FAlarms, station->RegisterImage, station->UpdateTime);
}

QList<int> TFrameAlarmEdit::ShownColumnWidths() const
{
    QList<int> widths;
    // The stored widths have no minimum; on screen a column keeps the header's least width so
    // it can still be found and dragged wider.
    const int least = sgAlarms->horizontalHeader()->minimumSectionSize();
    for (int column = 0; FAlarms && column < AlarmColumns; ++column)
        widths << ShownColumnWidth(*AlarmColumnWidth(*FAlarms, column), least);
    return widths;
}

void TFrameAlarmEdit::ColumnResized(int column, int width)
{
    if (quint32* stored = AlarmColumnWidth(*FAlarms, column);
        stored && StoreColumnWidth(*stored, width, 0))
        Changed();
}

void TFrameAlarmEdit::ShowColumn(int column)
{
    gbxSetup->ShowColumn(FAlarms, column);
}
