#include "settings/KivRecentFile.h"

#include "LangTestFolder.h"
#include "settings/KivRegistry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

class FakeRecentMenu : public TKivRecentMenu
{
public:
    void ClearRecentItems() override { captions.clear(); }
    void AddRecentItem(const QString& caption, const QString& path) override
    {
        captions << caption;
        paths << path;
    }
    QStringList captions;
    QStringList paths;
};

class RecentFileTest : public ::testing::Test
{
protected:
    QString existing(const QString& name)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }
    QTemporaryDir dir;
    FakeRecentMenu menu;
    TKivRecentFile recent;
};

TEST_F(RecentFileTest, AddMovesToFrontKeepsStoredCaseAndTrims)
{
    recent.SetMenu(&menu);
    EXPECT_FALSE(recent.Add(QString()));
    for (int i = 0; i < 12; ++i)
        EXPECT_TRUE(recent.Add(QStringLiteral("/p/Project%1.zop").arg(i)));
    EXPECT_EQ(recent.Entries().size(), 10);
    EXPECT_EQ(recent.Entries().first(), u"/p/Project11.zop");
    EXPECT_EQ(recent.Entries().last(), u"/p/Project2.zop");

    recent.Add(QStringLiteral("/P/PROJECT5.ZOP"));
    EXPECT_EQ(recent.Entries().size(), 10);
    EXPECT_EQ(recent.Entries().first(), u"/p/Project5.zop");
    EXPECT_EQ(recent.Entries().count(QStringLiteral("/p/Project5.zop")), 1);
}

TEST_F(RecentFileTest, MissingFilesKeepTheirPlaceAndNumber)
{
    const QString first = existing(QStringLiteral("a.zop"));
    const QString third = existing(QStringLiteral("c&d.zop"));
    recent.SetEntriesText(first + QStringLiteral("\r\n") +
                          dir.filePath(QStringLiteral("gone.zop")) + QStringLiteral("\r\n") +
                          third + QStringLiteral("\r\n"));
    EXPECT_FALSE(recent.Rebuild(10)); // no menu yet
    recent.SetMenu(&menu);
    EXPECT_TRUE(recent.Rebuild(10));
    EXPECT_EQ(menu.captions,
              QStringList({QStringLiteral("&0 : ") + first,
                           QStringLiteral("&2 : ") +
                               QString(third).replace(QStringLiteral("&"), QStringLiteral("&&"))}));
    EXPECT_EQ(menu.paths.last(), third);
    EXPECT_EQ(recent.Entries().size(), 3);
}

TEST_F(RecentFileTest, EntriesTextRoundTripAndLineBreaks)
{
    recent.SetEntriesText(QStringLiteral("/a.zop\r\n/b.zop\n/c.zop\r/d.zop\n"));
    EXPECT_EQ(recent.Entries(), QStringList({"/a.zop", "/b.zop", "/c.zop", "/d.zop"}));
    EXPECT_EQ(recent.EntriesText(), QStringLiteral("/a.zop\r\n/b.zop\r\n/c.zop\r\n/d.zop\r\n"));
    recent.SetEntriesText(QStringLiteral("/a.zop"));
    EXPECT_EQ(recent.Entries(), QStringList({"/a.zop"}));
    recent.SetEntriesText(QString());
    EXPECT_TRUE(recent.Entries().isEmpty());
    EXPECT_EQ(recent.EntriesText(), QString());
}

// Empty lines are entries: the ones after them keep their places and numbers, and the list is
// written back as it was read.
TEST_F(RecentFileTest, EmptyLinesKeepTheirPlaces)
{
    const QString first = existing(QStringLiteral("a.zop"));
    const QString fourth = existing(QStringLiteral("d.zop"));
    const QString stored =
        first + QStringLiteral("\r\n\r\n\r\n") + fourth + QStringLiteral("\r\n\r\n");
    recent.SetEntriesText(stored);
    EXPECT_EQ(recent.Entries(), QStringList({first, "", "", fourth, ""}));
    EXPECT_EQ(recent.EntriesText(), stored);
    recent.SetMenu(&menu);
    recent.Rebuild(TKivRecentFile::MaxEntries);
    EXPECT_EQ(menu.captions,
              QStringList({QStringLiteral("&0 : ") + first, QStringLiteral("&3 : ") + fourth}));
}

TEST_F(RecentFileTest, MoreThanTenStoredLinesShowTenUntilTheNextAdd)
{
    QString text;
    for (int i = 0; i < 12; ++i)
        text += existing(QStringLiteral("p%1.zop").arg(i)) + QStringLiteral("\n");
    recent.SetEntriesText(text);
    recent.SetMenu(&menu);
    recent.Rebuild(TKivRecentFile::MaxEntries);
    EXPECT_EQ(menu.captions.size(), 10);
    EXPECT_EQ(recent.Entries().size(), 12);
    recent.Add(dir.filePath(QStringLiteral("p11.zop")));
    EXPECT_EQ(recent.Entries().size(), 10);
    EXPECT_TRUE(menu.captions.first().endsWith(QStringLiteral("p11.zop")));
}

// The list kept in the settings between runs. A value that is not a string, such as the list
// QSettings makes of "a, b" in an edited file, is reported and leaves the list empty.
TEST_F(RecentFileTest, StoredListReadBackOrReportedWhenItIsNotAString)
{
    LangTestFolder config; // keeps the settings away from the user's
    const auto store = [](const QByteArray& ini) {
        QDir().mkpath(QFileInfo(TKivRegistry::StoreFileName()).path());
        QFile file(TKivRegistry::StoreFileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ini);
    };
    recent.SetEntriesText(QStringLiteral("/kept.zop"));
    EXPECT_EQ(recent.LoadSettings(), QString());
    EXPECT_EQ(recent.Entries(), QStringList({"/kept.zop"})) << "nothing stored: kept";

    const struct {
        const char* ini;
        QStringList entries;
        bool reported;
    } cases[] = {
        {"[Software]\nKiv\\Tamsor\\v1.0\\RecentProject=\"/tmp/a.zop, /tmp/b.zop\"\n",
         {"/tmp/a.zop, /tmp/b.zop"}, false},
        {"[Software]\nKiv\\Tamsor\\v1.0\\RecentProject=/tmp/a.zop, /tmp/b.zop\n", {}, true},
        {"[Software]\nKiv\\Tamsor\\v1.0\\RecentProject=@ByteArray(/a.zop)\n", {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        store(c.ini);
        recent.SetEntriesText(QStringLiteral("/before.zop"));
        const QString problem = recent.LoadSettings();
        EXPECT_EQ(recent.Entries(), c.entries);
        EXPECT_EQ(problem.contains(KivSettings::RecentProject), c.reported) << qPrintable(problem);
        EXPECT_EQ(problem.contains(TKivRegistry::StoreFileName()), c.reported);
    }

    // Written back, the list replaces what could not be read.
    recent.SetEntriesText(QStringLiteral("/p/a, b.zop\r\n\r\n/p/c.zop\r\n"));
    recent.SaveSettings();
    TKivRecentFile next;
    EXPECT_EQ(next.LoadSettings(), QString());
    EXPECT_EQ(next.Entries(), QStringList({"/p/a, b.zop", "", "/p/c.zop"}));
}

} // namespace
