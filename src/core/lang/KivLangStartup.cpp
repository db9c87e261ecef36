#include "KivLangStartup.h"

#include "KivLanRes.h"
#include "KivLocale.h"
#include "TamsorError.h"
#include "settings/KivRegistry.h"

#include <QDir>
#include <QtEndian>
#include <cstdio>

namespace
{

int storedLanguageChoice(int preset)
{
    uchar bytes[4];
    qToLittleEndian<qint32>(preset, bytes);
    TKivRegistry registry(KivSettings::KeyPath, TKivRegistry::ModeRead);
    registry.ExchangeBinary(KivSettings::DefaultSubKey, KivSettings::LocalId, sizeof bytes, bytes);
    return qFromLittleEndian<qint32>(bytes);
}

} // namespace

int StartLanguage(int requestedId, const QString& programFolder, QString* choiceProblem)
{
    LanguageResources.Discover(programFolder);
    for (const QString& warning : LanguageResources.Warnings)
        std::fprintf(stderr, "%s\n", qUtf8Printable(warning));

    const int systemId = SystemDefaultLocaleId();
    int id = requestedId;
    if (id == 0) {
        try {
            id = storedLanguageChoice(systemId);
        } catch (const TamsorError& error) {
            if (!choiceProblem)
                throw;
            *choiceProblem = error.message();
            id = systemId;
        }
    }
    if (id == 0)
        id = systemId;
    if (LanguageResources.SelectLanguage(id) != 0)
        throw TamsorError(
            QStringLiteral("No language is installed. Tamsor looks for language folders named "
                           "by a locale identifier (such as 1033) holding StrTab.ini and "
                           "StrRes.ini in %1")
                .arg(programFolder.isEmpty()
                         ? LanguageSearchFolders().join(QStringLiteral(", "))
                         : QDir::toNativeSeparators(LanguageResources.ProgramFolder)));
    return LanguageResources.Current->LocaleId;
}

void StoreLanguageChoice(int localeId)
{
    uchar bytes[4];
    qToLittleEndian<qint32>(localeId, bytes);
    TKivRegistry registry(KivSettings::KeyPath, TKivRegistry::ModeWrite);
    registry.ExchangeBinary(KivSettings::DefaultSubKey, KivSettings::LocalId, sizeof bytes, bytes);
}
