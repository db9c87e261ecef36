// Language files: decoding in every encoding a language folder may use, the key rules, and the
// lookups the program makes on them (texts by ID, choice lists, component texts, fonts). The
// first byte picks the language, then come "StrTab.ini" and "StrRes.ini" as 16-bit-length
// pieces.
#include "FuzzInput.h"

#include "lang/KivLanRes.h"
#include "lang/KivLangApply.h"

#include <QTemporaryDir>

namespace
{

// One language whose tables each input replaces.
TKivLanguageResource& Language()
{
    static QTemporaryDir folder;
    static TKivLanguageResource* language = [] {
        for (const char* name : {"/StrTab.ini", "/StrRes.ini"}) {
            QFile file(folder.path() + QLatin1String(name));
            FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        }
        return new TKivLanguageResource(&LanguageResources, 1033,
                                        folder.path() + QStringLiteral("/StrTab.ini"),
                                        folder.path() + QStringLiteral("/StrRes.ini"));
    }();
    return *language;
}

} // namespace

int FuzzLanguageFile(const uint8_t* data, size_t size)
{
    static const int localeIds[] = {1033, 1031, 1028, 2052, 1041, 1049, 1081, 0};
    TKivLanguageResource& language = Language();
    LanguageResources.Current = &language;

    FuzzInput input(data, size);
    const int localeId = localeIds[input.Byte() % 8];
    int badLine = 0;
    const QByteArray strTab = input.Piece();
    language.StrTab.SetText(DecodeLanguageText(strTab, localeId, &badLine));
    FUZZ_CHECK(badLine >= 0);
    language.StrRes.SetText(DecodeLanguageText(input.Rest(), localeId, &badLine));

    for (int id : {0, 1000, 1120, 2040, 2100, 2180, 9022, 9043, 123456}) {
        GetLangString(id);
        for (const QString& item : LangList(id))
            ParseLangListItem(item);
    }
    LanguageFontName();
    FUZZ_CHECK(LanguageFontSize() > 0);
    for (const char* key :
         {"FormMain.Caption", "FormMain.miFile.Caption", "FormMain.moLog.Lines"}) {
        const QString value = language.StrRes.Value(QString::fromLatin1(key));
        ResolveComponentText(value);
        SplitCommaText(ResolveComponentText(value, false));
    }
    return 0;
}
