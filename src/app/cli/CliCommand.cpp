#include "CliCommand.h"

#include <QCoreApplication>
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

QString commandHelpText(const QCommandLineParser& parser, const QString& commandName)
{
    // QCommandLineParser starts its usage line with the program as it was started.
    const QString usage = QStringLiteral("Usage: ");
    const QString started = usage + QCoreApplication::arguments().value(0);
    QString text = parser.helpText();
    if (text.startsWith(started))
        text.replace(0, started.size(), usage + QStringLiteral("tamsor-cli ") + commandName);
    return text;
}

int commandUsageError(const QCommandLineParser& parser, const QString& commandName,
                      const QString& problem)
{
    cliErr() << "tamsor-cli " << commandName << ": " << problem << "\n"
             << commandHelpText(parser, commandName) << Qt::flush;
    return 2;
}

bool parseCommandArguments(QCommandLineParser& parser, const QString& commandName,
                           const QStringList& arguments)
{
    // Not addHelpOption(): its --help-all, for the options of a GUI application, would be
    // listed here without doing anything.
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")},
                      QStringLiteral("Displays help on commandline options.")});
    if (parser.parse(QStringList{QStringLiteral("tamsor-cli ") + commandName} + arguments)) {
        if (!parser.isSet(QStringLiteral("help")))
            return true;
        cliOut() << commandHelpText(parser, commandName) << Qt::flush;
        return false;
    }
    commandUsageError(parser, commandName, parser.errorText());
    return false;
}
