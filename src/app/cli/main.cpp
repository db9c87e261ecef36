// tamsor-cli: the headless face of Tamsor. Global options come before the command name;
// everything after it belongs to the command.
#include "CliCommand.h"
#include "TamsorError.h"
#include "lang/KivLangStartup.h"
#include "lang/KivLanRes.h"
#include "lang/KivLocale.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace
{

void printUsage(QTextStream& out)
{
    out << "Usage: tamsor-cli [--lang ID] COMMAND [ARGUMENTS...]\n\n"
           "  --lang ID      language of texts and reports: a locale identifier such as 1033\n"
           "                 or its name such as en-US (default: the stored choice)\n\n"
           "Commands:\n";
    for (const CliCommand& command : CliCommands::all())
        out << "  " << command.name.leftJustified(14) << command.summary << "\n";
    out << "\nRun 'tamsor-cli COMMAND --help' for the arguments of a command.\n" << Qt::flush;
}

// A locale identifier in decimal, or the BCP 47 name of one; 0 when it is neither.
int parseLanguage(const QString& text)
{
    bool isNumber = false;
    const int id = text.toInt(&isNumber);
    if (isNumber)
        return id;
    for (const TKivLocaleInfo& info : KnownLocales())
        if (text.compare(QLatin1String(info.Bcp47), Qt::CaseInsensitive) == 0)
            return info.LocaleId;
    return 0;
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
    const QString name = arguments.takeFirst();
    const CliCommand* command = CliCommands::find(name);
    if (!command) {
        cliErr() << "tamsor-cli: unknown command '" << name << "'\n";
        printUsage(cliErr());
        return 2;
    }
    int languageId = 0;
    if (!language.isEmpty()) {
        languageId = parseLanguage(language);
        if (languageId <= 0) {
            cliErr() << "tamsor-cli: --lang " << language
                     << " is not a locale identifier (e.g. 1033) or name (e.g. en-US)\n"
                     << Qt::flush;
            return 2;
        }
    }
    QString choiceProblem;
    try {
        StartLanguage(languageId, QString(), &choiceProblem);
    } catch (const TamsorError& error) {
        cliErr() << "tamsor-cli: " << error.message() << "\n" << Qt::flush;
        return 1;
    }
    // A damaged stored language choice does not stop a command, as it does not stop the
    // desktop program: the system's language (else English) is used and the user is told.
    if (!choiceProblem.isEmpty())
        cliErr() << "tamsor-cli: " << LangText(StrId::LanguageChoiceDamaged, {choiceProblem})
                 << "\n"
                 << Qt::flush;
    // Nobody can answer a message box here: print it and take its default answer.
    SetLangMessageHook([](const QString& text, const QString& caption, unsigned flags) {
        cliErr() << caption << ": " << text << "\n" << Qt::flush;
        return DefaultMessageButton(flags);
    });
    int exitCode = 1;
    try {
        exitCode = command->run(arguments);
    } catch (const TamsorError& error) {
        cliErr() << "tamsor-cli " << name << ": " << error.message() << "\n" << Qt::flush;
        return 1;
    }
    // Output that never arrived (a full disk under a redirection) is a failure too.
    cliOut().flush();
    if (cliOut().status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        cliErr() << "tamsor-cli " << name << ": cannot write the output: "
                 << QString::fromLocal8Bit(std::strerror(errno)) << "\n"
                 << Qt::flush;
        return exitCode == 0 ? 1 : exitCode;
    }
    return exitCode;
}
