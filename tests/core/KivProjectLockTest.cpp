// The project lock as the window and the commands hold it.
#include "model/KivProjectLock.h"

#include "LangTestFolder.h"
#include "lang/KivLanRes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

class ProjectLock : public ::testing::Test
{
protected:
    void SetUp() override
    {
        languages.language(1033, "STR09360=%s is used by %s\n"
                                 "STR09361=%s (%s on %s)\n"
                                 "STR09362=someone\n"
                                 "STR09363=%s: no lock file %s\n");
        LanguageResources.Discover(languages.path());
        LanguageResources.SelectLanguage(1033);
    }
    void TearDown() override { LanguageResources.Discover(QStringLiteral("/nonexistent")); }

    LangTestFolder languages;
    QTemporaryDir dir;
};

} // namespace

TEST_F(ProjectLock, OneHolderAtATimeWhateverThePathIsCalled)
{
    const QString project = dir.filePath("line.zop");
    TKivProjectLock window(project);
    ASSERT_TRUE(window.Acquire(0));
    EXPECT_TRUE(window.IsHeld());
    EXPECT_TRUE(window.Acquire(0)) << "taking a held lock again is harmless";
    EXPECT_TRUE(QFile::exists(project + ".lock"));
    const QString holder = QStringLiteral("core_KivProjectLockTest (%1 on %2)")
                               .arg(QCoreApplication::applicationPid())
                               .arg(QHostInfo::localHostName());
    EXPECT_EQ(window.HolderText(), holder);

    // The same project through a relative path and through a link to its folder.
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath("link")));
    const QString viaLink = dir.filePath("link/line.zop");
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(dir.path());
    for (const QString& path : {QStringLiteral("line.zop"), viaLink}) {
        SCOPED_TRACE(qPrintable(path));
        EXPECT_TRUE(window.Covers(path));
        TKivProjectLock command(path);
        EXPECT_FALSE(command.Acquire(50));
        EXPECT_FALSE(command.IsHeld());
        EXPECT_TRUE(command.HeldByAnother());
        EXPECT_EQ(command.ErrorText(), path + " is used by " + holder);
    }
    QDir::setCurrent(workingFolder);
    EXPECT_FALSE(window.Covers(dir.filePath("other.zop")));

    window.Release();
    EXPECT_FALSE(QFile::exists(project + ".lock"));
    TKivProjectLock command(viaLink);
    EXPECT_TRUE(command.Acquire(0));
    EXPECT_EQ(command.ErrorText(), QString());
}

TEST_F(ProjectLock, AFolderWithoutRoomForTheLockIsReported)
{
    const QString project = dir.filePath("missing folder/line.zop");
    TKivProjectLock lock(project);
    EXPECT_FALSE(lock.Acquire(0));
    EXPECT_FALSE(lock.HeldByAnother());
    EXPECT_EQ(lock.ErrorText(), project + ": no lock file " + project + ".lock");
}
