#include "StationReadNotifier.h"

TKivStationReadNotifier& StationReadNotifier()
{
    static TKivStationReadNotifier notifier;
    return notifier;
}

void NotifyStationRead(TKivStation& station)
{
    emit StationReadNotifier().StationRead(&station);
}
