#pragma once

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>

// Windows locale identifiers (LCIDs) name the language folders and the stored language choice.
// This table is the set of identifiers the program knows, each with its BCP 47 name.
struct TKivLocaleInfo {
    int LocaleId;
    const char* Bcp47;
};

const QList<TKivLocaleInfo>& KnownLocales();
bool IsKnownLocaleId(int localeId);
QString LocaleBcp47Name(int localeId); // empty for an unknown identifier
// The language's name in its own language, as the locale database gives it; empty for an
// unknown identifier.
QString LocaleNativeName(int localeId);
// The identifier that best matches a locale (same language and territory, else same language
// and script, else same language); 1033 when the table has no such language.
int LocaleIdForLocale(const QLocale& locale);
int SystemDefaultLocaleId();
// The 8-bit code page that text files of the language use when they are not Unicode (for
// example "windows-1251", "Shift_JIS", "Big5"); empty for an unknown identifier and for
// languages that have no such code page.
QByteArray LegacyCodePage(int localeId);

constexpr int EnglishUnitedStates = 1033;
