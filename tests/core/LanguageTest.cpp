#include "LangTestFolder.h"
#include "TamsorError.h"
#include "lang/KivLangApply.h"
#include "lang/KivLangStartup.h"
#include "lang/KivLanRes.h"
#include "lang/KivLocale.h"
#include "settings/KivRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QStringConverter>
#include <QtEndian>
#include <algorithm>
#include <gtest/gtest.h>

namespace
{

QStringList ids(const TKivLanguageResources& resources)
{
    QStringList list;
    for (const TKivLanguageResource* language : resources.Languages)
        list << QString::number(language->LocaleId);
    return list;
}

// ---- file decoding and line rules ----

TEST(LanguageFile, ByteOrderMarksSelectTheEncoding)
{
    const QString text = QStringLiteral("STR01000=Größe 語言\n");
    auto utf16 = [&](QStringConverter::Encoding encoding, const char* bom) {
        return QByteArray(bom) + QStringEncoder(encoding).encode(text);
    };
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + text.toUtf8()},
        {"UTF-8 without BOM", text.toUtf8()},
        {"UTF-16 LE", utf16(QStringConverter::Utf16LE, "\xFF\xFE")},
        {"UTF-16 BE", utf16(QStringConverter::Utf16BE, "\xFE\xFF")},
    };
    for (const auto& c : cases) {
        int badLine = -1;
        EXPECT_EQ(DecodeLanguageText(c.bytes, 1028, &badLine), text) << c.name;
        EXPECT_EQ(badLine, 0) << c.name;
    }
}

// Language packs written on systems without Unicode files are in their language's code page.
TEST(LanguageFile, FilesThatAreNotUtf8AreReadInTheLanguagesCodePage)
{
    const struct {
        int localeId;
        const char* codePage;
        QString text;
    } cases[] = {
        {1031, "windows-1252", QStringLiteral("STR01000=Größe\n")},
        {1049, "windows-1251", QStringLiteral("STR01000=Размер\n")},
        {1052, "windows-1250", QStringLiteral("STR01000=Përmasë\n")},
        {1028, "Big5", QStringLiteral("STR01000=語言\n")},
        {2052, "GB18030", QStringLiteral("STR01000=语言\n")},
        {1041, "Shift_JIS", QStringLiteral("STR01000=言語\n")},
    };
    for (const auto& c : cases) {
        const QByteArray bytes = QStringEncoder(c.codePage).encode(c.text);
        ASSERT_NE(bytes, c.text.toUtf8()) << c.codePage;
        int badLine = -1;
        EXPECT_EQ(DecodeLanguageText(bytes, c.localeId, &badLine), c.text) << c.codePage;
        EXPECT_EQ(badLine, 0) << c.codePage;
    }

    // Valid UTF-8 stays UTF-8 whatever the language.
    int badLine = -1;
    EXPECT_EQ(DecodeLanguageText(QStringLiteral("STR01000=語言\n").toUtf8(), 1031, &badLine),
              QStringLiteral("STR01000=語言\n"));

    LangTestFolder folder;
    folder.writeBytes(QStringLiteral("1031/StrTab.ini"), "STR01000=Gr\xF6\xDF"
                                                         "e\n");
    folder.writeBytes(QStringLiteral("1031/StrRes.ini"), "FormMain.Caption=\xDC"
                                                         "bersicht\n");
    TKivLanguageResources resources;
    resources.Discover(folder.path());
    ASSERT_EQ(resources.Languages.size(), 1);
    EXPECT_TRUE(resources.Warnings.isEmpty());
    EXPECT_EQ(resources.Languages.first()->StrTab.Value(QStringLiteral("STR01000")),
              QStringLiteral("Größe"));
    EXPECT_EQ(resources.Languages.first()->StrRes.Value(QStringLiteral("FormMain.Caption")),
              QStringLiteral("Übersicht"));
}

TEST(LanguageFile, BadBytesWithoutACodePageAreReplacedAndTheirLineReported)
{
    // A UTF-8 byte-order mark says the file is UTF-8; Hindi has no 8-bit code page.
    for (const QByteArray& head : {QByteArray("\xEF\xBB\xBF"), QByteArray()}) {
        int badLine = 0;
        const QString text = DecodeLanguageText(head + "STR00001=ok\r\nSTR00002=ok\nSTR00003=Gr"
                                                       "\xF6\xDF"
                                                       "e\n",
                                                1081, &badLine);
        EXPECT_EQ(badLine, 3);
        EXPECT_TRUE(text.contains(QStringLiteral("STR00003=Gr\uFFFD")));
    }

    LangTestFolder folder;
    folder.writeBytes(QStringLiteral("1081/StrTab.ini"), "STR01000=Gr\xF6\xDF"
                                                         "e\n");
    folder.write(QStringLiteral("1081/StrRes.ini"), QString());
    TKivLanguageResources resources;
    resources.Discover(folder.path());
    ASSERT_EQ(resources.Languages.size(), 1);
    ASSERT_EQ(resources.Warnings.size(), 1);
    EXPECT_TRUE(resources.Warnings.first().contains(QStringLiteral("StrTab.ini: line 1")));
}

TEST(LanguageFile, LineRules)
{
    TKivLangTable table;
    table.SetText(QStringLiteral("[StrTab]\n"
                                 "; a comment without an equals sign\n"
                                 "STR00001=b\n"
                                 "str00001=a\n" // sorts before "STR00001=b": wins
                                 "STR00002=Same\n"
                                 "str00002=same\n"      // equal ignoring case: first kept
                                 "STR00003 = spaced \n" // key is "STR00003 "
                                 "STR00004=x=y\r\n"     // value after the first "="
                                 "STR00005=\r"
                                 "=no key\n"));
    const struct {
        const char* key;
        const char* value;
    } cases[] = {
        {"STR00001", "a"},
        {"Str00002", "Same"},
        {"STR00003", ""},
        {"STR00003 ", " spaced "},
        {"STR00004", "x=y"},
        {"STR00005", ""},
        {"", "no key"},
        {"[StrTab]", ""},
        {"; a comment without an equals sign", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(table.Value(QString::fromUtf8(c.key)), QString::fromUtf8(c.value)) << c.key;
    EXPECT_TRUE(table.Contains(QStringLiteral("str00005")));
}

// The index must give what a scan of the case-insensitively sorted, de-duplicated lines gives.
TEST(LanguageFile, IndexEqualsTheFirstLineOfTheSortedList)
{
    const QStringList keys{QStringLiteral("K"), QStringLiteral("k"), QStringLiteral("K1"),
                           QStringLiteral("k_")};
    const QStringList values{QStringLiteral("a"),  QStringLiteral("A"), QStringLiteral("b"),
                             QStringLiteral("=a"), QStringLiteral(""),  QStringLiteral("_"),
                             QStringLiteral("Z")};
    QRandomGenerator random(42);
    for (int round = 0; round < 200; ++round) {
        QStringList lines;
        for (int i = 0, n = random.bounded(1, 8); i < n; ++i)
            lines << keys.at(random.bounded(keys.size())) + u'=' +
                         values.at(random.bounded(values.size()));
        TKivLangTable table;
        table.SetText(lines.join(u'\n'));

        QStringList sorted;
        for (const QString& line : lines) {
            auto at = std::lower_bound(sorted.begin(), sorted.end(), line,
                                       [](const QString& a, const QString& b) {
                                           return a.compare(b, Qt::CaseInsensitive) < 0;
                                       });
            if (at == sorted.end() || at->compare(line, Qt::CaseInsensitive) != 0)
                sorted.insert(at, line);
        }
        for (const QString& key : keys) {
            QString expected;
            for (const QString& line : sorted)
                if (line.section(u'=', 0, 0).compare(key, Qt::CaseInsensitive) == 0) {
                    expected = line.mid(line.indexOf(u'=') + 1);
                    break;
                }
            ASSERT_EQ(table.Value(key), expected) << qPrintable(lines.join(QStringLiteral(" | ")));
        }
    }
}

// ---- discovery and selection ----

TEST(LanguageDiscovery, FoldersBesideTheProgram)
{
    LangTestFolder folder;
    folder.language(1041);
    folder.language(1033);
    folder.language(2052);
    folder.language(1034); // Spanish and Albanian: any identifier the locale database knows
    folder.language(1052);
    folder.write(QStringLiteral("2052/ignored.txt"), QString());
    folder.language(9999);                                        // not a known locale
    folder.write(QStringLiteral("backup/StrTab.ini"), QString()); // not a number
    folder.write(QStringLiteral("backup/StrRes.ini"), QString());
    folder.write(QStringLiteral("1031/StrRes.ini"), QString()); // no StrTab.ini
    folder.write(QStringLiteral("1028/StrTab.ini"), QString()); // no StrRes.ini anywhere
    folder.write(QStringLiteral("3082"), QString());            // a file, not a folder

    TKivLanguageResources resources;
    resources.Discover(folder.path());
    EXPECT_EQ(ids(resources), QStringList({"1033", "1034", "1041", "1052", "2052"}));
    EXPECT_EQ(resources.ProgramFolder, folder.path() + u'/');
    EXPECT_EQ(resources.Current, nullptr);
}

// An installed program finds its languages under share/tamsor or the XDG data folders; the
// test program's own folder holds none.
TEST(LanguageDiscovery, WithoutAFolderTheSearchFoldersAreTriedInOrder)
{
    LangTestFolder folder;
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME");
    const QByteArray oldDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path() + QStringLiteral("/home")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(folder.path() + QStringLiteral("/system")));
    const QStringList searched = LanguageSearchFolders();
    EXPECT_EQ(searched.mid(0, 1), QStringList{QCoreApplication::applicationDirPath()});
    EXPECT_TRUE(searched.contains(folder.path() + QStringLiteral("/home/tamsor")));

    TKivLanguageResources resources;
    for (const char* file : {"system/tamsor/1031/StrTab.ini", "system/tamsor/1031/StrRes.ini"})
        folder.write(QString::fromLatin1(file), QString());
    resources.Discover();
    EXPECT_EQ(ids(resources), QStringList({"1031"}));
    EXPECT_EQ(resources.ProgramFolder, folder.path() + QStringLiteral("/system/tamsor/"));

    // The user's own data folder comes before the system's.
    for (const char* file : {"home/tamsor/1033/StrTab.ini", "home/tamsor/StrRes.ini"})
        folder.write(QString::fromLatin1(file), QString());
    resources.Discover();
    EXPECT_EQ(ids(resources), QStringList({"1033"}));

    qputenv("XDG_DATA_HOME", oldHome);
    qputenv("XDG_DATA_DIRS", oldDirs);
}

TEST(LanguageDiscovery, SharedStrResServesLanguagesWithoutTheirOwn)
{
    LangTestFolder folder;
    folder.language(1033, QStringLiteral("STR01200=Save\n"), QStringLiteral("F.a.Caption=own\n"));
    folder.write(QStringLiteral("1041/StrTab.ini"), QStringLiteral("STR01200=Hozon\n"));
    folder.write(QStringLiteral("StrRes.ini"), QStringLiteral("F.a.Caption=shared\n"));

    TKivLanguageResources resources;
    resources.Discover(folder.path());
    ASSERT_EQ(ids(resources), QStringList({"1033", "1041"}));
    EXPECT_EQ(resources.Find(1033)->StrRes.Value(QStringLiteral("F.a.Caption")), u"own");
    EXPECT_EQ(resources.Find(1041)->StrRes.Value(QStringLiteral("F.a.Caption")), u"shared");
}

TEST(LanguageDiscovery, SelectionFallsBackToEnglishOnly)
{
    const struct {
        QList<int> installed;
        int requested;
        int result;
        int selected; // 0: none
    } cases[] = {
        {{1033, 1041}, 1041, 0, 1041}, {{1033}, 1041, 0, 1033}, {{1033}, 0, 0, 1033},
        {{2052}, 1041, -1, 0},         {{}, 1033, -1, 0},
    };
    for (const auto& c : cases) {
        LangTestFolder folder;
        for (int id : c.installed)
            folder.language(id);
        TKivLanguageResources resources;
        resources.Discover(folder.path());
        EXPECT_EQ(resources.SelectLanguage(c.requested), c.result) << c.requested;
        EXPECT_EQ(resources.Current ? resources.Current->LocaleId : 0, c.selected) << c.requested;
    }
}

TEST(LanguageDiscovery, FailedSelectionKeepsTheCurrentLanguage)
{
    LangTestFolder folder;
    folder.language(2052);
    TKivLanguageResources resources;
    resources.Discover(folder.path());
    ASSERT_EQ(resources.SelectLanguage(2052), 0);
    EXPECT_EQ(resources.SelectLanguage(1041), -1);
    EXPECT_EQ(resources.Current->LocaleId, 2052);
}

TEST(LanguageStartUp, StoredChoiceRequestAndFallback)
{
    const struct {
        QList<int> installed;
        int stored; // -1: no stored value
        int requested;
        int selected;
    } cases[] = {
        {{1033, 2052}, 2052, 0, 2052},
        {{1033, 2052}, 1041, 0, 1033},
        {{1033, 2052}, 2052, 1031, 1033}, // the request wins over the stored choice
        {{1033, 2052}, 1033, 2052, 2052},
        {{1033, 2052}, 0, 0, 1033}, // 0: the system's language, English under "C"
        {{1033, 2052}, -1, 0, 1033},
    };
    for (const auto& c : cases) {
        LangTestFolder folder;
        for (int id : c.installed)
            folder.language(id);
        if (c.stored >= 0)
            StoreLanguageChoice(c.stored);
        if (c.stored != 0 || SystemDefaultLocaleId() == 1033) {
            EXPECT_EQ(StartLanguage(c.requested, folder.path()), c.selected)
                << c.stored << " " << c.requested;
        }
    }
}

TEST(LanguageStartUp, NothingInstalledNamesTheFolder)
{
    LangTestFolder folder;
    folder.language(2052);
    StoreLanguageChoice(1041);
    try {
        StartLanguage(0, folder.path());
        ADD_FAILURE() << "started without a usable language";
    } catch (const TamsorError& error) {
        EXPECT_TRUE(error.message().contains(folder.path())) << qPrintable(error.message());
    }
}

// ---- lookups ----

class CurrentLanguage : public ::testing::Test
{
protected:
    void install(const QString& strTab, const QString& strRes = QString())
    {
        folder.language(1033, strTab, strRes);
        LanguageResources.Discover(folder.path());
        ASSERT_EQ(LanguageResources.SelectLanguage(1033), 0);
    }
    void TearDown() override
    {
        LanguageResources.Discover(folder.path() + QStringLiteral("/none"));
    }
    LangTestFolder folder;
};

TEST_F(CurrentLanguage, StringKeysHaveFiveDigitsAtLeast)
{
    install(QStringLiteral("STR00005=five\nSTR123456=big\nSTR01000=title\n"));
    EXPECT_EQ(GetLangString(5), u"five");
    EXPECT_EQ(GetLangString(123456), u"big");
    EXPECT_EQ(GetLangString(1000), u"title");
    EXPECT_EQ(GetLangString(1001), QString());
    EXPECT_EQ(StringKey(5), u"STR00005");
}

TEST_F(CurrentLanguage, ComponentTextReferences)
{
    install(QStringLiteral("STR01200=Save\nSTR01201=\n"));
    const struct {
        const char* value;
        bool ellipsis;
        const char* text;
    } cases[] = {
        {"STR01200", true, "Save"},       {"STR01200.", true, "Save ..."},
        {"STR01200:", true, "Save:"},     {"STR01200.", false, "Save"},
        {"STR01200:", false, "Save:"},    {"STR01200x", true, "Save"},
        {"Speichern", true, "Speichern"}, {"STR12", true, "STR12"},
        {"STRUCTURE", true, "STRUCTURE"}, {"str01200", true, "str01200"},
        {"STR01201", true, ""},           {"STR09999.", true, " ..."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveComponentText(QString::fromUtf8(c.value), c.ellipsis),
                  QString::fromUtf8(c.text))
            << c.value;
}

TEST_F(CurrentLanguage, FontFromTheStringTable)
{
    const struct {
        const char* strTab;
        const char* name;
        int size;
    } cases[] = {
        {"STR01000=x\n", "", 8},
        {"Font.Name=Noto Sans CJK TC\nFont.Size=9\n", "Noto Sans CJK TC", 9},
        {"font.size=big\n", "", 8},
        {"Font.Size=0\n", "", 8},
    };
    for (const auto& c : cases) {
        install(QString::fromUtf8(c.strTab));
        EXPECT_EQ(LanguageFontName(), QString::fromUtf8(c.name)) << c.strTab;
        EXPECT_EQ(LanguageFontSize(), c.size) << c.strTab;
    }
}

TEST_F(CurrentLanguage, ChoiceLists)
{
    install(QStringLiteral("STR02040=3\nSTR02041=0 None\nSTR02042=3600-1 hour\n"
                           "STR02043=86400:1 day\nSTR02044=not in the list\n"
                           "STR02100=many\nSTR02101=x\n"));
    EXPECT_EQ(LangList(2040), QStringList({"0 None", "3600-1 hour", "86400:1 day"}));
    EXPECT_TRUE(LangList(2100).isEmpty());
    EXPECT_TRUE(LangList(2200).isEmpty());

    const struct {
        const char* item;
        int value;
        const char* caption;
    } items[] = {
        {"0 None", 0, "None"},
        {"3600-1 hour", 3600, "1 hour"},
        {"86400:1 day", 86400, "1 day"},
        {" :-60 1 minute", 60, "1 minute"},
        {"x caption", -1, "caption"},
        {"2 ", 2, ""},
        {"7", 7, "7"},
        {"12ab rest", -1, "rest"},
    };
    for (const auto& c : items) {
        const TKivLangListItem item = ParseLangListItem(QString::fromUtf8(c.item));
        EXPECT_EQ(item.Value, c.value) << c.item;
        EXPECT_EQ(item.Caption, QString::fromUtf8(c.caption)) << c.item;
    }
}

TEST(CommaText, Items)
{
    const struct {
        const char* text;
        QStringList items;
    } cases[] = {
        {"", {}},
        {"a,b", {"a", "b"}},
        {"\"a, b\",c", {"a, b", "c"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {" a , b ", {"a", "b"}},
        {"a,", {"a", ""}},
        {",,", {"", "", ""}},
        {"\"\"", {""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCommaText(QString::fromUtf8(c.text)), c.items) << c.text;
}

TEST(Messages, HookAnswersAndDefaultButtons)
{
    QString seenText, seenCaption;
    unsigned seenFlags = 0;
    TKivMessageHook previous =
        SetLangMessageHook([&](const QString& text, const QString& caption, unsigned flags) {
            seenText = text;
            seenCaption = caption;
            seenFlags = flags;
            return int(KivMsg::IdNo);
        });
    EXPECT_EQ(ShowLangMessage(1201, 1200, 35), KivMsg::IdNo);
    EXPECT_EQ(seenFlags, 35u);
    SetLangMessageHook(previous);

    const struct {
        unsigned flags;
        int button;
    } cases[] = {{35, KivMsg::IdYes},       {52, KivMsg::IdYes},           {48, KivMsg::IdOk},
                 {4 | 0x100, KivMsg::IdNo}, {3 | 0x200, KivMsg::IdCancel}, {0x300, KivMsg::IdOk}};
    for (const auto& c : cases)
        EXPECT_EQ(DefaultMessageButton(c.flags), c.button) << c.flags;
}

TEST(Locales, TableAndSystemMatch)
{
    EXPECT_GE(KnownLocales().size(), 150);
    for (int id : {1033, 1028, 2052, 1031})
        EXPECT_FALSE(LocaleNativeName(id).isEmpty()) << id;
    EXPECT_EQ(LocaleBcp47Name(1028), u"zh-TW");
    EXPECT_EQ(LocaleNativeName(1031), u"Deutsch");
    EXPECT_EQ(LocaleNativeName(1052), u"Shqip");
    EXPECT_TRUE(LocaleNativeName(1034).startsWith(u"Español"))
        << qPrintable(LocaleNativeName(1034));
    EXPECT_EQ(LocaleBcp47Name(10266), u"sr-Cyrl-RS");
    EXPECT_TRUE(LocaleNativeName(12345).isEmpty());
    const struct {
        const char* locale;
        int id;
    } cases[] = {{"de_DE", 1031}, {"de_AT", 3079}, {"de_LU", 4103}, {"zh_TW", 1028},
                 {"zh_CN", 2052}, {"zh_HK", 3076}, {"en_US", 1033}, {"en_GB", 2057},
                 {"C", 1033},     {"sw_KE", 1089}, {"es_ES", 1034}, {"sq_AL", 1052},
                 {"xx_YY", 1033}};
    for (const auto& c : cases)
        EXPECT_EQ(LocaleIdForLocale(QLocale(QString::fromLatin1(c.locale))), c.id) << c.locale;
}

} // namespace
