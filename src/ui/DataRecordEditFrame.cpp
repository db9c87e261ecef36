#include "DataRecordEditFrame.h"

#include "ColumnSetupBox.h"
#include "DataRecordChart.h"
#include "TableGrid.h"
#include "editor/KivColumnSetup.h"
#include "model/KivChannel.h"
#include "reports/KivDataRecordChart.h"
#include "reports/KivDataRecordDecoder.h"

#include <QButtonGroup>
#include <QChartView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

TFrameDataRecordEdit::TFrameDataRecordEdit(QWidget* parent)
    : TFrameTableEdit(QStringLiteral("FrameDataRecordEdit"), QStringLiteral("sgDataRecord"), parent)
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

bool TFrameDataRecordEdit::TakeObject(TKivPersistent* object)
{
    FDataRecord = dynamic_cast<TKivDataRecord*>(object);
    return FDataRecord != nullptr;
}

const TKivPersistent* TFrameDataRecordEdit::Shown() const
{
    return FDataRecord;
}

TKivStation* TFrameDataRecordEdit::Station() const
{
    return FDataRecord ? FDataRecord->Station() : nullptr;
}

std::unique_ptr<TKivDecodedTable> TFrameDataRecordEdit::DecodeTable() const
{
    const TKivStation* station = Station();
    return std::make_unique<TKivDataRecordTable>(*FDataRecord, station->RegisterImage,
                                                 station->UpdateTime);
}

QList<int> TFrameDataRecordEdit::ShownColumnWidths() const
{
    QList<int> widths;
    if (FDataRecord)
        for (const TKivDataRecordItem* item : *FDataRecord->DataRecordItems)
            widths << ShownColumnWidth(item->Width, MinimumColumnWidth);
    return widths;
}

void TFrameDataRecordEdit::ColumnResized(int column, int width)
{
    // Kept in the definition, but not a change the project is saved for.
    if (column < FDataRecord->DataRecordItems->Count())
        StoreColumnWidth(FDataRecord->DataRecordItems->Items(column)->Width, width,
                         MinimumColumnWidth);
}

void TFrameDataRecordEdit::ShowColumn(int column)
{
    const bool valid = FDataRecord && column >= 0 && column < FDataRecord->DataRecordItems->Count();
    gbxSetup->ShowColumn(valid ? FDataRecord->DataRecordItems->Items(column) : nullptr);
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
