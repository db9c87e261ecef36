// Every language shipped under lang/ must define every string ID the program uses, with lists
// the model understands: this catches a forgotten translation.
#include "lang/KivLanRes.h"
#include "lang/KivLangApply.h"
#include "lang/StringIds.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <gtest/gtest.h>

namespace
{

const QList<int> shippedLanguages{1033, 1028, 2052, 1031};

class ShippedLanguages : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        LanguageResources.Discover(QStringLiteral(TAMSOR_SOURCE_DIR "/lang"));
    }
    static void TearDownTestSuite() { LanguageResources.Discover(QStringLiteral("/nonexistent")); }

    void select(int id)
    {
        ASSERT_EQ(LanguageResources.SelectLanguage(id), 0);
        ASSERT_EQ(LanguageResources.Current->LocaleId, id);
    }
};

TEST_F(ShippedLanguages, AllAreInstalledAndClean)
{
    for (int id : shippedLanguages)
        EXPECT_NE(LanguageResources.Find(id), nullptr) << id;
    EXPECT_TRUE(LanguageResources.Warnings.isEmpty())
        << qPrintable(LanguageResources.Warnings.join(u'\n'));
}

TEST_F(ShippedLanguages, EveryLanguageDefinesEveryId)
{
    for (int language : shippedLanguages) {
        select(language);
        for (int id : allStringIds())
            EXPECT_FALSE(GetLangString(id).isEmpty()) << "language " << language << " ID " << id;
    }
}

TEST_F(ShippedLanguages, ChoiceListsCarryTheValuesTheModelUses)
{
    using namespace StrId;
    auto range = [](int from, int to) {
        QList<int> values;
        for (int v = from; v <= to; ++v)
            values << v;
        return values;
    };
    const struct {
        int list;
        QList<int> values;
    } lists[] = {
        {ChannelTypeList, range(0, 2)},
        {DataBitsList, range(0, 3)},
        {ParityList, range(0, 4)},
        {StopBitsList, range(0, 1)},
        {WidthList, range(0, 10)},
        {IntegerDisplayList, {0, 1}},
        {FloatDisplayList, {2}},
        {ScheduleIntervalList,
         {60, 300, 600, 900, 1800, 3600, 7200, 14400, 28800, 43200, 86400, 172800, 604800}},
    };
    for (int language : shippedLanguages) {
        select(language);
        for (const auto& l : lists) {
            QList<int> values;
            for (const QString& item : LangList(l.list)) {
                const TKivLangListItem parsed = ParseLangListItem(item);
                EXPECT_FALSE(parsed.Caption.isEmpty()) << language << " " << qPrintable(item);
                values << parsed.Value;
            }
            EXPECT_EQ(values, l.values) << "language " << language << " list " << l.list;
        }
        const QStringList timeFormats = LangList(TimeFormatList);
        EXPECT_EQ(timeFormats.size(), TimeFormatCount) << language;
        EXPECT_TRUE(std::any_of(timeFormats.begin(), timeFormats.end(),
                                [](const QString& f) { return f.contains(u'e'); }))
            << "no ROC-year format in " << language;
    }
}

TEST_F(ShippedLanguages, TemplatesAndFileNamePattern)
{
    using namespace StrId;
    static const QRegularExpression conversion(QStringLiteral("%[^%]"));
    const struct {
        int id;
        const char* conversions;
    } templates[] = {{ReadAt, "%s"},
                     {RecipeTitle, "%s"},
                     {DataRecordTitle, "%s"},
                     {ReadReading, "%d"},
                     {ScheduleBehind, "%s%s"},
                     {AlarmTitle, ""}};
    for (int language : shippedLanguages) {
        select(language);
        for (const auto& t : templates) {
            QStringList found;
            for (const auto& match : conversion.globalMatch(GetLangString(t.id)))
                found << match.captured();
            EXPECT_EQ(found.join(QString()), QString::fromLatin1(t.conversions))
                << language << " " << t.id;
        }
        // The report file-name pattern: pattern letters, digits and characters any file
        // system accepts; "/" and ":" would be the date and time separators.
        const QString pattern = GetLangString(ReportFilePattern);
        for (QChar c : QStringLiteral("/\\:*?\"<>|"))
            EXPECT_FALSE(pattern.contains(c)) << language << " " << qPrintable(pattern);
        for (int folder : {RecipeFolder, DataRecordFolder, AlarmFolder})
            EXPECT_FALSE(GetLangString(folder).contains(u'/')) << language << " " << folder;
    }
}

TEST_F(ShippedLanguages, ComponentTextReferencesResolve)
{
    static const QRegularExpression reference(QStringLiteral("=(STR\\d{5})"));
    for (const QString& file :
         {QStringLiteral("StrRes.ini"), QStringLiteral("1033/StrRes.ini"),
          QStringLiteral("1028/StrRes.ini"), QStringLiteral("2052/StrRes.ini"),
          QStringLiteral("1031/StrRes.ini")}) {
        QFile in(QStringLiteral(TAMSOR_SOURCE_DIR "/lang/") + file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << qPrintable(file);
        int badLine = 0;
        const QString text = DecodeLanguageText(in.readAll(), 0, &badLine);
        EXPECT_EQ(badLine, 0);
        const QSet<int> known(allStringIds().begin(), allStringIds().end());
        for (const auto& match : reference.globalMatch(text))
            EXPECT_TRUE(known.contains(match.captured(1).mid(3).toInt()))
                << qPrintable(file) << " refers to " << qPrintable(match.captured(1))
                << ", which is not in allStringIds()";
    }
}

TEST_F(ShippedLanguages, EveryLanguageGivesEveryComponentText)
{
    // The shared file names every component text; each language's own file must give the same
    // ones, or a window would show a design placeholder in that language.
    auto keys = [](const QString& file) {
        QFile in(QStringLiteral(TAMSOR_SOURCE_DIR "/lang/") + file);
        EXPECT_TRUE(in.open(QIODevice::ReadOnly)) << qPrintable(file);
        int badLine = 0;
        QStringList found;
        for (const QString& line : DecodeLanguageText(in.readAll(), 0, &badLine).split(u'\n')) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0 && !line.startsWith(u';') && !line.trimmed().endsWith(u'='))
                found << line.left(equals);
        }
        found.sort();
        return found;
    };
    const QStringList shared = keys(QStringLiteral("StrRes.ini"));
    EXPECT_TRUE(shared.contains(QStringLiteral("FrameChannel.lblType.Caption")));
    for (int language : shippedLanguages) {
        const QString file = QStringLiteral("%1/StrRes.ini").arg(language);
        EXPECT_EQ(keys(file).join(u'\n'), shared.join(u'\n')) << qPrintable(file);
    }
}

} // namespace
