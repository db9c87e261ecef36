// The main window holds the lock of the project it has open: a project another program holds is
// not opened, a command cannot change the open project, and Save As onto a held file leaves the
// window as it was.
#include "CliProcess.h"
#include "MainWindowTest.h"
#include "StoppedCliRead.h"
#include "lang/StringIds.h"
#include "model/KivFileInf.h"
#include "model/KivProjectLock.h"
#include "model/KivTamsor.h"

#include <QCoreApplication>
#include <QHostInfo>

#include <functional>

namespace
{

class MainFormLockTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        form->SetProjectLockWait(0);
    }
    // Whether another program could take the lock of file now.
    static bool Free(const QString& file)
    {
        TKivProjectLock other(file);
        return other.Acquire(0);
    }
    static QString Holder(const QString& program, qint64 pid)
    {
        return QStringLiteral("%1 (process %2 on %3)")
            .arg(program)
            .arg(pid)
            .arg(QHostInfo::localHostName());
    }
    static QString ThisProgram()
    {
        return Holder(QCoreApplication::applicationName(), QCoreApplication::applicationPid());
    }
    static QString InUse(const QString& file, const QString& holder)
    {
        return QStringLiteral("The project \"%1\" is in use by %2.").arg(file, holder);
    }
    void modifyTitle(const QString& title)
    {
        form->Project().Title = title;
        form->SetModified(true);
    }
    int Stations(const QString& file)
    {
        TKivTamsor root;
        EXPECT_TRUE(ReadProjectFile(file, root));
        return root.Channels->Items(0)->Stations.Count();
    }
    CliRun Cli(const QStringList& arguments) { return RunCli(path("cli-config"), arguments); }
};

TEST_F(MainFormLockTest, AProjectAnotherProgramHoldsIsNotOpenedAndTheMessageNamesTheHolder)
{
    const QString file = demoCopy();
    const QByteArray saved = bytes(file);
    TKivProjectLock held(file);
    ASSERT_TRUE(held.Acquire(0));
    const struct {
        const char* how;
        std::function<void()> open;
    } ways[] = {
        {"open",
         [&] {
             files << file;
             form->OpenProject();
         }},
        {"recent", [&] { form->RecentFileClick(file); }},
        {"command line",
         [&] {
             form->SetCommandLine({file});
             form->AutoOpenFileTimerTimer();
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        ASSERT_TRUE(form->CloseProject());
        prompts.clear();
        way.open();
        ASSERT_EQ(prompts.size(), 1);
        EXPECT_EQ(prompts[0].caption, GetLangString(StrId::OpenFailedCaption));
        EXPECT_TRUE(prompts[0].text.startsWith(InUse(file, ThisProgram())))
            << qPrintable(prompts[0].text);
        EXPECT_FALSE(form->Project().Opened);
        EXPECT_EQ(form->FileName(), QString());
        EXPECT_EQ(form->windowTitle(), u"Tamsor");
        EXPECT_EQ(form->tvProject->topLevelItemCount(), 0);
        EXPECT_FALSE(form->RecentFiles().Entries().contains(file));
        EXPECT_EQ(bytes(file), saved);
    }

    held.Release();
    files << file;
    ASSERT_TRUE(form->OpenProject());
    EXPECT_FALSE(Free(file)) << "the window holds the project it opened";
}

TEST_F(MainFormLockTest, AProjectATamsorCliReadHoldsOpensOnlyOnceTheReadIsGone)
{
    const QString file = path("line.zop");
    StoppedCliRead reader;
    ASSERT_TRUE(reader.WriteProject(file, 1));
    ASSERT_TRUE(reader.Start(path("cli-config"), file));

    EXPECT_FALSE(form->LoadProjectFile(file, false));
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_TRUE(prompts[0].text.startsWith(InUse(file, Holder("tamsor-cli", reader.Pid()))))
        << qPrintable(prompts[0].text);
    EXPECT_FALSE(form->Project().Opened);

    ASSERT_TRUE(reader.Kill()); // its lock file stays behind, naming a process that is gone
    EXPECT_TRUE(form->LoadProjectFile(file, false));
    EXPECT_FALSE(Free(file));
}

TEST_F(MainFormLockTest, CommandsCannotChangeTheOpenProjectUntilTheWindowLetsItGo)
{
    const QString file = demoCopy();
    ASSERT_TRUE(form->LoadProjectFile(file, false));
    const QByteArray saved = bytes(file);
    const CliRun refused = Cli({"add-station", file, "1"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(InUse(file, ThisProgram()))) << qPrintable(refused.err);
    EXPECT_EQ(bytes(file), saved);

    ASSERT_TRUE(form->CloseProject());
    const CliRun after = Cli({"add-station", file, "1"});
    EXPECT_EQ(after.exitCode, 0) << qPrintable(after.err);
    EXPECT_EQ(Stations(file), 2);

    // New (an untitled project holds no lock) and the window's end let it go too.
    const struct {
        const char* how;
        std::function<void()> leave;
    } ways[] = {
        {"new", [&] { ASSERT_TRUE(form->NewProject()); }},
        {"window destroyed", [&] { form.reset(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        if (!form) {
            form = std::make_unique<TFormMain>();
            form->SetProjectLockWait(0);
        }
        ASSERT_TRUE(form->LoadProjectFile(file, false));
        ASSERT_FALSE(Free(file));
        way.leave();
        EXPECT_TRUE(Free(file));
        EXPECT_FALSE(QFile::exists(file + ".lock"));
    }
    form = std::make_unique<TFormMain>();
}

TEST_F(MainFormLockTest, SaveAsOntoAHeldFileIsRefusedAndKeepsTheFileTheLockAndTheMark)
{
    const QString file = demoCopy();
    const QString target = path("target.zop");
    const struct {
        const char* from;
        QString fileName; // of the project before the save
    } cases[] = {{"titled", file}, {"untitled", QString()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        if (c.fileName.isEmpty()) {
            ASSERT_TRUE(form->NewProject());
        } else {
            ASSERT_TRUE(form->LoadProjectFile(c.fileName, false));
        }
        modifyTitle(QStringLiteral("Changed"));
        QFile::remove(target);
        QFile existing(target);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("keep");
        existing.close();
        TKivProjectLock held(target);
        ASSERT_TRUE(held.Acquire(0));

        files << target;
        answers << KivMsg::IdYes; // overwrite it? yes
        prompts.clear();
        EXPECT_FALSE(form->SaveProjectAs());
        ASSERT_EQ(prompts.size(), 2);
        EXPECT_EQ(prompts[1].caption, GetLangString(StrId::SaveFailedCaption));
        EXPECT_TRUE(prompts[1].text.startsWith(InUse(target, ThisProgram())))
            << qPrintable(prompts[1].text);
        EXPECT_EQ(bytes(target), "keep");
        EXPECT_EQ(form->FileName(), c.fileName);
        EXPECT_TRUE(form->Modified());
        if (!c.fileName.isEmpty()) {
            EXPECT_FALSE(Free(c.fileName)) << "the window keeps the old file's lock";
        }

        // Once it is free, the save goes through and the window holds the new file only.
        held.Release();
        files << target;
        answers << KivMsg::IdYes;
        ASSERT_TRUE(form->SaveProjectAs());
        EXPECT_EQ(form->FileName(), target);
        EXPECT_FALSE(form->Modified());
        EXPECT_FALSE(Free(target));
        EXPECT_TRUE(Free(file));
        ASSERT_TRUE(form->CloseProject());
    }

    // A save that fails after the lock was taken lets the new file's lock go again.
    ASSERT_TRUE(form->LoadProjectFile(file, false));
    modifyTitle(QStringLiteral("Changed"));
    ASSERT_TRUE(QDir().mkpath(path("taken.zop"))); // a folder where the file should go
    files << path("taken.zop");
    answers << KivMsg::IdYes;
    EXPECT_FALSE(form->SaveProjectAs());
    EXPECT_EQ(form->FileName(), file);
    EXPECT_TRUE(Free(path("taken.zop")));
    EXPECT_FALSE(Free(file));
}

TEST_F(MainFormLockTest, AProjectWithoutRoomForALockFileOpensButIsNotSavedOverUnlocked)
{
    // The longest name a folder takes leaves no room for ".lock" after it.
    const QString file = path(QString(251, u'p') + QStringLiteral(".zop"));
    ASSERT_TRUE(QFile::copy(demoCopy(), file));
    const QByteArray saved = bytes(file);
    ASSERT_TRUE(form->LoadProjectFile(file, false));
    EXPECT_TRUE(prompts.isEmpty());
    EXPECT_EQ(form->FileName(), file);

    modifyTitle(QStringLiteral("Changed"));
    EXPECT_FALSE(form->SaveProject());
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_EQ(prompts[0].caption, GetLangString(StrId::SaveFailedCaption));
    EXPECT_TRUE(prompts[0].text.contains(QStringLiteral("cannot be locked")))
        << qPrintable(prompts[0].text);
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(bytes(file), saved);
}

} // namespace
