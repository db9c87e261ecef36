#pragma once

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

// One sub-command of tamsor-cli. Each command lives in a file of its own and registers itself
// with a static CliCommandRegistration, so adding a command touches no other file.
struct CliCommand {
    QString name;
    QString synopsis; // arguments as shown in the usage line, e.g. "FILE.zop [--json]"
    QString summary;  // one line for the command list
    // Runs the command with the arguments after its name; returns the process exit code.
    std::function<int(const QStringList& arguments)> run;
};

class CliCommands {
public:
    static void add(CliCommand command);
    static const CliCommand* find(const QString& name);
    static QList<CliCommand> all(); // sorted by name
};

struct CliCommandRegistration {
    explicit CliCommandRegistration(CliCommand command) { CliCommands::add(std::move(command)); }
};

QTextStream& cliOut();
QTextStream& cliErr();

// The parser's help for a command, its usage line naming the program and the command as a user
// types them ("Usage: tamsor-cli info [options] FILE.zop") instead of the program's path.
QString commandHelpText(const QCommandLineParser& parser, const QString& commandName);

// Prints "tamsor-cli NAME: problem" and the command's help to stderr; returns the exit code of
// a call with the wrong arguments (2).
int commandUsageError(const QCommandLineParser& parser, const QString& commandName,
                      const QString& problem);

// Parses a command's own arguments with the options and positional arguments already added to
// the parser. On an error prints it with the command's usage to stderr and returns false.
bool parseCommandArguments(QCommandLineParser& parser, const QString& commandName,
                           const QStringList& arguments);
