// tamsor-cli run, run as a program against tamsor-sim devices: the log lines it prints, the
// reports it writes and the project it saves, stopped by SIGTERM or by --duration. Waits for
// log lines, never for a length of time.
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include "PeerProcess.h"

#include <QDeadlineTimer>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

const QString kDemoModel = QStringLiteral("TP-300 demo panel");

// A running tamsor-cli run whose standard output is read line by line.
class RunningCli
{
public:
    RunningCli(const QStringList& arguments, const QString& configHome)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", configHome);
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(TAMSOR_BIN_DIR "/tamsor-cli"),
                        QStringList{"--lang", "1033", "run"} + arguments);
    }
    ~RunningCli()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Waits for the next line matching pattern (lines before it stay in Lines()); false when
    // the program ended or nothing came within a minute.
    bool WaitFor(const QString& pattern)
    {
        const QRegularExpression expression(pattern);
        QDeadlineTimer deadline(60000);
        for (;;) {
            while (m_next < m_lines.size())
                if (expression.match(m_lines[m_next++]).hasMatch())
                    return true;
            if (deadline.hasExpired() || !ReadMore(deadline))
                return false;
        }
    }
    // Sends SIGTERM and waits for the end; the exit code.
    int Terminate()
    {
        m_process.terminate();
        return Finish();
    }
    int Finish()
    {
        EXPECT_TRUE(m_process.waitForFinished(30000));
        m_lines << Split(m_process.readAllStandardOutput());
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    // The messages of all lines so far, without their date and time.
    QStringList Messages() const
    {
        QStringList messages;
        for (const QString& line : m_lines)
            messages << line.section(QStringLiteral(" : "), 1);
        return messages;
    }
    QString Output() const { return m_lines.join('\n') + '\n' + m_process.readAllStandardError(); }

private:
    bool ReadMore(const QDeadlineTimer& deadline)
    {
        if (m_process.state() == QProcess::NotRunning && !m_process.bytesAvailable())
            return false;
        if (!m_process.canReadLine())
            m_process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 1000)));
        while (m_process.canReadLine())
            m_lines << QString::fromUtf8(m_process.readLine()).trimmed();
        return true;
    }
    static QStringList Split(const QByteArray& bytes)
    {
        return QString::fromUtf8(bytes).split('\n', Qt::SkipEmptyParts);
    }

    mutable QProcess m_process;
    QStringList m_lines;
    qsizetype m_next = 0;
};

class CliRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : {"demo.zop", "demo.bin"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/") + name,
                                    m_dir.filePath(name)));
        m_project = m_dir.filePath("line.zop");
        m_out = m_dir.filePath("reports");
    }

    // A TCP device serving the demo image; "127.0.0.1:PORT".
    QString Device(const QStringList& faults = {})
    {
        const QString address = m_peers.ServeTcp(m_dir.filePath("demo.bin"), faults);
        EXPECT_FALSE(address.isEmpty());
        return address;
    }

    // The project: one channel per address (an Internet channel, or the register file when
    // the address names one), each with a copy of the demo station read every `interval` s.
    void WriteProject(const QStringList& addresses, quint32 interval)
    {
        TKivTamsor demo;
        ASSERT_TRUE(ReadProjectFile(m_dir.filePath("demo.zop"), demo));
        TKivStation* panel = demo.Channels->Items(0)->Stations.Items(0);
        TKivTamsor root;
        root.Start();
        for (const QString& address : addresses) {
            auto* channel = new TKivChannel(root.Channels.get());
            const bool file = address.endsWith(".bin");
            channel->Type = file ? TKivChannel::TypeRegisterFile : TKivChannel::TypeInternet;
            (file ? channel->RegisterFileName : channel->Ip) = address;
            auto* station = new TKivStation(channel);
            station->Assign(*panel);
            station->ScheduleTime = interval;
        }
        WriteProjectFile(m_project, root);
    }

    std::unique_ptr<RunningCli> Start(const QStringList& options = {})
    {
        return std::make_unique<RunningCli>(QStringList{m_project, "--out", m_out} + options,
                                            m_dir.filePath("config"));
    }

    std::unique_ptr<TKivTamsor> Load() const
    {
        auto root = std::make_unique<TKivTamsor>();
        EXPECT_TRUE(ReadProjectFile(m_project, *root));
        return root;
    }
    static TKivStation* StationOf(TKivTamsor& root, int channel)
    {
        return root.Channels->Items(channel)->Stations.Items(0);
    }

    // Report files under the station folder of a channel caption, by table folder.
    QStringList ReportsOf(const QString& caption, const QString& table) const
    {
        const QString folder = m_out + "/line/" + caption + " [" + kDemoModel + "]/" + table;
        return QDir(folder).entryList(QDir::Files);
    }

    QTemporaryDir m_dir;
    PeerSet m_peers;
    QString m_project;
    QString m_out;
};

QString Escaped(const QString& text)
{
    return QRegularExpression::escape(text);
}

TEST_F(CliRun, CollectsFromSeveralStationsUntilSigterm)
{
    // The first device leaves its 300th request unanswered: its read fails after 6 s without
    // a byte, and the schedule goes on with the other device.
    const QString dropping = Device({"--drop-every", "300"});
    const QString good = Device();
    WriteProject({dropping, good}, 3);
    const QString start1 = "^Read " + Escaped(dropping) + "-" + kDemoModel + " \\.\\.\\.$";
    const QString start2 = "^Read " + Escaped(good) + "-" + kDemoModel + " \\.\\.\\.$";
    const QString done2 =
        "^Read " + Escaped(good) + "-" + kDemoModel + " \\.\\.\\. \\(\\d+\\) OK!!$";

    auto cli = Start();
    ASSERT_TRUE(cli->WaitFor(" : Schedule started$")) << qPrintable(cli->Output());
    ASSERT_TRUE(cli->WaitFor(" : " + start1.mid(1))) << qPrintable(cli->Output());
    ASSERT_TRUE(cli->WaitFor(" : Read " + Escaped(dropping) + ".* Failed!!$"))
        << qPrintable(cli->Output());
    ASSERT_TRUE(cli->WaitFor(done2.mid(1))) << qPrintable(cli->Output());
    ASSERT_TRUE(cli->WaitFor(done2.mid(1))) << qPrintable(cli->Output());
    EXPECT_EQ(cli->Terminate(), 0) << qPrintable(cli->Output());

    const QStringList messages = cli->Messages();
    EXPECT_EQ(messages.first(), "Schedule started");
    EXPECT_EQ(messages.last(), "Schedule stopped");
    EXPECT_TRUE(QRegularExpression(start1).match(messages[1]).hasMatch())
        << qPrintable(cli->Output());
    // One report per successful read in every table folder, none for the failed device.
    const int reads = int(messages.filter(QRegularExpression(done2)).size());
    EXPECT_EQ(ReportsOf(good, "Recipe(Bread dough)").size(), reads);
    EXPECT_EQ(ReportsOf(good, "Alarm").size(), reads);
    EXPECT_FALSE(QDir(m_out + "/line/" + dropping + " [" + kDemoModel + "]").exists());

    auto root = Load();
    EXPECT_EQ(root->Schedule, 0u);
    QFile image(m_dir.filePath("demo.bin"));
    ASSERT_TRUE(image.open(QIODevice::ReadOnly));
    EXPECT_EQ(StationOf(*root, 1)->RegisterImage, image.readAll());
    EXPECT_GT(StationOf(*root, 1)->UpdateTime, 0);
    EXPECT_EQ(StationOf(*root, 0)->UpdateTime, 0);
}

TEST_F(CliRun, ParallelReadsTwoDevicesAtOnceAndSigtermMidReadLeavesALoadableProject)
{
    const QString fast = Device();
    const QString slow = Device({"--latency", "20"}); // a full read takes over 20 s
    WriteProject({fast, slow}, 1);
    auto cli = Start({"--parallel"});
    const QString fastDone = " : Read " + Escaped(fast) + ".* OK!!$";
    ASSERT_TRUE(cli->WaitFor(fastDone)) << qPrintable(cli->Output());
    // Saved after the read, while the schedule runs on.
    {
        auto root = Load();
        EXPECT_GT(StationOf(*root, 0)->UpdateTime, 0);
        EXPECT_EQ(StationOf(*root, 1)->UpdateTime, 0);
    }
    EXPECT_EQ(cli->Terminate(), 0) << qPrintable(cli->Output());

    const QStringList messages = cli->Messages();
    const QString slowText = "Read " + slow + "-" + kDemoModel;
    ASSERT_GE(messages.size(), 5) << qPrintable(cli->Output());
    // Both reads start on one tick, before the first outcome is taken.
    EXPECT_EQ(messages.mid(1, 2),
              QStringList({"Read " + fast + "-" + kDemoModel + " ...", slowText + " ..."}));
    EXPECT_TRUE(messages[3].startsWith("Read " + fast + "-" + kDemoModel + " ... ("))
        << qPrintable(cli->Output());
    EXPECT_EQ(messages.filter(slowText).size(), 1) << "the slow read neither ended nor failed";
    EXPECT_EQ(messages.last(), "Schedule stopped");

    auto root = Load();
    EXPECT_EQ(root->Schedule, 0u);
    EXPECT_GT(StationOf(*root, 0)->UpdateTime, 0);
    EXPECT_EQ(StationOf(*root, 1)->UpdateTime, 0);
    EXPECT_EQ(StationOf(*root, 1)->RegisterImage, QByteArray(131072, '\0'));
}

TEST_F(CliRun, DurationEndsTheRunAndRegisterFilesAreReadInPlace)
{
    WriteProject({"demo.bin"}, 2);
    auto cli = Start({"--duration", "5"});
    EXPECT_EQ(cli->Finish(), 0) << qPrintable(cli->Output());
    const QStringList messages = cli->Messages();
    ASSERT_GE(messages.size(), 4) << qPrintable(cli->Output());
    EXPECT_EQ(messages.first(), "Schedule started");
    EXPECT_EQ(messages[1], "Read demo.bin-" + kDemoModel + " ...");
    const QRegularExpression done("^Read demo\\.bin-" + kDemoModel + " \\.\\.\\. \\(\\d\\) OK!!$");
    EXPECT_TRUE(done.match(messages[2]).hasMatch()) << qPrintable(cli->Output());
    EXPECT_EQ(messages.last(), "Schedule stopped");
    EXPECT_EQ(ReportsOf("demo.bin", "Alarm").size(), messages.filter(done).size());
    EXPECT_GT(StationOf(*Load(), 0)->UpdateTime, 0);
}

TEST_F(CliRun, ReportsThatCannotBeWrittenFailTheReadWithTheirReason)
{
    WriteProject({"demo.bin"}, 1);
    m_out = m_dir.filePath("demo.bin/reports"); // below a file: no folder can be made
    auto cli = Start();
    ASSERT_TRUE(cli->WaitFor(" : Read demo\\.bin-.* Failed!! Reports not written: Cannot create "
                             "the folder of \".*demo\\.bin/reports/line/.*\\.txt\"\\.$"))
        << qPrintable(cli->Output());
    EXPECT_EQ(cli->Terminate(), 0);
    EXPECT_EQ(cli->Messages().filter(QRegularExpression("OK!!$")).size(),
              cli->Messages().filter(QRegularExpression("Failed!!")).size())
        << "each read is logged as read, then as failed by its reports";
}

TEST_F(CliRun, RefusesWhatItCannotRun)
{
    WriteProject({"demo.bin"}, 1);
    struct Case {
        QStringList arguments;
        int exitCode;
        QString error;
    };
    const Case cases[] = {
        {{"--duration", "0", m_project}, 1, "--duration must be"},
        {{"--duration", "ten", m_project}, 1, "--duration must be"},
        {{}, 2, "expected one project file"},
        {{m_dir.filePath("missing.zop")}, 1, "missing.zop"},
    };
    for (const Case& c : cases) {
        QProcess process;
        process.start(QStringLiteral(TAMSOR_BIN_DIR "/tamsor-cli"),
                      QStringList{"--lang", "1033", "run"} + c.arguments);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), c.exitCode) << qPrintable(c.arguments.join(' '));
        EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains(c.error))
            << qPrintable(c.arguments.join(' '));
    }
}

} // namespace
