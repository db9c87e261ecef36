// tamsor-cli import-define: imports a define file into a station of a project.
#include "CliCommand.h"
#include "CliProject.h"
#include "TamsorError.h"
#include "model/KivProjectSession.h"
#include "model/KivTamsor.h"

namespace
{

int runImportDefine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file."));
    parser.addPositionalArgument(
        QStringLiteral("STATION"),
        QStringLiteral("CHANNEL/POSITION, both counted from 1 in project order (1/1 is the first "
                       "station of the first channel)."));
    parser.addPositionalArgument(QStringLiteral("DEFINE.def"), QStringLiteral("Define file."));
    if (!parseCommandArguments(parser, QStringLiteral("import-define"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 3)
        return commandUsageError(
            parser, QStringLiteral("import-define"),
            QStringLiteral("expected a project file, a station and a define file"));
    const QString path = positional.at(0);
    const QString defineFile = positional.at(2);
    TKivProjectSession session;
    TKivTamsor root;
    openCliProject(session, path, root);
    TKivStation* station = findStationRef(root, positional.at(1));

    QString error;
    if (!station->ImportDefine(defineFile, &error))
        throw TamsorError(QStringLiteral("define file \"%1\" refused: %2").arg(defineFile, error));
    saveCliProject(session, root);
    cliOut() << "Imported " << defineFile << " into station " << stationRefText(*station) << "\n"
             << "Model: " << station->ModelName << " (ID " << station->ModelID << ")\n"
             << "Recipes: " << station->Recipes->Count() << "\n"
             << "Data records: " << station->DataRecords->Count() << "\n"
             << "Alarms: " << station->Alarms->Count() << "\n"
             << Qt::flush;
    return 0;
}

CliCommandRegistration
    registration({QStringLiteral("import-define"), QStringLiteral("FILE.zop STATION DEFINE.def"),
                  QStringLiteral("Import a define file into a station"), runImportDefine});

} // namespace
