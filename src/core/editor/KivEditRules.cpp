#include "KivEditRules.h"

#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivChannel.h"
#include "model/KivTamsor.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

QString MainWindowCaption(const QString& fileName, bool modified)
{
    const QString title = GetLangString(StrId::MainTitle);
    if (fileName.isEmpty())
        return title;
    return title +
           (modified ? QStringLiteral(" : [%1 *]") : QStringLiteral(" : [%1]")).arg(fileName);
}

QString ProjectFilePath(const QString& path)
{
    const QFileInfo info(path);
    if (info.suffix().isEmpty())
        return path.endsWith(u'.') ? path + QStringLiteral("zop") : path + QStringLiteral(".zop");
    return path.left(path.size() - info.suffix().size()) + QStringLiteral("zop");
}

QString ProjectDialogFolder(const QStringList& recentEntries, const QString& projectFolder)
{
    if (recentEntries.isEmpty())
        return projectFolder;
    return QFileInfo(recentEntries.first()).absolutePath();
}

QString DefaultProjectFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        return QCoreApplication::applicationDirPath();
    return documents + QStringLiteral("/Tamsor/");
}

int MaxStationsOfChannel(int type)
{
    switch (type) {
    case TKivChannel::TypeUart:
        return 4;
    case TKivChannel::TypeInternet:
    case TKivChannel::TypeRegisterFile:
        return 1;
    default:
        return 0;
    }
}

bool CanAddStation(const TKivChannel* channel)
{
    return channel && channel->Stations.Count() < MaxStationsOfChannel(channel->Type);
}

bool CanChangeChannelType(const TKivChannel& channel)
{
    return channel.Stations.Count() < 2;
}

bool ChannelSourceSet(const TKivChannel& channel)
{
    switch (channel.Type) {
    case TKivChannel::TypeUart:
        return !channel.UartPort.isEmpty();
    case TKivChannel::TypeInternet:
        return !channel.Ip.isEmpty();
    case TKivChannel::TypeRegisterFile:
        return !channel.RegisterFileName.isEmpty();
    default:
        return false;
    }
}

bool CanReadStation(const TKivStation* station)
{
    if (!station || !station->Owner || !ChannelSourceSet(*station->Owner))
        return false;
    return station->Recipes->Count() > 0 || station->DataRecords->Count() > 0 ||
           station->Alarms->Count() > 0;
}

bool ShowsStationNumber(const TKivStation& station)
{
    return station.Owner && station.Owner->Type == TKivChannel::TypeUart;
}

QList<quint32> StationNumberChoices(const TKivStation& station)
{
    QList<quint32> numbers{station.StationNum};
    for (quint32 number = 0; number < 256; ++number) {
        if (number == station.StationNum)
            continue;
        if (station.Owner && station.Owner->FindStation(number))
            continue;
        numbers << number;
    }
    return numbers;
}

qint32 BaudRateFromText(const QString& text)
{
    bool ok = false;
    const qint32 rate = text.trimmed().toInt(&ok);
    return ok ? rate : 9600;
}

int ChannelDesignHeight(int type, bool readOptionsOpen)
{
    const int page =
        type == TKivChannel::TypeUart ? FrameHeight::ChannelUart : FrameHeight::ChannelOther;
    if (!ShowsReadOptions(type))
        return page;
    return page + (readOptionsOpen ? FrameHeight::ReadOptionsOpen : FrameHeight::ReadOptionsShut);
}

bool ShowsReadOptions(int type)
{
    return type == TKivChannel::TypeUart || type == TKivChannel::TypeInternet;
}

bool InFlightApplies(int type)
{
    return type == TKivChannel::TypeInternet;
}

TKivScheduleCommands ScheduleCommandState(const TKivTamsor& project)
{
    TKivScheduleCommands state;
    const bool running = (project.Schedule & 1) != 0;
    state.RunEnabled = state.StopEnabled = state.LogEnabled = project.Opened;
    state.RunChecked = project.Opened && running;
    state.StopChecked = project.Opened && !running;
    return state;
}
