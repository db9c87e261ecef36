#include "DataRecordEditFrame.h"

#include "ColumnSetupBox.h"
#include "DataRecordChart.h"
#include "FrameWidgets.h"
#include "LangUi.h"
#include "StoredHistory.h"
#include "TableGrid.h"
#include "editor/KivColumnSetup.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "reports/KivDataRecordChart.h"

#include <QButtonGroup>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

TFrameDataRecordEdit::TFrameDataRecordEdit(QWidget* parent)
    : TFrameTableEditOf(QStringLiteral("FrameDataRecordEdit"), QStringLiteral("sgDataRecord"),
                        parent)
{
    sgDataRecord = FGrid;
    sgDataRecord->SetMinimumColumnWidth(MinimumColumnWidth);
    chtDataRecord = new TDataRecordChart(gbxCaption);
    chtDataRecord->setObjectName(QStringLiteral("chtDataRecord"));
    pcView = new QStackedWidget(gbxCaption);
    pcView->setObjectName(QStringLiteral("pcView"));
    FContent->removeWidget(sgDataRecord);
    pcView->addWidget(sgDataRecord);
    pcView->addWidget(chtDataRecord);

    btnTable = ViewButton(gbxCaption, "btnTable", true);
    btnChart = ViewButton(gbxCaption, "btnChart", false);
    FViews = new QButtonGroup(this);
    FViews->addButton(btnTable);
    FViews->addButton(btnChart);
    cbxRange = NamedWidget<QComboBox>(gbxCaption, "cbxRange");
    cbxRange->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cbxRange->setEnabled(false);
    lblRange = BuddyLabel(cbxRange, gbxCaption, "lblRange");
    FillRanges();
    auto* views = new QHBoxLayout;
    views->setSpacing(2);
    views->addWidget(btnTable);
    views->addWidget(btnChart);
    views->addSpacing(12);
    views->addWidget(lblRange);
    views->addSpacing(4);
    views->addWidget(cbxRange);
    views->addStretch(1);
    FContent->addLayout(views);
    FContent->addWidget(pcView, 1);

    gbxSetup = new TColumnSetupBox(TColumnSetupBox::Kind::DataRecord, gbxCaption);
    FContent->addWidget(gbxSetup);
    // The keyboard goes through the controls in the order they are seen: toggle, table or
    // chart, setup box.
    setTabOrder(btnTable, btnChart);
    setTabOrder(btnChart, cbxRange);
    setTabOrder(cbxRange, sgDataRecord);
    setTabOrder(sgDataRecord, chtDataRecord->chvDataRecord);
    setTabOrder(chtDataRecord->chvDataRecord, chtDataRecord->btnResetZoom);
    setTabOrder(chtDataRecord->btnResetZoom, gbxSetup->edtTitle);
    connect(gbxSetup, &TColumnSetupBox::ColumnEdited, this, &TFrameDataRecordEdit::Refresh);
    connect(btnChart, &QToolButton::toggled, this, &TFrameDataRecordEdit::ShowChart);
    connect(cbxRange, &QComboBox::activated, this, [this] { Refreshed(); });

    FHistory = new TStoredHistory(this);
    connect(FHistory, &TStoredHistory::Recorded, this, [this](TKivStation* station) {
        if (station == Station() && Range() != THistoryRange::Ring)
            Refreshed();
    });
}

void TFrameDataRecordEdit::ShowChart(bool chart)
{
    (chart ? btnChart : btnTable)->setChecked(true);
    pcView->setCurrentWidget(chart ? static_cast<QWidget*>(chtDataRecord) : sgDataRecord);
    // The range is the chart's; the grid always shows the ring as read.
    cbxRange->setEnabled(chart);
}

void TFrameDataRecordEdit::ShowRange(THistoryRange range)
{
    cbxRange->setCurrentIndex(int(range));
    Refreshed();
}

THistoryRange TFrameDataRecordEdit::Range() const
{
    return THistoryRange(std::max(cbxRange->currentIndex(), 0));
}

void TFrameDataRecordEdit::FillRanges()
{
    const int range = int(Range());
    FillComboFromLang(cbxRange, StrId::HistoryRangeList);
    cbxRange->setCurrentIndex(std::min(range, cbxRange->count() - 1));
}

QList<int> TFrameDataRecordEdit::ShownColumnWidths() const
{
    return FShown ? ShownColumnWidthsOf(*FShown->DataRecordItems) : QList<int>();
}

void TFrameDataRecordEdit::ColumnResized(int column, int width)
{
    // Kept in the definition, but not a change the project is saved for.
    if (TKivDataRecordItem* item = FShown->DataRecordItems->Items(column))
        StoreColumnWidth(item->Width, width, MinimumColumnWidth);
}

void TFrameDataRecordEdit::ShowColumn(int column)
{
    gbxSetup->ShowColumn(FShown ? FShown->DataRecordItems->Items(column) : nullptr);
}

void TFrameDataRecordEdit::ShowObject()
{
    // The range texts follow the language, which re-shows the object.
    FillRanges();
    TFrameTableEdit::ShowObject();
}

void TFrameDataRecordEdit::Refreshed()
{
    chtDataRecord->chvDataRecord->setAccessibleName(FrameCaption());
    const THistoryRange range = Range();
    if (range != THistoryRange::Ring) {
        chtDataRecord->SetSource(
            [this, record = FShown, range] { return StoredChartData(record, range); });
        return;
    }
    // The chart plots the log the grid shows, decoded when the chart is looked at.
    TKivTableModel* model = TableModel();
    chtDataRecord->SetSource([model] {
        const auto* table = dynamic_cast<const TKivDataRecordTable*>(model->Table());
        return table ? DataRecordChartData(*table) : TKivChartData();
    });
}

TKivChartData TFrameDataRecordEdit::StoredChartData(const TKivDataRecord* record,
                                                    THistoryRange range)
{
    TKivChartData data;
    const TKivStation* station = record ? record->Station() : nullptr;
    if (!station)
        return data;
    // Two points per pixel of the chart, four times over: zoomed in that far the lines still
    // show every turn the stored entries take.
    const int buckets = 4 * std::max(200, chtDataRecord->width());
    try {
        if (const THistoryStore* store = FHistory->Store())
            data = HistoryChartData(*store, station->StationKey, *record, range, buckets);
    } catch (const THistoryError& error) {
        data.Series.clear();
        data.Empty = TStoredHistory::FailureText(error);
        return data;
    }
    if (data.Series.isEmpty())
        data.Empty = GetLangString(StrId::NoStoredLogHistory);
    return data;
}
