#include "TamsorFrame.h"

#include "FrameWidgets.h"
#include "comm/KivSerial.h"
#include "editor/KivEditRules.h"
#include "editor/KivProjectTree.h"
#include "model/KivTamsor.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

TFrameTamsor::TFrameTamsor(QWidget* parent)
    : TFrameBase(QStringLiteral("FrameTamsor"), FrameHeight::Project, parent)
{
    edtTitle = new QLineEdit(gbxCaption);
    edtTitle->setObjectName(QStringLiteral("edtTitle"));
    moDescription = new QPlainTextEdit(gbxCaption);
    moDescription->setObjectName(QStringLiteral("moDescription"));
    moDescription->setLineWrapMode(QPlainTextEdit::NoWrap);
    moDescription->setTabChangesFocus(true);
    edtHistory = NamedWidget<QLineEdit>(gbxCaption, "edtHistory");
    cbxHistory = NamedWidget<QCheckBox>(gbxCaption, "cbxHistory");
    actAddChannel = FrameAction(this, "actAddChannel");

    auto* grid = new QGridLayout(gbxCaption);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->setVerticalSpacing(4);
    grid->addWidget(BuddyLabel(edtTitle, gbxCaption, "lblTitle"), 0, 0);
    grid->addWidget(edtTitle, 0, 1);
    grid->addWidget(ActionButton(actAddChannel, gbxCaption, "btnAddChannel"), 0, 2);
    grid->addWidget(BuddyLabel(moDescription, gbxCaption, "lblDescription"), 1, 0, Qt::AlignTop);
    grid->addWidget(moDescription, 1, 1, 1, 2);
    grid->addWidget(BuddyLabel(edtHistory, gbxCaption, "lblHistory"), 2, 0);
    grid->addWidget(edtHistory, 2, 1);
    grid->addWidget(cbxHistory, 2, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

    connect(edtTitle, &QLineEdit::textEdited, this, &TFrameTamsor::edtTitleChange);
    connect(moDescription, &QPlainTextEdit::textChanged, this, &TFrameTamsor::moDescriptionChange);
    connect(edtHistory, &QLineEdit::textEdited, this, &TFrameTamsor::edtHistoryChange);
    connect(cbxHistory, &QCheckBox::clicked, this, &TFrameTamsor::cbxHistoryClick);
    connect(actAddChannel, &QAction::triggered, this, &TFrameTamsor::actAddChannelExecute);
}

QString TFrameTamsor::FrameCaption() const
{
    return FProjectRoot ? FProjectRoot->GetCaption() : TFrameBase::FrameCaption();
}

bool TFrameTamsor::LoadObject()
{
    auto* root = dynamic_cast<TKivTamsor*>(FObject);
    if (!root)
        return false;
    FProjectRoot = root;
    edtTitle->setText(root->Title);
    moDescription->setPlainText(root->Description);
    edtHistory->setText(root->HistoryFile);
    edtHistory->setEnabled(!root->HistoryOff);
    cbxHistory->setChecked(!root->HistoryOff);
    return true;
}

void TFrameTamsor::edtTitleChange()
{
    if (!FProjectRoot)
        return;
    FProjectRoot->Title = edtTitle->text();
    Changed();
}

void TFrameTamsor::moDescriptionChange()
{
    if (!FProjectRoot || FLoading)
        return;
    FProjectRoot->Description = moDescription->toPlainText();
    Changed();
}

void TFrameTamsor::edtHistoryChange()
{
    if (!FProjectRoot)
        return;
    FProjectRoot->HistoryFile = edtHistory->text().trimmed();
    Changed();
}

void TFrameTamsor::cbxHistoryClick()
{
    if (!FProjectRoot)
        return;
    FProjectRoot->HistoryOff = !cbxHistory->isChecked();
    edtHistory->setEnabled(!FProjectRoot->HistoryOff);
    Changed();
}

void TFrameTamsor::actAddChannelExecute()
{
    if (!FProjectRoot)
        return;
    QStringList usedPorts;
    for (const TKivChannel* channel : *FProjectRoot->Channels)
        if (channel->Type == TKivChannel::TypeUart)
            usedPorts << channel->UartPort;
    const QString port = FirstFreePort(usedPorts);
    auto* channel = new TKivChannel(FProjectRoot->Channels.get());
    if (channel->Type == TKivChannel::TypeUart && channel->UartPort.isEmpty())
        channel->UartPort = port;
    AddChildNodes(FNode, ChannelTreeEntries(*channel), true);
    Changed();
}
