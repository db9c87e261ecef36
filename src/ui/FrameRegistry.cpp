#include "FrameRegistry.h"

#include "AlarmEditFrame.h"
#include "ChannelFrame.h"
#include "DataRecordEditFrame.h"
#include "FrameBase.h"
#include "RecipeEditFrame.h"
#include "ResultFrame.h"
#include "StationFrame.h"
#include "TamsorFrame.h"
#include "WidgetNames.h"
#include "lang/KivLangApply.h"

#include <QHash>

namespace
{

QHash<QString, TFrameFactory>& factories()
{
    static QHash<QString, TFrameFactory> table;
    return table;
}

} // namespace

void RegisterFrameClass(const QString& className, TFrameFactory factory)
{
    factories().insert(className, std::move(factory));
}

bool IsFrameClassRegistered(const QString& className)
{
    return factories().contains(className);
}

TFrameBase* CreateFrame(const QString& className)
{
    const auto found = factories().constFind(className);
    if (found == factories().constEnd() || !*found)
        return nullptr;
    TFrameBase* frame = (*found)();
    ApplyLanguage(frame);
    NameFromLabels(frame);
    return frame;
}

void RegisterFrameClasses()
{
    // The settings frames of the project, a channel and a station.
    RegisterFrameClass<TFrameTamsor>(QStringLiteral("TFrameTamsor"));
    RegisterFrameClass<TFrameChannel>(QStringLiteral("TFrameChannel"));
    RegisterFrameClass<TFrameStation>(QStringLiteral("TFrameStation"));
    // The definition editors in the centre and the result frames below them.
    RegisterFrameClass<TFrameRecipeEdit>(QStringLiteral("TFrameRecipeEdit"));
    RegisterFrameClass<TFrameDataRecordEdit>(QStringLiteral("TFrameDataRecordEdit"));
    RegisterFrameClass<TFrameAlarmEdit>(QStringLiteral("TFrameAlarmEdit"));
    RegisterFrameClass<TFrameRecipe>(QStringLiteral("TFrameRecipe"));
    RegisterFrameClass<TFrameDataRecord>(QStringLiteral("TFrameDataRecord"));
    RegisterFrameClass<TFrameAlarm>(QStringLiteral("TFrameAlarm"));
}
