#pragma once

#include "ResultFrame.h"
#include "model/KivDefinitions.h"

// The result frame of a station's alarm history: when its station was last read, and Export.
class TFrameAlarm : public TFrameResultOf<TKivAlarms>
{
    Q_OBJECT

public:
    explicit TFrameAlarm(QWidget* parent = nullptr)
        : TFrameResultOf(QStringLiteral("FrameAlarm"), parent)
    {
    }
};
