// How the open project's lock is handed over on open, save, close and replace: the file shown
// or changed is never unlocked, and a refused or failed step leaves the session as it was.
#include "model/KivProjectSession.h"

#include "LangTestFolder.h"
#include "TamsorError.h"
#include "lang/KivLanRes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

class ProjectSession : public ::testing::Test
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
        session.SetLockWait(0);
    }
    void TearDown() override { LanguageResources.Discover(QStringLiteral("/nonexistent")); }

    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    // Whether another program could take the lock of file now.
    static bool Free(const QString& file)
    {
        TKivProjectLock other(file);
        return other.Acquire(0);
    }
    // A load or write that records that it ran and returns result.
    std::function<bool()> Step(bool result)
    {
        return [this, result] {
            ++steps;
            return result;
        };
    }
    void ExpectHolds(const QString& file) const
    {
        EXPECT_EQ(session.FileName(), file);
        EXPECT_TRUE(session.HoldsLockOf(file));
        EXPECT_FALSE(Free(file));
    }

    LangTestFolder languages;
    QTemporaryDir dir;
    TKivProjectSession session{TKivProjectSession::Unlockable::OpenUnlocked};
    int steps = 0;
};

} // namespace

TEST_F(ProjectSession, OpenLocksTheFileBeforeItIsReadAndCloseLetsItGo)
{
    const QString file = path("a.zop");
    bool lockedWhileLoading = false;
    const auto result = session.Open(file, false, [&] {
        lockedWhileLoading = !Free(file);
        return true;
    });
    EXPECT_EQ(result, TKivProjectSession::Result::Done);
    EXPECT_TRUE(lockedWhileLoading);
    ExpectHolds(file);
    EXPECT_EQ(session.ErrorText(), QString());

    // The same file through another spelling is held already: no second lock is asked for.
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(session.Open(QStringLiteral("a.zop"), false, Step(true)),
              TKivProjectSession::Result::Done);
    QDir::setCurrent(workingFolder);
    EXPECT_EQ(session.FileName(), QStringLiteral("a.zop"));
    EXPECT_TRUE(session.HoldsLockOf(file));

    session.Close();
    EXPECT_EQ(session.FileName(), QString());
    EXPECT_FALSE(session.HoldsLockOf(file));
    EXPECT_TRUE(Free(file));
    EXPECT_FALSE(QFile::exists(file + ".lock"));
}

TEST_F(ProjectSession, OpeningAnotherProjectKeepsTheOldLockUntilTheNewOneHasLoaded)
{
    const QString a = path("a.zop");
    const QString b = path("b.zop");
    enum Load { Loads, Fails, Throws };
    const struct {
        const char* what;
        QString open;
        bool asUntitled;
        Load load;
        TKivProjectSession::Result result;
        QString fileName; // afterwards
        bool aHeld;
        bool bHeld;
    } cases[] = {
        {"another", b, false, Loads, TKivProjectSession::Result::Done, b, false, true},
        {"another that fails", b, false, Fails, TKivProjectSession::Result::Failed, a, true,
         false},
        {"another that throws", b, false, Throws, TKivProjectSession::Result::Failed, a, true,
         false},
        {"another untitled", b, true, Loads, TKivProjectSession::Result::Done, QString(), false,
         false},
        {"the same untitled", a, true, Loads, TKivProjectSession::Result::Done, QString(), false,
         false},
        {"the same again", a, false, Loads, TKivProjectSession::Result::Done, a, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(session.Open(a, false, Step(true)), TKivProjectSession::Result::Done);
        bool oldHeldWhileLoading = false;
        const auto load = [&] {
            oldHeldWhileLoading = !Free(a);
            if (c.load == Throws)
                throw TamsorError(QStringLiteral("Stream read error"));
            return c.load == Loads;
        };
        TKivProjectSession::Result result = TKivProjectSession::Result::Failed;
        if (c.load == Throws) {
            EXPECT_THROW(session.Open(c.open, c.asUntitled, load), TamsorError);
        } else {
            result = session.Open(c.open, c.asUntitled, load);
        }
        EXPECT_EQ(result, c.result);
        EXPECT_TRUE(oldHeldWhileLoading);
        EXPECT_EQ(session.FileName(), c.fileName);
        EXPECT_EQ(session.HoldsLockOf(a), c.aHeld);
        EXPECT_EQ(Free(a), !c.aHeld);
        EXPECT_EQ(session.HoldsLockOf(b), c.bHeld);
        EXPECT_EQ(Free(b), !c.bHeld);
        session.Close();
    }
}

TEST_F(ProjectSession, AFileAnotherProgramHoldsIsNeitherOpenedNorSavedOver)
{
    const QString a = path("a.zop");
    const QString b = path("b.zop");
    ASSERT_EQ(session.Open(a, false, Step(true)), TKivProjectSession::Result::Done);
    TKivProjectLock other(b);
    ASSERT_TRUE(other.Acquire(0));
    const QString holder = other.HolderText();
    ASSERT_FALSE(holder.isEmpty());

    steps = 0;
    EXPECT_EQ(session.Open(b, false, Step(true)), TKivProjectSession::Result::LockRefused);
    EXPECT_EQ(session.ErrorText(), b + " is used by " + holder);
    EXPECT_EQ(session.Save(b, Step(true)), TKivProjectSession::Result::LockRefused);
    EXPECT_EQ(session.ErrorText(), b + " is used by " + holder);
    EXPECT_EQ(steps, 0) << "nothing is read or written without the lock";
    ExpectHolds(a);

    other.Release();
    EXPECT_EQ(session.Save(b, Step(true)), TKivProjectSession::Result::Done);
    EXPECT_EQ(session.ErrorText(), QString());
    ExpectHolds(b);
    EXPECT_TRUE(Free(a));
}

TEST_F(ProjectSession, SaveTakesTheNewFilesLockAndLetsTheOldGoOnlyOnceTheSaveSucceeded)
{
    const QString a = path("a.zop");
    const QString b = path("b.zop");
    enum Write { Writes, Fails, Throws };
    const struct {
        const char* what;
        bool untitled; // before the save
        QString file;
        Write write;
        QString fileName; // afterwards
        bool aHeld;
        bool bHeld;
    } cases[] = {
        {"titled to another", false, b, Writes, b, false, true},
        {"titled to another that fails", false, b, Fails, a, true, false},
        {"titled to another that throws", false, b, Throws, a, true, false},
        {"titled to itself", false, a, Writes, a, true, false},
        {"untitled", true, b, Writes, b, false, true},
        {"untitled that fails", true, b, Fails, QString(), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(session.Open(a, c.untitled, Step(true)), TKivProjectSession::Result::Done);
        bool newHeldWhileWriting = false;
        const auto write = [&] {
            newHeldWhileWriting = !Free(c.file);
            if (c.write == Throws)
                throw TamsorError(QStringLiteral("Cannot open file"));
            return c.write == Writes;
        };
        if (c.write == Throws) {
            EXPECT_THROW(session.Save(c.file, write), TamsorError);
        } else {
            EXPECT_EQ(session.Save(c.file, write), c.write == Writes
                                                       ? TKivProjectSession::Result::Done
                                                       : TKivProjectSession::Result::Failed);
        }
        EXPECT_TRUE(newHeldWhileWriting);
        EXPECT_EQ(session.FileName(), c.fileName);
        EXPECT_EQ(Free(a), !c.aHeld);
        EXPECT_EQ(Free(b), !c.bHeld);
        session.Close();
    }
}

TEST_F(ProjectSession, AProjectWithoutRoomForALockFileOpensOnlyWhereAllowedAndIsNeverSaved)
{
    // The longest name a folder takes leaves no room for ".lock" after it.
    const QString unlockable = dir.filePath(QString(251, u'p') + QStringLiteral(".zop"));
    const QString noLockFile = unlockable + ": no lock file " + unlockable + ".lock";
    const QString a = path("a.zop");

    TKivProjectSession command; // refuses such a project
    command.SetLockWait(0);
    EXPECT_EQ(command.Open(unlockable, false, Step(true)),
              TKivProjectSession::Result::LockRefused);
    EXPECT_EQ(command.ErrorText(), noLockFile);
    EXPECT_EQ(steps, 0);

    ASSERT_EQ(session.Open(a, false, Step(true)), TKivProjectSession::Result::Done);
    EXPECT_EQ(session.Open(unlockable, false, Step(true)), TKivProjectSession::Result::Done);
    EXPECT_EQ(session.ErrorText(), QString());
    EXPECT_EQ(session.FileName(), unlockable);
    EXPECT_FALSE(session.HoldsLockOf(unlockable));
    EXPECT_TRUE(Free(a)) << "the old project's lock went with it";

    steps = 0;
    EXPECT_EQ(session.Save(unlockable, Step(true)), TKivProjectSession::Result::LockRefused);
    EXPECT_EQ(session.ErrorText(), noLockFile);
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(session.FileName(), unlockable);
}
