#include "KivProjectTree.h"

#include "model/KivChannel.h"
#include "model/KivTamsor.h"

namespace
{

template <class T> TKivTreeEntry entry(T& object, int depth, int image)
{
    return {&object, &object.Node, depth, object.GetCaption(), image};
}

void addStation(QList<TKivTreeEntry>& entries, TKivStation& station, int depth)
{
    entries << entry(station, depth, TreeImage::Station);
    for (TKivRecipe* recipe : *station.Recipes)
        entries << entry(*recipe, depth + 1, TreeImage::Recipe);
    for (TKivDataRecord* record : *station.DataRecords)
        entries << entry(*record, depth + 1, TreeImage::DataRecord);
    if (station.Alarms->Count() > 0)
        entries << entry(*station.Alarms, depth + 1, TreeImage::Alarms);
}

void addChannel(QList<TKivTreeEntry>& entries, TKivChannel& channel, int depth)
{
    entries << entry(channel, depth, ChannelImageIndex(channel.Type));
    for (TKivStation* station : channel.Stations)
        addStation(entries, *station, depth + 1);
}

} // namespace

int ChannelImageIndex(int type)
{
    return type >= TKivChannel::TypeUart && type <= TKivChannel::TypeRegisterFile
               ? TreeImage::UartChannel + type
               : -1;
}

QList<TKivTreeEntry> ProjectTreeEntries(TKivTamsor& project)
{
    QList<TKivTreeEntry> entries{entry(project, 0, TreeImage::Project)};
    for (TKivChannel* channel : *project.Channels)
        addChannel(entries, *channel, 1);
    return entries;
}

QList<TKivTreeEntry> ChannelTreeEntries(TKivChannel& channel)
{
    QList<TKivTreeEntry> entries;
    addChannel(entries, channel, 0);
    return entries;
}

QList<TKivTreeEntry> StationTreeEntries(TKivStation& station)
{
    QList<TKivTreeEntry> entries;
    addStation(entries, station, 0);
    return entries;
}

TKivFrameClasses FrameClassesFor(const QString& objectClass)
{
    static const struct {
        const char* object;
        const char* bottom;
        const char* client;
    } table[] = {
        {"TKivTamsor", "TFrameTamsor", ""},
        {"TKivChannel", "TFrameChannel", ""},
        {"TKivStation", "TFrameStation", ""},
        {"TKivRecipe", "TFrameRecipe", "TFrameRecipeEdit"},
        {"TKivDataRecord", "TFrameDataRecord", "TFrameDataRecordEdit"},
        {"TKivAlarms", "TFrameAlarm", "TFrameAlarmEdit"},
    };
    for (const auto& row : table)
        if (objectClass == QLatin1String(row.object))
            return {QString::fromLatin1(row.bottom), QString::fromLatin1(row.client)};
    return {};
}
