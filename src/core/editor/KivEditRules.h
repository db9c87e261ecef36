#pragma once

// What the main window and its editors decide without a window: the caption, which commands
// are enabled or checked, the station-number list, the heights the editors ask for, the
// folders the file dialogs start in.

#include <QList>
#include <QString>
#include <QStringList>

class TKivChannel;
class TKivStation;
class TKivTamsor;

// The main window's caption: the title (text 1000) alone for an untitled project or none,
// else "title : [path]", or "title : [path *]" while modified.
QString MainWindowCaption(const QString& fileName, bool modified);

// A project file's path with its extension changed to ".zop" (added when it has none).
QString ProjectFilePath(const QString& path);

// The folder the project dialogs start in: the folder of the most recent project, else
// projectFolder.
QString ProjectDialogFolder(const QStringList& recentEntries, const QString& projectFolder);

// <Documents>/Tamsor/, or the program's folder when there is no documents folder.
QString DefaultProjectFolder();

// Stations a channel of this type may hold: 4 on a serial line, 1 on TCP or a register file,
// none on any other type.
int MaxStationsOfChannel(int type);
// Add station: the frame shows a channel that holds fewer stations than its type allows.
bool CanAddStation(const TKivChannel* channel);
// The type of a channel can change while it holds fewer than 2 stations.
bool CanChangeChannelType(const TKivChannel& channel);
// The channel names where to read from: a port, an address or a register file.
bool ChannelSourceSet(const TKivChannel& channel);
// Read station: the frame shows a station whose channel names its source and which has at
// least one recipe, data record or alarm.
bool CanReadStation(const TKivStation* station);

// The station frame shows the station number on a serial channel only.
bool ShowsStationNumber(const TKivStation& station);
// The numbers a station can take: its own first, then 0-255 in ascending order except the
// numbers of the other stations of its channel.
QList<quint32> StationNumberChoices(const TKivStation& station);

// The baud rate typed into the channel editor; 9600 when the text is not a number.
qint32 BaudRateFromText(const QString& text);

// Heights the editors ask of the bottom panel.
namespace FrameHeight
{
constexpr int Project = 182; // title, description and the history store
constexpr int Station = 120;
constexpr int ChannelUart = 154;
constexpr int ChannelOther = 92;
constexpr int ChannelFixedPart = 56; // above the page of the channel's type
constexpr int ReadOptionsShut = 0;   // the shut read-options box fits below the page
constexpr int ReadOptionsOpen = 84;  // the box with its three controls
} // namespace FrameHeight
// The channel editor's height: the page of its type and, below it, the read-options box when
// the type has one.
int ChannelDesignHeight(int type, bool readOptionsOpen);

// The channel editor's read options belong to channels read over Modbus (serial line, TCP), not
// to a register file; requests in flight apply on TCP only, a serial line takes one at a time.
bool ShowsReadOptions(int type);
bool InFlightApplies(int type);

// The Schedule menu: Run and Stop are enabled while a project is open, Run is checked while
// the schedule runs and Stop while it does not; the log is there while a project is open.
struct TKivScheduleCommands {
    bool RunEnabled = false;
    bool RunChecked = false;
    bool StopEnabled = false;
    bool StopChecked = false;
    bool LogEnabled = false;
};
TKivScheduleCommands ScheduleCommandState(const TKivTamsor& project);
