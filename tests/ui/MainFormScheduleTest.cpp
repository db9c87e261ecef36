// The schedule in the main window, driven offscreen: the Schedule commands and their marks, the
// log window, scheduled reads of the demo station and of tamsor-sim through the window's read
// starter, the schedule stopping with the project, and the log window in every language. The
// schedule's clock is the test's; each tick is the timer's signal, sent by the test.
#include "CommunicationForm.h"
#include "LogForm.h"
#include "MainWindowTest.h"
#include "PeerProcess.h"
#include "WindowReadRunner.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivTamsor.h"
#include "schedule/ScheduleLog.h"
#include "schedule/ScheduleRunner.h"

#include <QAction>
#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{

const QString kStation = QStringLiteral("Read demo.bin-TP-300 demo panel ...");

class MainFormScheduleTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        form->SetScheduleClock([this] { return nowMs; });
        form->SetReportRoot(dir.filePath(QStringLiteral("reports")));
    }

    // The demo project and its register file, copied into a folder of their own.
    QString demoCopy(const QString& folder = QStringLiteral("demo"))
    {
        QDir(dir.path()).mkpath(folder);
        const QString target = dir.filePath(folder);
        QFile::copy(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.bin"), target + "/demo.bin");
        QFile::copy(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.zop"), target + "/demo.zop");
        return target + "/demo.zop";
    }
    TKivStation* station() const { return form->Project().Channels->Items(0)->Stations.Items(0); }
    // Moves the clock on and lets the schedule's timer fire once.
    void tick(int seconds = 1)
    {
        nowMs += qint64(seconds) * 1000;
        emit form->tmSchedule->timeout({});
    }
    // The log's messages, without their date and time.
    QStringList messages() const
    {
        QStringList result;
        for (const QString& line : form->ScheduleLog().Lines())
            result << line.section(QStringLiteral(" : "), 1);
        return result;
    }
    QString memo() const { return form->FormLog->moLog->toPlainText(); }
    int filesUnder(const QString& folder) const
    {
        int count = 0;
        for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();
             it.next())
            ++count;
        return count;
    }
    void switchLanguage(int id)
    {
        for (QAction* action : form->LanguageMenu()->actions())
            if (action->data().toInt() == id)
                action->trigger();
        ASSERT_EQ(LanguageResources.Current->LocaleId, id);
    }
    QStringList promptTexts() const
    {
        QStringList texts;
        for (const Prompt& prompt : prompts)
            texts << prompt.text;
        return texts;
    }

    qint64 nowMs = QDateTime(QDate(2026, 12, 10), QTime(6, 0)).toMSecsSinceEpoch();
};

TEST_F(MainFormScheduleTest, CommandsFollowTheProjectAndTheRunner)
{
    struct Marks {
        bool runEnabled, runChecked, stopEnabled, stopChecked, logEnabled, ticking;
    };
    const Marks noProject{false, false, false, false, false, false};
    const Marks stopped{true, false, true, true, true, false};
    const Marks running{true, true, true, false, true, true};
    auto expect = [this](const char* when, const Marks& m) {
        EXPECT_EQ(form->actScheduleRun->isEnabled(), m.runEnabled) << when;
        EXPECT_EQ(form->actScheduleRun->isChecked(), m.runChecked) << when;
        EXPECT_EQ(form->actScheduleStop->isEnabled(), m.stopEnabled) << when;
        EXPECT_EQ(form->actScheduleStop->isChecked(), m.stopChecked) << when;
        EXPECT_EQ(form->actScheduleLog->isEnabled(), m.logEnabled) << when;
        EXPECT_EQ(form->tmSchedule->isActive(), m.ticking) << when;
    };
    EXPECT_EQ(form->tmSchedule->interval(), 1000);
    expect("no project", noProject);
    form->actScheduleRunExecute(); // even when called directly, nothing runs without a project
    expect("Run without a project", noProject);
    EXPECT_EQ(form->ScheduleLog().Count(), 0);

    ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
    expect("opened", stopped);
    form->actScheduleRun->trigger();
    expect("after Run", running);
    form->actScheduleRun->trigger(); // a click on the checked item keeps it checked
    expect("after Run while running", running);
    form->actScheduleStop->trigger();
    expect("after Stop", stopped);
    form->actScheduleStop->trigger();
    expect("after Stop while stopped", stopped);
    EXPECT_EQ(messages(), (QStringList{"Schedule started", "Schedule stopped"}))
        << "Run while running and Stop while stopped log nothing";

    form->actScheduleRun->trigger();
    ASSERT_TRUE(form->CloseProject());
    expect("closed while running", noProject);
}

TEST_F(MainFormScheduleTest, RunOpensTheLogWindowCentredOnTheMainWindow)
{
    form->show();
    ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
    EXPECT_FALSE(form->FormLog->isVisible());
    form->actScheduleRun->trigger();
    ASSERT_TRUE(form->FormLog->isVisible());
    EXPECT_EQ(form->FormLog->windowTitle(), u"Schedule log");
    EXPECT_EQ(messages(), QStringList{"Schedule started"});
    EXPECT_EQ(memo(), form->ScheduleLog().Text());
    EXPECT_TRUE(form->FormLog->moLog->isReadOnly());
    const QPoint offset = form->FormLog->frameGeometry().center() - form->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << "," << offset.y();

    // Lines logged while the window is closed are there when it opens again.
    form->FormLog->close();
    form->actScheduleStop->trigger();
    form->actScheduleLog->trigger();
    EXPECT_TRUE(form->FormLog->isVisible());
    EXPECT_EQ(memo(), form->ScheduleLog().Text());
    EXPECT_EQ(form->FormLog->moLog->blockCount(), 2);

    // The memo keeps the newest lines, no more than the log does.
    QStringList full;
    for (int i = 0; i < TScheduleLog::MaxLines; ++i)
        full << QString::number(i);
    form->FormLog->SetLines(full.join(u'\n'));
    form->FormLog->AppendLine(QString::number(TScheduleLog::MaxLines));
    EXPECT_EQ(form->FormLog->moLog->blockCount(), TScheduleLog::MaxLines);
    EXPECT_TRUE(memo().startsWith(QStringLiteral("1\n")));
    EXPECT_TRUE(memo().endsWith(u'\n' + QString::number(TScheduleLog::MaxLines)));
}

TEST_F(MainFormScheduleTest, ScheduledReadOfTheDemoStation)
{
    enum Case { Read, NoRegisterFile, NoReportFolder };
    const struct {
        Case what;
        int lines;           // the read's lines: its start and outcome, with its success
                             // before the outcome when only the reports failed
        const char* outcome; // in the outcome line
        bool stored;         // the image was read and stored
        quint32 moved;       // how far ScheduleBase moved
        int reports;
    } cases[] = {{Read, 2, "(2) OK!!", true, 3600, 8},
                 {NoRegisterFile, 2, "Failed!!", false, 30, 0},
                 {NoReportFolder, 3, "Failed!!", true, 30, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString folder = QStringLiteral("case%1").arg(c.what);
        const QString file = demoCopy(folder);
        if (c.what == NoRegisterFile)
            QFile::remove(dir.filePath(folder + "/demo.bin"));
        const QString reportRoot = dir.filePath(folder + "/reports");
        if (c.what == NoReportFolder) {
            ASSERT_TRUE(WriteBytes(reportRoot, "a file where the folder should be"));
        }
        form->SetReportRoot(reportRoot);
        ASSERT_TRUE(form->LoadProjectFile(file, false));
        prompts.clear();
        ASSERT_EQ(station()->ScheduleTime, 3600u);

        form->actScheduleRun->trigger();
        const quint32 base = station()->ScheduleBase;
        tick(3600); // the interval has passed exactly: not yet due
        EXPECT_EQ(messages().size(), 1);
        tick(1); // read in place: the register file
        EXPECT_EQ(messages().value(1), kStation);
        tick(2); // the outcome is taken on the next tick
        ASSERT_EQ(messages().size(), 1 + c.lines) << qPrintable(messages().join(u"|"));
        const QString outcome = messages().last();
        EXPECT_TRUE(outcome.startsWith(kStation + u' ')) << qPrintable(outcome);
        EXPECT_TRUE(outcome.contains(QLatin1String(c.outcome))) << qPrintable(outcome);
        if (c.what == NoReportFolder) {
            EXPECT_TRUE(outcome.contains(reportRoot)) << "says why: " << qPrintable(outcome);
        }
        EXPECT_EQ(station()->UpdateTime > 0, c.stored);
        EXPECT_EQ(station()->ScheduleBase, base + c.moved);
        EXPECT_EQ(filesUnder(reportRoot + "/demo"), c.reports);
        EXPECT_EQ(memo(), form->ScheduleLog().Text());
        EXPECT_EQ(form->Modified(), c.stored)
            << "closing asks to save what the schedule stored, and only that";
        EXPECT_TRUE(prompts.isEmpty())
            << "a scheduled read asks nothing: " << qPrintable(promptTexts().join(u'|'));
        form->actScheduleStop->trigger();
        form->SetModified(false);
        ASSERT_TRUE(form->CloseProject());
    }
}

TEST_F(MainFormScheduleTest, ClosingReplacingOrLoadingTheProjectStopsTheSchedule)
{
    const QString file = demoCopy();
    const struct {
        const char* how;
        std::function<bool(TFormMain&)> leave;
        bool opened; // a project is open afterwards
    } cases[] = {
        {"close", [](TFormMain& f) { return f.CloseProject(); }, false},
        {"new", [](TFormMain& f) { return f.NewProject(); }, true},
        {"recent", [&](TFormMain& f) { return f.RecentFileClick(file), f.Project().Opened; }, true},
        {"load", [&](TFormMain& f) { return f.LoadProjectFile(file, false); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        form->SetModified(false);
        ASSERT_TRUE(form->LoadProjectFile(file, false));
        form->actScheduleRun->trigger();
        tick(3601); // the demo station's read has started and its outcome is awaited
        ASSERT_EQ(form->ScheduleRunner().State(), TScheduleRunner::StateWaiting);
        EXPECT_TRUE(form->Modified()) << "the image the read stored is not saved yet";

        answers = {KivMsg::IdNo}; // asked to save it (unless loaded over): no
        ASSERT_TRUE(c.leave(*form));
        answers.clear();
        EXPECT_EQ(messages(), QStringList{"Schedule stopped"});
        EXPECT_EQ(memo(), form->ScheduleLog().Text());
        EXPECT_FALSE(form->tmSchedule->isActive());
        EXPECT_FALSE(form->ScheduleRunner().IsRunning());
        EXPECT_EQ(form->actScheduleStop->isChecked(), c.opened);
        EXPECT_FALSE(form->actScheduleRun->isChecked());
        tick(60); // a tick already on its way reads nothing
        EXPECT_EQ(messages().size(), 1);
    }
}

TEST_F(MainFormScheduleTest, ADueStationWaitsWhileTheReadWindowShowsAManualRead)
{
    ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
    TFormCommunication readWindow(form.get());
    readWindow.show(); // the outcome of a manual read, not yet closed by the user
    form->actScheduleRun->trigger();
    tick(3601);
    tick(1);
    EXPECT_EQ(messages(), QStringList{"Schedule started"});
    EXPECT_EQ(station()->UpdateTime, 0);

    readWindow.close();
    tick(1);
    EXPECT_EQ(messages().value(1), kStation);
    tick(1);
    EXPECT_TRUE(messages().value(2).endsWith(QLatin1String("(1) OK!!")))
        << qPrintable(messages().value(2));
}

TEST_F(MainFormScheduleTest, ScheduledReadFromTheSimulatorThroughTheReadWindow)
{
    QFile::copy(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.bin"), dir.filePath("served.bin"));
    PeerSet peers;
    const QString address = peers.ServeTcp(dir.filePath("served.bin"));
    ASSERT_FALSE(address.isEmpty());
    TWindowReadRunner readRunner(form.get());
    ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
    TKivChannel* channel = form->Project().Channels->Items(0);
    channel->Type = TKivChannel::TypeInternet;
    channel->Ip = address;
    const QString started = QStringLiteral("Read %1-TP-300 demo panel ...").arg(address);

    form->actScheduleRun->trigger();
    tick(3601); // returns once the silent read window has closed itself
    ASSERT_NE(readRunner.FormCommunication(), nullptr);
    EXPECT_FALSE(readRunner.FormCommunication()->isVisible());
    EXPECT_EQ(messages().value(1), started);
    tick(5);
    EXPECT_EQ(messages().value(2), started + " (5) OK!!");
    EXPECT_EQ(messages().size(), 3) << "no second read while the first ran";
    QFile served(dir.filePath("served.bin"));
    ASSERT_TRUE(served.open(QIODevice::ReadOnly));
    EXPECT_EQ(station()->RegisterImage, served.readAll());
    EXPECT_EQ(filesUnder(dir.filePath("reports/demo")), 8);
    EXPECT_TRUE(prompts.isEmpty());
}

TEST_F(MainFormScheduleTest, LanguageSwitchRetextsTheLogWindowAndKeepsItsLines)
{
    ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
    form->actScheduleRun->trigger();
    const QString lines = memo();
    for (const int language : {1031, 1028, 2052, 1033}) {
        SCOPED_TRACE(language);
        switchLanguage(language);
        EXPECT_EQ(form->FormLog->windowTitle(), GetLangString(StrId::ScheduleLogCaption));
        EXPECT_FALSE(form->FormLog->windowTitle().isEmpty());
        EXPECT_EQ(form->FormLog->moLog->accessibleName(), form->FormLog->windowTitle());
        EXPECT_EQ(form->FormLog->font().family(), form->font().family());
        EXPECT_TRUE(form->actScheduleLog->text().contains(u'&')) << "reached by its access key";
        EXPECT_EQ(memo(), lines) << "lines stay as they were logged";
    }
    EXPECT_EQ(form->FormLog->windowTitle(), u"Schedule log");
}

} // namespace
