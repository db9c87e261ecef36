#include "UiResources.h"

#include <QtGlobal>

static void initIcons()
{
    Q_INIT_RESOURCE(Icons);
}

void InitUiResources()
{
    static const bool done = (initIcons(), true);
    Q_UNUSED(done);
}
