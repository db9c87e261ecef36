// tamsor-cli set-project: changes settings of a project as a whole: where the history of its
// reads is kept.
#include "CliCommand.h"
#include "CliProject.h"
#include "history/HistoryLocation.h"
#include "model/KivProjectSession.h"
#include "model/KivTamsor.h"

#include <QFileInfo>

namespace
{

int runSetProject(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file."));
    parser.addOption({QStringLiteral("history"),
                      QStringLiteral("Where the history of the reads is kept: \"default\" "
                                     "(NAME.history.sqlite beside NAME.zop), \"off\", or a file "
                                     "(a relative name is taken against the project's folder)."),
                      QStringLiteral("PATH|off|default")});
    if (!parseCommandArguments(parser, QStringLiteral("set-project"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    const QString setting = parser.value(QStringLiteral("history")).trimmed();
    if (parser.positionalArguments().size() != 1 || !parser.isSet(QStringLiteral("history")) ||
        setting.isEmpty()) {
        cliErr() << "tamsor-cli set-project: expected a project file and --history\n"
                 << parser.helpText() << Qt::flush;
        return 2;
    }
    const QString path = QFileInfo(parser.positionalArguments().at(0)).absoluteFilePath();
    TKivProjectSession session;
    TKivTamsor root;
    openCliProject(session, path, root);
    SetHistorySetting(root, setting);
    saveCliProject(session, root);
    const QString store = HistoryStorePath(root, path);
    cliOut() << "History: " << (store.isEmpty() ? QStringLiteral("off") : store) << "\n"
             << Qt::flush;
    return 0;
}

CliCommandRegistration registration({QStringLiteral("set-project"),
                                     QStringLiteral("FILE.zop --history PATH|off|default"),
                                     QStringLiteral("Change where a project keeps its history"),
                                     runSetProject});

} // namespace
