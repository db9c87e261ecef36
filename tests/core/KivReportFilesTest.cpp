#include "TamsorError.h"
#include "reports/KivDateFormat.h"
#include "reports/KivReportFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

TEST(DateTimeFromDays, WholeDaysAndTimeOfDay)
{
    const auto noon = DateTimeFromDays(0.5);
    ASSERT_TRUE(noon);
    EXPECT_EQ(noon->date, QDate(1899, 12, 30));
    EXPECT_EQ(noon->time, QTime(12, 0));

    const auto before = DateTimeFromDays(-1.25); // the fraction is still the time of day
    ASSERT_TRUE(before);
    EXPECT_EQ(before->date, QDate(1899, 12, 29));
    EXPECT_EQ(before->time, QTime(6, 0));

    const double stored = DaysFromDateTime(QDate(2014, 5, 13), QTime(16, 53, 20, 45));
    const auto back = DateTimeFromDays(stored);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->date, QDate(2014, 5, 13));
    EXPECT_EQ(back->time, QTime(16, 53, 20, 45));

    EXPECT_FALSE(DateTimeFromDays(std::nan("")));
    EXPECT_FALSE(DateTimeFromDays(1e300));
}

TEST(FormatDateTime, ReportFileNamePatterns)
{
    const double afternoon = DaysFromDateTime(QDate(2014, 5, 3), QTime(16, 7, 9, 45));
    const double midnight = DaysFromDateTime(QDate(2014, 5, 3), QTime(0, 30));
    const struct {
        double value;
        const char* pattern;
        const char* expected;
    } cases[] = {
        {afternoon, "yyyy-mm-dd hh-nn-ss", "2014-05-03 16-07-09"},
        {afternoon, "yyyymmdd_hhnnss_zzz", "20140503_160709_045"},
        {afternoon, "yy m d h n s z", "14 5 3 16 7 9 45"},
        {afternoon, "y|yyy", "14|2014"},
        {afternoon, "YYYY-MM-DD HH.NN.SS", "2014-05-03 16.07.09"},
        {afternoon, "hh.mm", "16.07"},       // m right after an hour field is the minute
        {afternoon, "hh.nn.mm", "16.07.05"}, // but not after a minute field
        {afternoon, "'mm'dd \"at\" hh", "mm03 at 16"},
        {afternoon, "'unclosed", "unclosed"},
        {afternoon, "hh am/pm", "04 pm"},
        {afternoon, "h A/P", "4 P"},
        {midnight, "hh AM/PM", "12 AM"},
        {afternoon, "hh 'am/pm' x", "16 am/pm x"},
        {afternoon, "a b q", "a b q"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(c.pattern, c.value), QString::fromUtf8(c.expected)) << c.pattern;
    EXPECT_EQ(FormatDateTime("yyyy", std::nan("")), QString());
}

TEST(SafePathName, KeepsNamesInsideTheFolder)
{
    const struct {
        QString name;
        QString expected;
    } cases[] = {
        {"COM1-3 [K7]", "COM1-3 [K7]"},
        {"Recipe(Mix A) é 型号", "Recipe(Mix A) é 型号"},
        {"back\\slash", "back\\slash"},
        {"...", "..."},
        {"a/b", "a_b"},
        {"../../etc", ".._.._etc"},
        {"/abs", "_abs"},
        {QString("nul") + QChar(0) + "x", "nul_x"},
        {".", "_"},
        {"..", "__"},
        {"", "_"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafePathName(c.name), c.expected) << qPrintable(c.name);
}

TEST(SafePathName, CutsToWhatAFileSystemHolds)
{
    EXPECT_EQ(SafePathName(QString(300, u'a')), QString(255, u'a'));
    EXPECT_EQ(SafePathName(QString(200, u'é')), QString(127, u'é')); // 2 bytes each
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");     // 4 bytes, 2 units
    const QString cut = SafePathName(QString(253, u'a') + emoji);
    EXPECT_EQ(cut, QString(253, u'a'));
}

TEST(ForceFileFolder, CreatesMissingLevels)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString file = root.path() + "/P/S [K7]/Recipe(A)/2014.txt";
    EXPECT_TRUE(ForceFileFolder(file));
    EXPECT_TRUE(QFileInfo(root.path() + "/P/S [K7]/Recipe(A)").isDir());
    EXPECT_TRUE(ForceFileFolder(file)); // exists already

    QFile blocker(root.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(ForceFileFolder(root.path() + "/blocker/x.txt"));
    EXPECT_FALSE(ForceFileFolder(root.path() + "/blocker/deeper/x.txt"));
    EXPECT_TRUE(ForceFileFolder("plain.txt"));
}

TEST(TableText, Utf16LeWithBomCrLfAndTabs)
{
    TKivTableText table;
    table.AddLine(u"Title é");
    table.AddRow({"0", "1.5", ""});
    table.StartRow(u"1");
    table.AddCell(u"型");
    table.EndRow();
    EXPECT_EQ(table.LineCount(), 3);
    EXPECT_EQ(table.Text(), QString::fromUtf8("Title é\r\n0\t1.5\t\r\n1\t型\r\n"));

    const QByteArray bytes = table.Bytes();
    const QByteArray expectedStart("\xFF\xFE"
                                   "T\0i\0",
                                   6);
    EXPECT_EQ(bytes.left(6), expectedStart);
    EXPECT_EQ(bytes.mid(2 + 2 * 6, 2), QByteArray("\xE9\x00", 2)); // é
    EXPECT_EQ(bytes.right(6), QByteArray("\x8B\x57\r\0\n\0", 6));  // U+578B, CR LF
    EXPECT_EQ(bytes.size(), 2 + 2 * table.Text().size());
}

TEST(TableText, SavesWholeAndReplaces)
{
    QTemporaryDir root;
    const QString path = root.path() + "/report.txt";
    TKivTableText first;
    first.AddLine(u"a much longer first version of the report");
    first.SaveToFile(path);
    TKivTableText second;
    second.AddLine(u"short");
    second.SaveToFile(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), second.Bytes());
    EXPECT_EQ(QDir(root.path()).entryList(QDir::Files), QStringList{"report.txt"});
}

TEST(TableText, FailedWriteIsReported)
{
    QTemporaryDir root;
    const QString path = root.path() + "/missing folder/report.txt";
    TKivTableText table;
    table.AddLine(u"x");
    try {
        table.SaveToFile(path);
        FAIL() << "no error";
    } catch (const TamsorError& error) {
        EXPECT_TRUE(error.message().startsWith("Cannot create file \"" + path + "\". "))
            << qPrintable(error.message());
    }
}
