// tamsor-cli export: writes the report tree of stations from the images stored in a project,
// exactly as a scheduled read writes it.
#include "CliCommand.h"
#include "CliProject.h"
#include "TamsorError.h"
#include "model/KivTamsor.h"
#include "reports/KivStationReports.h"

#include <QDir>

namespace
{

QList<TKivStation*> allStations(const TKivTamsor& root)
{
    QList<TKivStation*> stations;
    for (const TKivChannel* channel : *root.Channels)
        for (TKivStation* station : channel->Stations)
            stations.append(station);
    return stations;
}

// Prints the files written and the ones skipped; false when any was skipped.
bool printResult(const StationReportsResult& result)
{
    for (const QString& file : result.Files)
        cliOut() << QDir::toNativeSeparators(file) << "\n";
    for (const QString& file : result.Skipped)
        cliErr() << "tamsor-cli export: cannot create the folder of "
                 << QDir::toNativeSeparators(file) << "\n";
    cliOut() << Qt::flush;
    cliErr() << Qt::flush;
    return result.Skipped.isEmpty();
}

int runExport(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file."));
    parser.addPositionalArgument(
        QStringLiteral("STATION"),
        QStringLiteral("Stations as CHANNEL/POSITION, counted from 1 (default: all)."),
        QStringLiteral("[STATION...]"));
    parser.addOption({QStringLiteral("out"),
                      QStringLiteral("Report root to write under (default: the documents "
                                     "folder's \"Tamsor Report\")."),
                      QStringLiteral("DIR")});
    if (!parseCommandArguments(parser, QStringLiteral("export"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return commandUsageError(parser, QStringLiteral("export"),
                                 QStringLiteral("expected a project file"));
    const QString path = positional.takeFirst();
    TKivTamsor root;
    openCliProject(path, root);
    QList<TKivStation*> stations;
    for (const QString& ref : positional)
        stations.append(findStationRef(root, ref));
    if (positional.isEmpty())
        stations = allStations(root);

    const QString reportRoot = parser.isSet(QStringLiteral("out"))
                                   ? QDir(parser.value(QStringLiteral("out"))).absolutePath()
                                   : DefaultReportRoot();
    const QString projectFolder = ProjectReportFolder(reportRoot, QDir().absoluteFilePath(path));
    bool complete = true;
    for (const TKivStation* station : stations) {
        if (station->UpdateTime == 0) {
            // A station never read has no image worth a report; a file named 1899-12-30 of
            // zeros would only mislead.
            cliErr() << "tamsor-cli export: station " << stationRefText(*station)
                     << " has never been read; no reports written for it\n"
                     << Qt::flush;
            continue;
        }
        // One station's failure is reported, and the next station is still tried.
        try {
            complete = printResult(WriteStationReports(*station, projectFolder)) && complete;
        } catch (const TamsorError& error) {
            cliErr() << "tamsor-cli export: station " << stationRefText(*station) << ": "
                     << error.message() << "\n"
                     << Qt::flush;
            complete = false;
        }
    }
    return complete ? 0 : 1;
}

CliCommandRegistration registration(
    {QStringLiteral("export"), QStringLiteral("FILE.zop [STATION...] [--out DIR]"),
     QStringLiteral("Write the report files of stations from their stored images"), runExport});

} // namespace
