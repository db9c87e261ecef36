#pragma once

#include "FrameBase.h"

class QAction;
class QComboBox;
class QLineEdit;
class QStackedWidget;
class QToolButton;
class TKivChannel;
class TReadOptionsBox;

// A channel's settings in the bottom panel: its type, and on the page of that type the serial
// line, the device address or the register file; below them the advanced box of read options
// (not for a register file); Add station and Delete channel.
class TFrameChannel : public TFrameBase
{
    Q_OBJECT

public:
    explicit TFrameChannel(QWidget* parent = nullptr);

    QString FrameCaption() const override;
    bool LoadObject() override;
    void Update() override;

    QComboBox* cbxType;
    QStackedWidget* pcEdit;
    QWidget* tbsUart;
    QWidget* tbsInternet;
    QWidget* tbsFile;
    QComboBox* cbxUartPort;
    QComboBox* cbxBaudRate;
    QComboBox* cbxDataBit;
    QComboBox* cbxParity;
    QComboBox* cbxStopBit;
    QLineEdit* edtIp;
    QLineEdit* edtRegisterFileName;
    QToolButton* btnOpen;
    TReadOptionsBox* gbxReadOptions;
    QAction* actAddStation;
    QAction* actDelChannel;

    TKivChannel* Channel() const { return FChannel; }

protected:
    void ObjectGone() override;

private:
    void BuildUartPage();
    void BuildInternetPage();
    void BuildFilePage();
    void cbxTypeChange();
    void cbxUartPortChange();
    void cbxBaudRateChange();
    void LineCodeChange(QComboBox* combo, qint32 TKivChannel::*field);
    void edtIpChange();
    void edtRegisterFileNameChange();
    void btnOpenClick();
    void ShowReadOptions();
    void ApplyDesignHeight();
    void actAddStationExecute();
    void actDelChannelExecute();

    TKivChannel* FChannel = nullptr;
};
