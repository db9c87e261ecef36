#include "DataRecordEditFrame.h"

#include "ColumnSetupBox.h"
#include "DataRecordChart.h"
#include "TableGrid.h"
#include "editor/KivColumnSetup.h"
#include "reports/KivDataRecordChart.h"

#include <QButtonGroup>
#include <QChartView>
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

    btnTable = ViewButton("btnTable", true);
    btnChart = ViewButton("btnChart", false);
    FViews = new QButtonGroup(this);
    FViews->addButton(btnTable);
    FViews->addButton(btnChart);
    auto* views = new QHBoxLayout;
    views->setSpacing(2);
    views->addWidget(btnTable);
    views->addWidget(btnChart);
    views->addStretch(1);
    FContent->addLayout(views);
    FContent->addWidget(pcView, 1);

    gbxSetup = new TColumnSetupBox(TColumnSetupBox::Kind::DataRecord, gbxCaption);
    FContent->addWidget(gbxSetup);
    // The keyboard goes through the controls in the order they are seen: toggle, table or
    // chart, setup box.
    setTabOrder(btnTable, btnChart);
    setTabOrder(btnChart, sgDataRecord);
    setTabOrder(sgDataRecord, chtDataRecord->chvDataRecord);
    setTabOrder(chtDataRecord->chvDataRecord, chtDataRecord->btnResetZoom);
    setTabOrder(chtDataRecord->btnResetZoom, gbxSetup->edtTitle);
    connect(gbxSetup, &TColumnSetupBox::ColumnEdited, this, &TFrameDataRecordEdit::Refresh);
    connect(btnChart, &QToolButton::toggled, this, &TFrameDataRecordEdit::ShowChart);
}

QToolButton* TFrameDataRecordEdit::ViewButton(const char* name, bool checked)
{
    auto* button = new QToolButton(gbxCaption);
    button->setObjectName(QLatin1String(name));
    button->setCheckable(true);
    button->setChecked(checked);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

void TFrameDataRecordEdit::ShowChart(bool chart)
{
    (chart ? btnChart : btnTable)->setChecked(true);
    pcView->setCurrentWidget(chart ? static_cast<QWidget*>(chtDataRecord) : sgDataRecord);
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

void TFrameDataRecordEdit::Refreshed()
{
    chtDataRecord->chvDataRecord->setAccessibleName(FrameCaption());
    // The chart plots the log the grid shows, decoded when the chart is looked at.
    TKivTableModel* model = TableModel();
    chtDataRecord->SetSource([model] {
        const auto* table = dynamic_cast<const TKivDataRecordTable*>(model->Table());
        return table ? DataRecordChartData(*table) : TKivChartData();
    });
}
