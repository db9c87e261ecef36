#include "ScheduleReadStarter.h"

#include "comm/ReadTransport.h"
#include "model/KivChannel.h"

QString ScheduleLineOf(const TKivStation& station)
{
    const TKivChannel* channel = station.Owner;
    switch (channel->Type) {
    case TKivChannel::TypeUart: {
        const QString port = channel->UartPort;
        return QStringLiteral("port:") +
               (port.startsWith(QLatin1StringView("/dev/")) ? port.mid(5) : port);
    }
    case TKivChannel::TypeInternet: {
        QString host;
        quint16 port = 0;
        if (ParseDeviceAddress(channel->Ip, host, port))
            return QStringLiteral("tcp:%1:%2").arg(host.toLower()).arg(port);
        return QStringLiteral("tcp:") + channel->Ip;
    }
    default:
        return QStringLiteral("channel:%1").arg(quintptr(channel), 0, 16);
    }
}
