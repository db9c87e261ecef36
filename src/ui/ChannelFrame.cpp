#include "ChannelFrame.h"

#include "FrameWidgets.h"
#include "LangUi.h"
#include "ReadOptionsBox.h"
#include "comm/KivSerial.h"
#include "editor/KivEditRules.h"
#include "editor/KivFileDialog.h"
#include "editor/KivProjectTree.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivChannel.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>

namespace
{

QComboBox* namedCombo(QWidget* parent, const char* name, bool editable = false)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(editable);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    combo->setMinimumContentsLength(8);
    if (editable)
        combo->setInsertPolicy(QComboBox::NoInsert);
    return combo;
}

QLineEdit* namedEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QWidget* page(QStackedWidget* pages, const char* name)
{
    auto* widget = new QWidget(pages);
    widget->setObjectName(QLatin1String(name));
    pages->addWidget(widget);
    return widget;
}

} // namespace

TFrameChannel::TFrameChannel(QWidget* parent)
    : TFrameBase(QStringLiteral("FrameChannel"), FrameHeight::ChannelOther, parent)
{
    cbxType = namedCombo(gbxCaption, "cbxType");
    pcEdit = new QStackedWidget(gbxCaption);
    pcEdit->setObjectName(QStringLiteral("pcEdit"));
    BuildUartPage();
    BuildInternetPage();
    BuildFilePage();
    actAddStation = FrameAction(this, "actAddStation");
    actDelChannel = FrameAction(this, "actDelChannel");

    auto* grid = new QGridLayout(gbxCaption);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    grid->addWidget(BuddyLabel(cbxType, gbxCaption, "lblType"), 0, 0);
    grid->addWidget(cbxType, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ActionButton(actAddStation, gbxCaption, "btnAddStation"));
    buttons->addWidget(ActionButton(actDelChannel, gbxCaption, "btnDelChannel"));
    grid->addLayout(buttons, 0, 2);
    grid->addWidget(pcEdit, 1, 0, 1, 3);
    // Made after the buttons, so the keyboard reaches it last.
    gbxReadOptions = new TReadOptionsBox(gbxCaption);
    grid->addWidget(gbxReadOptions, 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 1);

    connect(cbxType, &QComboBox::activated, this, &TFrameChannel::cbxTypeChange);
    connect(gbxReadOptions, &TReadOptionsBox::Edited, this, &TFrameChannel::Changed);
    connect(gbxReadOptions, &TReadOptionsBox::OpenChanged, this, &TFrameChannel::ApplyDesignHeight);
    connect(actAddStation, &QAction::triggered, this, &TFrameChannel::actAddStationExecute);
    connect(actDelChannel, &QAction::triggered, this, &TFrameChannel::actDelChannelExecute);
}

void TFrameChannel::BuildUartPage()
{
    tbsUart = page(pcEdit, "tbsUart");
    cbxUartPort = namedCombo(tbsUart, "cbxUartPort", true);
    cbxUartPort->setMinimumContentsLength(16);
    cbxBaudRate = namedCombo(tbsUart, "cbxBaudRate", true);
    cbxBaudRate->addItems({QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                           QStringLiteral("57600"), QStringLiteral("115200")});
    cbxDataBit = namedCombo(tbsUart, "cbxDataBit");
    cbxDataBit->setEnabled(false); // shows the stored code; Modbus RTU frames have 8 data bits
    cbxParity = namedCombo(tbsUart, "cbxParity");
    cbxStopBit = namedCombo(tbsUart, "cbxStopBit");

    auto* grid = new QGridLayout(tbsUart);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    const struct {
        QComboBox* combo;
        const char* label;
        int row;
        int column;
    } cells[] = {{cbxUartPort, "lblUartPort", 0, 0},
                 {cbxBaudRate, "lblBaudRate", 0, 2},
                 {cbxDataBit, "lblDataBit", 1, 0},
                 {cbxParity, "lblParity", 1, 2},
                 {cbxStopBit, "lblStopBit", 2, 0}};
    for (const auto& cell : cells) {
        grid->addWidget(BuddyLabel(cell.combo, tbsUart, cell.label), cell.row, cell.column);
        grid->addWidget(cell.combo, cell.row, cell.column + 1);
    }
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(3, 1);

    connect(cbxUartPort, &QComboBox::activated, this, &TFrameChannel::cbxUartPortChange);
    connect(cbxUartPort->lineEdit(), &QLineEdit::textEdited, this,
            &TFrameChannel::cbxUartPortChange);
    connect(cbxBaudRate, &QComboBox::activated, this, &TFrameChannel::cbxBaudRateChange);
    connect(cbxBaudRate->lineEdit(), &QLineEdit::textEdited, this,
            &TFrameChannel::cbxBaudRateChange);
    connect(cbxDataBit, &QComboBox::activated, this,
            [this] { LineCodeChange(cbxDataBit, &TKivChannel::DataBits); });
    connect(cbxParity, &QComboBox::activated, this,
            [this] { LineCodeChange(cbxParity, &TKivChannel::Parity); });
    connect(cbxStopBit, &QComboBox::activated, this,
            [this] { LineCodeChange(cbxStopBit, &TKivChannel::StopBit); });
}

void TFrameChannel::BuildInternetPage()
{
    tbsInternet = page(pcEdit, "tbsInternet");
    edtIp = namedEdit(tbsInternet, "edtIp");
    auto* row = new QHBoxLayout(tbsInternet);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(BuddyLabel(edtIp, tbsInternet, "lblIp"));
    row->addWidget(edtIp, 1);
    row->setAlignment(Qt::AlignTop);
    connect(edtIp, &QLineEdit::textEdited, this, &TFrameChannel::edtIpChange);
}

void TFrameChannel::BuildFilePage()
{
    tbsFile = page(pcEdit, "tbsFile");
    edtRegisterFileName = namedEdit(tbsFile, "edtRegisterFileName");
    btnOpen = new QToolButton(tbsFile);
    btnOpen->setObjectName(QStringLiteral("btnOpen"));
    btnOpen->setIcon(QIcon(QStringLiteral(":/icons/toolbar/open.svg")));
    btnOpen->setFocusPolicy(Qt::StrongFocus);
    auto* row = new QHBoxLayout(tbsFile);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(BuddyLabel(edtRegisterFileName, tbsFile, "lblRegisterFileName"));
    row->addWidget(edtRegisterFileName, 1);
    row->addWidget(btnOpen);
    row->setAlignment(Qt::AlignTop);
    connect(edtRegisterFileName, &QLineEdit::textEdited, this,
            &TFrameChannel::edtRegisterFileNameChange);
    connect(btnOpen, &QToolButton::clicked, this, &TFrameChannel::btnOpenClick);
}

QString TFrameChannel::FrameCaption() const
{
    return FChannel ? FChannel->GetCaption() : TFrameBase::FrameCaption();
}

bool TFrameChannel::LoadObject()
{
    auto* channel = dynamic_cast<TKivChannel*>(FObject);
    if (!channel)
        return false;
    FChannel = channel;
    // Options set once stay in sight; the box of a channel on the defaults keeps its state.
    if (!channel->ReadOptions.IsDefault())
        gbxReadOptions->SetOpen(true);
    FillComboWithValues(cbxType, StrId::ChannelTypeList, channel->Type);
    cbxType->setEnabled(CanChangeChannelType(*channel));
    cbxTypeChange();
    return true;
}

void TFrameChannel::Update()
{
    TFrameBase::Update();
    actAddStation->setEnabled(CanAddStation(FChannel));
}

void TFrameChannel::cbxTypeChange()
{
    if (!FChannel)
        return;
    // A stored type the list does not know stays as it is rather than becoming -1.
    if (const int type = ComboValue(cbxType); type != -1)
        FChannel->Type = type;
    switch (FChannel->Type) {
    case TKivChannel::TypeUart: {
        ShowStackPage(pcEdit, tbsUart);
        QStringList entries;
        FillPortList(entries, QString());
        entries.sort(Qt::CaseInsensitive);
        cbxUartPort->clear();
        cbxUartPort->addItems(entries);
        cbxUartPort->setEditText(FindPortEntry(FChannel->UartPort, entries));
        cbxBaudRate->setEditText(QString::number(FChannel->Baudrate));
        FillComboWithValues(cbxDataBit, StrId::DataBitsList, FChannel->DataBits);
        FillComboWithValues(cbxParity, StrId::ParityList, FChannel->Parity);
        FillComboWithValues(cbxStopBit, StrId::StopBitsList, FChannel->StopBit);
        break;
    }
    case TKivChannel::TypeInternet:
        ShowStackPage(pcEdit, tbsInternet);
        edtIp->setText(FChannel->Ip);
        break;
    case TKivChannel::TypeRegisterFile:
        ShowStackPage(pcEdit, tbsFile);
        edtRegisterFileName->setText(FChannel->RegisterFileName);
        break;
    default:
        break;
    }
    if (FChannel->Node)
        FChannel->Node->SetImageIndex(ChannelImageIndex(FChannel->Type));
    ShowReadOptions();
    ApplyDesignHeight();
    Changed();
}

void TFrameChannel::ShowReadOptions()
{
    gbxReadOptions->setVisible(ShowsReadOptions(FChannel->Type));
    gbxReadOptions->Load(&FChannel->ReadOptions, InFlightApplies(FChannel->Type));
}

void TFrameChannel::ApplyDesignHeight()
{
    if (!FChannel)
        return;
    FDesignHeight = ChannelDesignHeight(FChannel->Type, gbxReadOptions->IsOpen());
    pcEdit->setVisible(FDesignHeight > FrameHeight::ChannelFixedPart);
    // The host asks for the frame's minimum size next: it must count the page and the box as
    // they are now, not as the next layout pass would find them.
    gbxReadOptions->layout()->activate();
    gbxCaption->layout()->activate();
    layout()->activate();
    if (TFrameHost* host = FrameHost())
        host->FrameHeightChanged(this);
}

void TFrameChannel::ObjectGone()
{
    FChannel = nullptr;
    gbxReadOptions->Load(nullptr, false);
}

void TFrameChannel::cbxUartPortChange()
{
    if (!FChannel)
        return;
    FChannel->UartPort = BarePortName(cbxUartPort->currentText());
    Changed();
}

void TFrameChannel::cbxBaudRateChange()
{
    if (!FChannel)
        return;
    FChannel->Baudrate = BaudRateFromText(cbxBaudRate->currentText());
    Changed();
}

void TFrameChannel::LineCodeChange(QComboBox* combo, qint32 TKivChannel::*field)
{
    if (!FChannel)
        return;
    FChannel->*field = ComboValue(combo);
    Changed();
}

void TFrameChannel::edtIpChange()
{
    if (!FChannel)
        return;
    FChannel->Ip = edtIp->text();
    Changed();
}

void TFrameChannel::edtRegisterFileNameChange()
{
    if (!FChannel)
        return;
    FChannel->RegisterFileName = edtRegisterFileName->text();
    Changed();
}

void TFrameChannel::btnOpenClick()
{
    if (!FChannel)
        return;
    TKivFileDialogRequest request;
    request.Filter =
        FileDialogFilter(GetLangString(StrId::RegisterFileCaption), QStringLiteral("*.bin"));
    request.DefaultExt = QStringLiteral(".bin");
    const QString chosen = PromptFileName(request);
    if (chosen.isEmpty())
        return;
    edtRegisterFileName->setText(chosen);
    edtRegisterFileNameChange();
}

void TFrameChannel::actAddStationExecute()
{
    if (!CanAddStation(FChannel))
        return;
    auto* station = new TKivStation(FChannel);
    AddChildNodes(FChannel->Node, StationTreeEntries(*station), true);
    Changed();
}

void TFrameChannel::actDelChannelExecute()
{
    if (TKivChannel* channel = FChannel)
        DeleteShownObject([channel] { delete channel; });
}
