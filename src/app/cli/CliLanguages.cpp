// tamsor-cli languages: the installed languages, the selected one marked.
#include "CliCommand.h"
#include "lang/KivLanRes.h"
#include "lang/KivLocale.h"

namespace
{

int runLanguages(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the installed languages (beside the program, else in ../share/tamsor or the XDG "
        "data folders): locale identifier, BCP 47 name and native name; the selected one is "
        "marked with \"*\"."));
    if (!parseCommandArguments(parser, QStringLiteral("languages"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    if (!parser.positionalArguments().isEmpty()) {
        cliErr() << "tamsor-cli languages: takes no arguments\n" << Qt::flush;
        return 2;
    }
    for (const TKivLanguageResource* language : LanguageResources.Languages) {
        const int id = language->LocaleId;
        cliOut() << (language == LanguageResources.Current ? "* " : "  ")
                 << QString::number(id).leftJustified(6) << LocaleBcp47Name(id).leftJustified(7)
                 << LocaleNativeName(id) << "\n";
    }
    cliOut() << Qt::flush;
    return 0;
}

CliCommandRegistration registration({QStringLiteral("languages"), QString(),
                                     QStringLiteral("List the installed languages"), runLanguages});

} // namespace
