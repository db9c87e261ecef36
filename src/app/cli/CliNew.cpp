// tamsor-cli new: creates an empty project file.
#include "CliCommand.h"
#include "CliProject.h"
#include "TamsorError.h"
#include "model/KivProjectSession.h"
#include "model/KivTamsor.h"

#include <QFileInfo>

namespace {

int runNew(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file to create."));
    parser.addOption({QStringLiteral("title"), QStringLiteral("Project title."), QStringLiteral("TEXT")});
    parser.addOption({QStringLiteral("force"), QStringLiteral("Replace an existing file.")});
    if (!parseCommandArguments(parser, QStringLiteral("new"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    if (parser.positionalArguments().size() != 1)
        return commandUsageError(parser, QStringLiteral("new"),
                                 QStringLiteral("expected one project file"));
    const QString path = parser.positionalArguments().first();
    TKivProjectSession session;
    lockCliProject(session, path, [&] {
        if (QFileInfo::exists(path) && !parser.isSet(QStringLiteral("force")))
            throw TamsorError(
                QStringLiteral("\"%1\" already exists (use --force to replace it)").arg(path));
    });

    TKivTamsor root;
    root.Start();
    root.Title = parser.value(QStringLiteral("title"));
    saveCliProject(session, root);
    cliOut() << "Created project " << path;
    if (!root.Title.isEmpty())
        cliOut() << " \"" << root.Title << "\"";
    cliOut() << "\n" << Qt::flush;
    return 0;
}

CliCommandRegistration registration({QStringLiteral("new"), QStringLiteral("FILE.zop [--title TEXT] [--force]"),
                                     QStringLiteral("Create an empty project file"), runNew});

} // namespace
