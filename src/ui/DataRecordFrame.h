#pragma once

#include "ResultFrame.h"
#include "model/KivDefinitions.h"

// The result frame of a data record: when its station was last read, and Export.
class TFrameDataRecord : public TFrameResultOf<TKivDataRecord>
{
    Q_OBJECT

public:
    explicit TFrameDataRecord(QWidget* parent = nullptr)
        : TFrameResultOf(QStringLiteral("FrameDataRecord"), parent)
    {
    }
};
