// tamsor-cli decode: decodes a register image with a define file, without a project, into a
// folder laid out as one station folder of the report tree.
#include "CliCommand.h"
#include "TamsorError.h"
#include "comm/ReadStation.h"
#include "model/KivDateTime.h"
#include "model/KivChannel.h"
#include "reports/KivStationReports.h"

#include <QDir>
#include <QFileInfo>

namespace
{

// The register image of a register file, loaded and checked as a register-file read does.
QByteArray loadRegisterFile(const QString& path, const TKivStation& station)
{
    const StationReadOutcome outcome = LoadRegisterFile(path, station);
    if (outcome.Succeeded())
        return outcome.image;
    QString detail;
    if (outcome.problem == ReadProblem::RegisterFileSize)
        detail = QStringLiteral(" (%1 holds %2 bytes; a register file holds exactly %3)")
                     .arg(path)
                     .arg(QFileInfo(path).size())
                     .arg(RegisterImageSize);
    else if (outcome.state == ReadWrongModel)
        detail = QStringLiteral(" (the define file names model %1)").arg(station.ModelID);
    else
        detail = QStringLiteral(" (%1)").arg(path);
    throw TamsorError(outcome.message + detail);
}

int runDecode(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("define"), QStringLiteral("Define file of the station."),
         QStringLiteral("DEFINE.def")},
        {QStringLiteral("image"), QStringLiteral("Register file (131,072 bytes)."),
         QStringLiteral("IMAGE.bin")},
        {QStringLiteral("out"),
         QStringLiteral("Folder to write into (default: the current folder)."),
         QStringLiteral("DIR")},
    });
    if (!parseCommandArguments(parser, QStringLiteral("decode"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    if (!parser.isSet(QStringLiteral("define")) || !parser.isSet(QStringLiteral("image")) ||
        !parser.positionalArguments().isEmpty()) {
        return commandUsageError(
            parser, QStringLiteral("decode"),
            QStringLiteral("expected --define DEFINE.def and --image IMAGE.bin"));
    }
    const QString definePath = parser.value(QStringLiteral("define"));
    TKivStation station(nullptr);
    QString error;
    if (!station.ImportDefine(definePath, &error))
        throw TamsorError(
            error.isEmpty() ? definePath + QStringLiteral(" is not a usable define file") : error);
    station.RegisterImage = loadRegisterFile(parser.value(QStringLiteral("image")), station);
    station.UpdateTime = NowAsKivTime();

    const QString out =
        QDir(parser.isSet(QStringLiteral("out")) ? parser.value(QStringLiteral("out"))
                                                 : QStringLiteral("."))
            .absolutePath();
    const StationReportsResult result = WriteStationFolderReports(station, out);
    for (const QString& file : result.Files)
        cliOut() << QDir::toNativeSeparators(file) << "\n";
    for (const QString& file : result.Skipped)
        cliErr() << "tamsor-cli decode: cannot create the folder of "
                 << QDir::toNativeSeparators(file) << "\n";
    cliOut() << Qt::flush;
    cliErr() << Qt::flush;
    return result.Skipped.isEmpty() ? 0 : 1;
}

CliCommandRegistration registration(
    {QStringLiteral("decode"), QStringLiteral("--define DEFINE.def --image IMAGE.bin [--out DIR]"),
     QStringLiteral("Decode a register image with a define file into report files"), runDecode});

} // namespace
