#pragma once

// The report folder tree: after a successful scheduled read (and on `tamsor-cli export`) every
// recipe table, data record and the alarm history of a station is written as a file named by
// the read's time:
//   <report root>/<project>/<station>/<text 9040>(<recipe>)/<date>.txt
//   <report root>/<project>/<station>/<text 9041>(<data record>)/<date>.txt
//   <report root>/<project>/<station>/<text 9042>/<date>.txt
// Every component is passed through SafePathName, so no name from a channel, a define file or
// a language file can lead out of the report root.

#include <QString>
#include <QStringList>

class TKivStation;
class TKivChannel;

// <Documents>/Tamsor Report; the program's folder when there is no documents folder.
QString DefaultReportRoot();

// The project's folder under reportRoot: the project file's name without folder and
// extension, "Unknow" for a project never saved (empty projectFileName).
QString ProjectReportFolder(const QString& reportRoot, const QString& projectFileName);

// The station's folder name by its channel's type: "%s-%d [%s]" (port, station number, model)
// for UART, "%s [%s]" (address, model) for Internet, "%s [%s]" (register file name without its
// folder, model) for a register file. Empty for another channel type or a station without a
// channel: the station's files then go straight into the project folder. Not yet made safe.
QString StationFolderName(const TKivStation& station);

struct StationReportsResult {
    bool Ok = true;      // as the report writer's callers expect: true whenever it returns
    QStringList Files;   // files written, in order
    QStringList Skipped; // files not written because their folder could not be created
};

// Writes the station's report files into projectFolder/<station folder>/. A folder that cannot
// be created skips that file; a file that cannot be written throws TamsorError and the
// station's remaining files are not written. An existing file of the same name is replaced.
StationReportsResult WriteStationReports(const TKivStation& station, const QString& projectFolder);

// The same files laid out under stationFolder itself (one folder per recipe and data record,
// one for the alarm history).
StationReportsResult WriteStationFolderReports(const TKivStation& station,
                                               const QString& stationFolder);
