#include "AlarmEditFrame.h"

#include "AlarmSetupBox.h"
#include "FrameWidgets.h"
#include "StoredHistory.h"
#include "TableGrid.h"
#include "editor/KivColumnSetup.h"
#include "history/HistoryAlarmTable.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "reports/KivUtil.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{
constexpr int MessageColumn = 2;
constexpr int AlarmColumns = 3;

// The stored lines' columns: alarm number, start, end, duration, message.
constexpr int StoredStartColumn = 1;
constexpr int StoredEndColumn = 2;
constexpr int StoredMessageColumn = 4;
constexpr Qt::Alignment ValueAlignment = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment TextAlignment = Qt::AlignLeft | Qt::AlignVCenter;

// The alarm definition's column (as the setup box knows them) shown in a stored column.
int DefinitionColumn(int storedColumn)
{
    switch (storedColumn) {
    case StoredStartColumn:
        return 0;
    case StoredEndColumn:
        return 1;
    case StoredMessageColumn:
        return MessageColumn;
    default:
        return -1;
    }
}
} // namespace

TFrameAlarmEdit::TFrameAlarmEdit(QWidget* parent)
    : TFrameTableEditOf(QStringLiteral("FrameAlarmEdit"), QStringLiteral("sgAlarms"), parent)
{
    sgAlarms = FGrid;
    // Times read like the numbers of the other grids; a message reads like a sentence.
    TableModel()->SetColumnAlignment(MessageColumn, TextAlignment);

    btnAsRead = ViewButton(gbxCaption, "btnAsRead", true);
    btnStored = ViewButton(gbxCaption, "btnStored", false);
    FViews = new QButtonGroup(this);
    FViews->addButton(btnAsRead);
    FViews->addButton(btnStored);
    lblStored = NamedWidget<QLabel>(gbxCaption, "lblStored");
    lblStored->setWordWrap(true);
    lblStored->hide();
    auto* views = new QHBoxLayout;
    views->setSpacing(2);
    views->addWidget(btnAsRead);
    views->addWidget(btnStored);
    views->addSpacing(12);
    views->addWidget(lblStored, 1);
    FContent->insertLayout(0, views);

    gbxSetup = new TAlarmSetupBox(gbxCaption);
    FContent->addWidget(gbxSetup);
    setTabOrder(btnAsRead, btnStored);
    setTabOrder(btnStored, sgAlarms);
    connect(gbxSetup, &TAlarmSetupBox::ColumnEdited, this, &TFrameAlarmEdit::Refresh);
    connect(btnStored, &QToolButton::toggled, this, &TFrameAlarmEdit::ShowStored);

    FHistory = new TStoredHistory(this);
    // Every recording closes the store the stored lines are read from (TStoredHistory), also
    // one of another station: the lines shown are read again from the store opened anew.
    connect(FHistory, &TStoredHistory::Recorded, this, [this] {
        if (FStored && FShown)
            Refresh(false);
    });
}

void TFrameAlarmEdit::ShowStored(bool stored)
{
    (stored ? btnStored : btnAsRead)->setChecked(true);
    if (stored == FStored)
        return;
    FStored = stored;
    TableModel()->SetColumnAlignment(MessageColumn, stored ? ValueAlignment : TextAlignment);
    TableModel()->SetColumnAlignment(StoredMessageColumn, stored ? TextAlignment : ValueAlignment);
    if (FShown)
        ShowObject();
}

std::unique_ptr<TKivDecodedTable> TFrameAlarmEdit::DecodeTable() const
{
    return FStored ? StoredTable() : TFrameTableEditOf::DecodeTable();
}

std::unique_ptr<TKivDecodedTable> TFrameAlarmEdit::StoredTable() const
{
    const QString key = Station()->StationKey;
    try {
        auto table = std::make_unique<THistoryAlarmTable>(FHistory->Store(), key, *FShown);
        FStoredText = table->RowCount() > 0
                          ? FormatTemplate(GetLangString(StrId::StoredAlarmCount),
                                           {QLocale().toString(table->RowCount())})
                          : GetLangString(StrId::NoStoredAlarms);
        return table;
    } catch (const THistoryError& error) {
        FStoredText = TStoredHistory::FailureText(error);
        return std::make_unique<THistoryAlarmTable>(nullptr, key, *FShown);
    }
}

void TFrameAlarmEdit::Refreshed()
{
    lblStored->setVisible(FStored);
    lblStored->setText(FStored ? FStoredText : QString());
}

QList<int> TFrameAlarmEdit::ShownColumnWidths() const
{
    QList<int> widths;
    // The stored widths have no minimum; on screen a column keeps the header's least width so
    // it can still be found and dragged wider.
    const int least = sgAlarms->horizontalHeader()->minimumSectionSize();
    if (FStored && FShown) {
        // Stored times carry their dates; their columns are as wide as such a time.
        const QFontMetrics metrics = sgAlarms->fontMetrics();
        const int time = metrics.horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 12;
        const int number = metrics.horizontalAdvance(QStringLiteral("000000")) + 12;
        const int message = ShownColumnWidth(*AlarmColumnWidth(*FShown, MessageColumn), least);
        return {number, time, time, number + metrics.horizontalAdvance(QStringLiteral("00:00")),
                message};
    }
    for (int column = 0; FShown && column < AlarmColumns; ++column)
        widths << ShownColumnWidth(*AlarmColumnWidth(*FShown, column), least);
    return widths;
}

void TFrameAlarmEdit::ColumnResized(int column, int width)
{
    // The stored lines' columns are not the definition's: their widths are not kept.
    if (FStored)
        return;
    if (quint32* stored = AlarmColumnWidth(*FShown, column);
        stored && StoreColumnWidth(*stored, width, 0))
        Changed();
}

void TFrameAlarmEdit::ShowColumn(int column)
{
    if (FStored && DefinitionColumn(column) < 0)
        gbxSetup->ShowColumn(nullptr, -1);
    else
        gbxSetup->ShowColumn(FShown, FStored ? DefinitionColumn(column) : column);
}
