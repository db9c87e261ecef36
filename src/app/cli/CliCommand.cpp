#include "CliCommand.h"

#include <QMap>
#include <algorithm>
#include <cstdio>

namespace {
QMap<QString, CliCommand>& registry()
{
    static QMap<QString, CliCommand> commands;
    return commands;
}
} // namespace

void CliCommands::add(CliCommand command) { registry().insert(command.name, std::move(command)); }

const CliCommand* CliCommands::find(const QString& name)
{
    auto it = registry().constFind(name);
    return it == registry().constEnd() ? nullptr : &it.value();
}

QList<CliCommand> CliCommands::all() { return registry().values(); }

QTextStream& cliOut()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& cliErr()
{
    static QTextStream stream(stderr);
    return stream;
}

bool parseCommandArguments(QCommandLineParser& parser, const QString& commandName,
                           const QStringList& arguments)
{
    parser.addHelpOption();
    if (parser.parse(QStringList{QStringLiteral("tamsor-cli ") + commandName} + arguments)) {
        if (!parser.isSet(QStringLiteral("help")))
            return true;
        cliOut() << parser.helpText() << Qt::flush;
        return false;
    }
    cliErr() << "tamsor-cli " << commandName << ": " << parser.errorText() << "\n"
             << parser.helpText() << Qt::flush;
    return false;
}
