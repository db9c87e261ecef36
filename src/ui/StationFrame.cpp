#include "StationFrame.h"

#include "FrameWidgets.h"
#include "KivFileDialog.h"
#include "LangUi.h"
#include "comm/ReadStation.h"
#include "editor/KivEditRules.h"
#include "editor/KivProjectTree.h"
#include "history/HistoryRecorder.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivChannel.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

TFrameStation::TFrameStation(QWidget* parent)
    : TFrameBase(QStringLiteral("FrameStation"), FrameHeight::Station, parent)
{
    cbxStationNum = new QComboBox(gbxCaption);
    cbxStationNum->setObjectName(QStringLiteral("cbxStationNum"));
    cbxStationNum->setMaxVisibleItems(16);
    cbxScheduleTime = new QComboBox(gbxCaption);
    cbxScheduleTime->setObjectName(QStringLiteral("cbxScheduleTime"));
    cbxScheduleTime->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lblStationNum = BuddyLabel(cbxStationNum, gbxCaption, "lblStationNum");
    lblScheduleTime = BuddyLabel(cbxScheduleTime, gbxCaption, "lblScheduleTime");
    actImportDefine = FrameAction(this, "actImportDefine");
    actDeleteStation = FrameAction(this, "actDeleteStation");
    actReadStation = FrameAction(this, "actReadStation");

    // The number and the interval share the first row (the number only on a serial line);
    // the commands sit below them on the right.
    auto* column = new QVBoxLayout(gbxCaption);
    column->setContentsMargins(6, 4, 6, 6);
    auto* fields = new QHBoxLayout;
    fields->setSpacing(8);
    fields->addWidget(lblStationNum);
    fields->addWidget(cbxStationNum);
    fields->addWidget(lblScheduleTime);
    fields->addWidget(cbxScheduleTime);
    fields->addStretch(1);
    column->addLayout(fields);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ActionButton(actImportDefine, gbxCaption, "btnImportDefine"));
    buttons->addWidget(ActionButton(actDeleteStation, gbxCaption, "btnDeleteStation"));
    btnReadStation = ActionButton(actReadStation, gbxCaption, "btnReadStation");
    buttons->addWidget(btnReadStation);
    column->addLayout(buttons);
    column->addStretch(1);

    connect(cbxStationNum, &QComboBox::activated, this, &TFrameStation::cbxStationNumChange);
    connect(cbxScheduleTime, &QComboBox::activated, this, &TFrameStation::cbxScheduleTimeChange);
    connect(actImportDefine, &QAction::triggered, this, &TFrameStation::actImportDefineExecute);
    connect(actDeleteStation, &QAction::triggered, this, &TFrameStation::actDeleteStationExecute);
    connect(actReadStation, &QAction::triggered, this, &TFrameStation::actReadStationExecute);
}

QString TFrameStation::FrameCaption() const
{
    return FStation ? FStation->GetCaption() : TFrameBase::FrameCaption();
}

bool TFrameStation::LoadObject()
{
    auto* station = dynamic_cast<TKivStation*>(FObject);
    if (!station)
        return false;
    FStation = station;
    const bool numbered = ShowsStationNumber(*station);
    lblStationNum->setVisible(numbered);
    cbxStationNum->setVisible(numbered);
    if (numbered) {
        cbxStationNum->clear();
        for (quint32 number : StationNumberChoices(*station))
            cbxStationNum->addItem(QString::number(number), number);
        cbxStationNum->setCurrentIndex(0);
    }
    FillComboWithValues(cbxScheduleTime, StrId::ScheduleIntervalList, int(station->ScheduleTime));
    return true;
}

void TFrameStation::Update()
{
    TFrameBase::Update();
    actReadStation->setEnabled(CanReadStation(FStation));
}

void TFrameStation::cbxStationNumChange()
{
    if (!FStation || cbxStationNum->currentIndex() < 0)
        return;
    FStation->StationNum = cbxStationNum->currentData().toUInt();
    Changed();
}

void TFrameStation::cbxScheduleTimeChange()
{
    if (!FStation)
        return;
    const int seconds = ComboValue(cbxScheduleTime);
    if (seconds < 0)
        return;
    FStation->ScheduleTime = quint32(seconds);
    Changed();
}

void TFrameStation::actImportDefineExecute()
{
    if (!FStation)
        return;
    TKivFileDialogRequest request;
    request.Filter =
        FileDialogFilter(GetLangString(StrId::FileFilterDefine), QStringLiteral("*.def"));
    request.DefaultExt = QStringLiteral(".def");
    const QString chosen = PromptFileName(request);
    if (chosen.isEmpty())
        return;
    QString error;
    if (!FStation->ImportDefine(chosen, &error)) {
        // Nothing changed; say why instead of leaving the user guessing.
        ShowTextMessage(error, StrId::ImportDefineFailedCaption, KivMsg::IconWarning);
        return;
    }
    QList<TKivTreeEntry> entries = StationTreeEntries(*FStation);
    entries.removeFirst(); // the station's own node is there already
    for (TKivTreeEntry& entry : entries)
        entry.Depth -= 1;
    AddChildNodes(FStation->Node, entries, false);
    Changed();
}

void TFrameStation::actDeleteStationExecute()
{
    if (TKivStation* station = FStation)
        DeleteShownObject([station] { delete station; });
}

void TFrameStation::actReadStationExecute()
{
    if (!CanReadStation(FStation))
        return;
    const QString projectFile = FrameHost() ? FrameHost()->ProjectFileName() : QString();
    if (ReadStation(*FStation, false, projectFile))
        ShowHistoryNotice(*FStation);
    Changed();
}
