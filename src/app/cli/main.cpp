// tamsor-cli: the headless face of Tamsor. Global options come before the command name;
// everything after it belongs to the command.
#include "CliCommand.h"
#include "TamsorError.h"

#include <QCoreApplication>

namespace {

void printUsage(QTextStream& out)
{
    out << "Usage: tamsor-cli [--lang ID] COMMAND [ARGUMENTS...]\n\nCommands:\n";
    for (const CliCommand& command : CliCommands::all())
        out << "  " << command.name.leftJustified(14) << command.summary << "\n";
    out << "\nRun 'tamsor-cli COMMAND --help' for the arguments of a command.\n" << Qt::flush;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamsor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QStringList arguments = app.arguments().mid(1);
    QString language;
    while (!arguments.isEmpty() && arguments.first().startsWith(QLatin1Char('-'))) {
        const QString option = arguments.takeFirst();
        if (option == QLatin1String("--lang") && !arguments.isEmpty()) {
            language = arguments.takeFirst();
        } else if (option.startsWith(QLatin1String("--lang="))) {
            language = option.mid(7);
        } else if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            printUsage(cliOut());
            return 0;
        } else if (option == QLatin1String("--version")) {
            cliOut() << "tamsor-cli 1.0\n" << Qt::flush;
            return 0;
        } else {
            cliErr() << "tamsor-cli: unknown option " << option << "\n";
            printUsage(cliErr());
            return 2;
        }
    }
    if (arguments.isEmpty()) {
        printUsage(cliErr());
        return 2;
    }
    Q_UNUSED(language);
    const QString name = arguments.takeFirst();
    const CliCommand* command = CliCommands::find(name);
    if (!command) {
        cliErr() << "tamsor-cli: unknown command '" << name << "'\n";
        printUsage(cliErr());
        return 2;
    }
    try {
        return command->run(arguments);
    } catch (const TamsorError& error) {
        cliErr() << "tamsor-cli " << name << ": " << error.message() << "\n" << Qt::flush;
        return 1;
    }
}
