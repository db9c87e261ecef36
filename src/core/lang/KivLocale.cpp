#include "KivLocale.h"

const QList<TKivLocaleInfo>& KnownLocales()
{
    // The first entry of each language is its main locale, chosen when only the language
    // matches.
    static const QList<TKivLocaleInfo> table{
        {1025, "ar-SA"}, {1026, "bg-BG"},  {1027, "ca-ES"}, {1028, "zh-TW"}, {1029, "cs-CZ"},
        {1030, "da-DK"}, {1031, "de-DE"},  {1032, "el-GR"}, {1033, "en-US"}, {1035, "fi-FI"},
        {1036, "fr-FR"}, {1037, "he-IL"},  {1038, "hu-HU"}, {1039, "is-IS"}, {1040, "it-IT"},
        {1041, "ja-JP"}, {1042, "ko-KR"},  {1043, "nl-NL"}, {1044, "nb-NO"}, {1045, "pl-PL"},
        {1046, "pt-BR"}, {1048, "ro-RO"},  {1049, "ru-RU"}, {1050, "hr-HR"}, {1051, "sk-SK"},
        {1053, "sv-SE"}, {1054, "th-TH"},  {1055, "tr-TR"}, {1057, "id-ID"}, {1058, "uk-UA"},
        {1060, "sl-SI"}, {1061, "et-EE"},  {1062, "lv-LV"}, {1063, "lt-LT"}, {1066, "vi-VN"},
        {1081, "hi-IN"}, {1086, "ms-MY"},  {2052, "zh-CN"}, {2055, "de-CH"}, {2057, "en-GB"},
        {2058, "es-MX"}, {2060, "fr-BE"},  {2067, "nl-BE"}, {2070, "pt-PT"}, {3076, "zh-HK"},
        {3079, "de-AT"}, {3081, "en-AU"},  {3082, "es-ES"}, {3084, "fr-CA"}, {4100, "zh-SG"},
        {4105, "en-CA"}, {4108, "fr-CH"},  {5124, "zh-MO"}, {5129, "en-NZ"}, {6153, "en-IE"},
        {7177, "en-ZA"}, {16393, "en-IN"},
    };
    return table;
}

namespace
{

const TKivLocaleInfo* findLocale(int localeId)
{
    for (const TKivLocaleInfo& info : KnownLocales())
        if (info.LocaleId == localeId)
            return &info;
    return nullptr;
}

} // namespace

bool IsKnownLocaleId(int localeId)
{
    return findLocale(localeId) != nullptr;
}

QString LocaleBcp47Name(int localeId)
{
    const TKivLocaleInfo* info = findLocale(localeId);
    return info ? QString::fromLatin1(info->Bcp47) : QString();
}

QString LocaleNativeName(int localeId)
{
    const TKivLocaleInfo* info = findLocale(localeId);
    if (!info)
        return QString();
    const QLocale locale(QString::fromLatin1(info->Bcp47));
    QString name = locale.nativeLanguageName();
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

int LocaleIdForLocale(const QLocale& locale)
{
    int sameScript = 0;
    int sameLanguage = 0;
    for (const TKivLocaleInfo& info : KnownLocales()) {
        const QLocale candidate(QString::fromLatin1(info.Bcp47));
        if (candidate.language() != locale.language())
            continue;
        if (candidate.territory() == locale.territory() && candidate.script() == locale.script())
            return info.LocaleId;
        if (!sameScript && candidate.script() == locale.script())
            sameScript = info.LocaleId;
        if (!sameLanguage)
            sameLanguage = info.LocaleId;
    }
    if (sameScript)
        return sameScript;
    return sameLanguage ? sameLanguage : EnglishUnitedStates;
}

int SystemDefaultLocaleId()
{
    return LocaleIdForLocale(QLocale::system());
}
