#pragma once

#include "FrameBase.h"

class QAction;
class QComboBox;
class QLabel;
class QToolButton;
class TKivStation;

// A station's settings in the bottom panel: its number on a serial line and its schedule
// interval; Import define, Delete station and Read station.
class TFrameStation : public TFrameBase
{
    Q_OBJECT

public:
    explicit TFrameStation(QWidget* parent = nullptr);

    QString FrameCaption() const override;
    bool LoadObject() override;
    void Update() override;

    QLabel* lblStationNum;
    QComboBox* cbxStationNum;
    QLabel* lblScheduleTime;
    QComboBox* cbxScheduleTime;
    QAction* actImportDefine;
    QAction* actDeleteStation;
    QAction* actReadStation;
    QToolButton* btnReadStation;

    TKivStation* Station() const { return FStation; }

protected:
    void ObjectGone() override { FStation = nullptr; }

private:
    void cbxStationNumChange();
    void cbxScheduleTimeChange();
    void actImportDefineExecute();
    void actDeleteStationExecute();
    void actReadStationExecute();

    TKivStation* FStation = nullptr;
};
