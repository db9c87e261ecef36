#pragma once

// The project tree as the core sees it: which node each project object gets, in which order,
// with which caption and image, and which frames show the object of a selected node.

#include <QList>
#include <QString>

class TKivChannel;
class TKivNode;
class TKivPersistent;
class TKivStation;
class TKivTamsor;

// Images of the tree nodes, in the order of the tree's image list.
namespace TreeImage
{
enum : int {
    Project = 0,
    UartChannel = 1,
    InternetChannel = 2,
    RegisterFileChannel = 3,
    Station = 4,
    Recipe = 5,
    DataRecord = 6,
    Alarms = 7,
    Count = 8,
};
} // namespace TreeImage

// 1 + the channel's type; -1 (no image) for a type the program does not know.
int ChannelImageIndex(int type);

// One node: the object it shows, where the object records its node, its depth below the
// first entry of the list (0) and what it shows.
struct TKivTreeEntry {
    TKivPersistent* Object = nullptr;
    TKivNode** NodeSlot = nullptr;
    int Depth = 0;
    QString Caption;
    int ImageIndex = -1;
};

// The whole tree of a project, parents before children: the project, each channel in list
// order, each of its stations, and under each station its recipes, its data records and one
// alarms node when it has at least one alarm.
QList<TKivTreeEntry> ProjectTreeEntries(TKivTamsor& project);
// The nodes of one channel or station with everything below it, the channel or station first.
QList<TKivTreeEntry> ChannelTreeEntries(TKivChannel& channel);
QList<TKivTreeEntry> StationTreeEntries(TKivStation& station);

// The frames that show an object of class objectClass: one in the bottom panel and, for
// recipes, data records and alarms, a definition editor in the centre. Empty when none.
struct TKivFrameClasses {
    QString Bottom;
    QString Client;
};
TKivFrameClasses FrameClassesFor(const QString& objectClass);
