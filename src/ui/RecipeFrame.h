#pragma once

#include "ResultFrame.h"
#include "model/KivDefinitions.h"

// The result frame of a recipe: when its station was last read, and Export.
class TFrameRecipe : public TFrameResultOf<TKivRecipe>
{
    Q_OBJECT

public:
    explicit TFrameRecipe(QWidget* parent = nullptr)
        : TFrameResultOf(QStringLiteral("FrameRecipe"), parent)
    {
    }
};
