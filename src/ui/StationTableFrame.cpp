#include "StationTableFrame.h"

#include "comm/StationReadNotifier.h"

TFrameStationTable::TFrameStationTable(const QString& objectName, int designHeight, QWidget* parent)
    : TFrameBase(objectName, designHeight, parent)
{
    connect(&StationReadNotifier(), &TKivStationReadNotifier::StationRead, this,
            [this](TKivStation* station) {
                if (FObject && station == Station())
                    StationRead();
            });
}

QString TFrameStationTable::FrameCaption() const
{
    const TKivPersistent* shown = Shown();
    return shown ? shown->GetCaption() : TFrameBase::FrameCaption();
}

bool TFrameStationTable::LoadObject()
{
    if (!TakeObject(FObject))
        return false;
    ShowObject();
    return true;
}

void TFrameStationTable::ObjectGone()
{
    ForgetObject();
    ObjectForgotten();
}
