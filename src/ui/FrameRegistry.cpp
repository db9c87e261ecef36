#include "FrameRegistry.h"

#include "ChannelFrame.h"
#include "FrameBase.h"
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
    // The settings frames of the project, a channel and a station. The definition editors and
    // result frames register here too.
    RegisterFrameClass<TFrameTamsor>(QStringLiteral("TFrameTamsor"));
    RegisterFrameClass<TFrameChannel>(QStringLiteral("TFrameChannel"));
    RegisterFrameClass<TFrameStation>(QStringLiteral("TFrameStation"));
}
