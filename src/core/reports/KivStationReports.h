#pragma once

// The report folder tree: after a successful scheduled read (and on `tamsor-cli export`) every
// recipe table, data record and the alarm history of a station is written as a file named by
// the read's time:
//   <report root>/<project>/<station>/<text 9040>(<recipe>)/<date>.txt
//   <report root>/<project>/<station>/<text 9041>(<data record>)/<date>.txt
//   <report root>/<project>/<station>/<text 9042>/<date>.txt
// Every component is passed through SafePathName, so no name from a channel, a define file or
// a language file can lead out of the report root.

#include "TamsorError.h"
#include "model/KivRegisters.h"

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

// The most cells the report files of one station may hold together: every line's cells, the
// heading and the two lines above it included. A panel's tables share its 65,536 registers, so
// its reports hold a few cells per register; only definitions that repeat or overlap records
// can ask for more (a define file of 10,000 recipes of 65,536 records each would fill a disk).
constexpr qint64 MaxStationReportCells = 32 * qint64(RegisterCount);

// Writing a station's reports stopped: the message says why and which of its files were
// written before; Written lists them.
class TKivReportError : public TamsorError {
public:
    TKivReportError(const QString& message, const QStringList& written)
        : TamsorError(message), Written(written)
    {
    }
    QStringList Written;
};

struct StationReportsResult {
    bool Ok = true;      // as the report writer's callers expect: true whenever it returns
    QStringList Files;   // files written, in order
    QStringList Skipped; // files not written because their folder could not be created
};

// Writes the station's report files into projectFolder/<station folder>/. A folder that cannot
// be created skips that file; a file that cannot be written throws TKivReportError and the
// station's remaining files are not written. An existing file of the same name is replaced.
// Reports that would pass MaxStationReportCells are refused before anything is written, with a
// TKivReportError naming the table that passes it.
StationReportsResult WriteStationReports(const TKivStation& station, const QString& projectFolder);

// The same files laid out under stationFolder itself (one folder per recipe and data record,
// one for the alarm history).
StationReportsResult WriteStationFolderReports(const TKivStation& station,
                                               const QString& stationFolder);
