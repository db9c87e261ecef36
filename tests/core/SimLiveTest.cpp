// tamsor-sim --live: the demo panel, stepped on SIGUSR1 and read between steps with the station
// reader, keeps its logs, alarm history and recipes the way a running panel does, as the
// decoders see them.
#include "comm/StationReader.h"
#include "model/KivChannel.h"
#include "reports/KivAlarmDecoder.h"
#include "reports/KivRecipeDecoder.h"

#include "DecoderTestSupport.h"
#include "PeerProcess.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>

namespace
{

constexpr quint32 kClock = 1800000000; // 2027-01-15, later than every tick of the demo image
constexpr quint32 kDemoModel = 300;
const QString kExamples = QStringLiteral(TAMSOR_SOURCE_DIR "/examples/");

// The demo's define file with two more logs: a ring of 8 slots over registers the demo image
// leaves zero (so it starts empty and wraps after 8 steps), and one that does not fit in the
// image.
QByteArray FixtureDefine()
{
    QFile demo(kExamples + "demo.def");
    if (!demo.open(QIODevice::ReadOnly))
        return {};
    return demo.readAll() + "\r\n[RECORD0004]\r\nName=Small ring\r\nFormat=5\r\nRegister=5000\r\n"
                            "Count=8\r\nCapacity=4\r\nTick=1\r\nColumn=2\r\n"
                            "\r\n[RECORD0005]\r\nName=Beyond the image\r\nFormat=4\r\n"
                            "Register=65530\r\nCount=8\r\nCapacity=1\r\nTick=1\r\nColumn=1\r\n";
}

// A log as the decoders read it: each entry's tick and registers, oldest first.
struct LogEntries {
    std::vector<quint32> ticks;
    std::vector<QList<quint16>> registers;
    qint64 Count() const { return qint64(ticks.size()); }
};

LogEntries ReadLog(const TKivDataRecord& record)
{
    LogEntries log;
    for (quint32 i = 0; i < record.EntryCount(); ++i) {
        log.ticks.push_back(record.EntryTick(i));
        QList<quint16> registers;
        for (quint32 k = 0; k < record.Capacity; ++k)
            registers << record.EntryRegister(i, k);
        log.registers.push_back(registers);
    }
    return log;
}

// tamsor-sim --live serving the demo image, stepped on SIGUSR1.
class LiveSim
{
public:
    bool Start(const QString& define, const QStringList& options)
    {
        const auto match = m_sim.Start(TamsorSimPath(),
                                       QStringList{"--image", kExamples + "demo.bin", "--tcp",
                                                   "127.0.0.1:0", "--define", define} +
                                           options,
                                       QRegularExpression("ready port=(\\d+)"));
        m_address = match.hasMatch() ? "127.0.0.1:" + match.captured(1) : QString();
        return !m_address.isEmpty();
    }

    // Waits for the line the sim prints once its step `step` has changed the image.
    bool WaitForStep(qint64 step)
    {
        const QByteArray line = "step " + QByteArray::number(step) + "\n";
        QProcess& process = m_sim.Process();
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && process.state() == QProcess::Running) {
            while (process.canReadLine()) {
                if (process.readLine() == line)
                    return true;
            }
            process.waitForReadyRead(100);
        }
        return false;
    }

    // Asks for a step and waits until it is taken, `times` over.
    ::testing::AssertionResult Step(int times)
    {
        for (int n = 0; n < times; ++n) {
            ::kill(pid_t(m_sim.Process().processId()), SIGUSR1);
            if (!WaitForStep(++m_steps))
                return ::testing::AssertionFailure() << "no line for step " << m_steps;
        }
        return ::testing::AssertionSuccess();
    }

    // The whole register image, read as a station read reads it.
    QByteArray Read() const
    {
        StationReadRequest request;
        request.channelType = TKivChannel::TypeInternet;
        request.address = m_address;
        request.modelId = kDemoModel;
        request.options.BlockRegisters = 125;
        request.options.InFlight = 16;
        const StationReadOutcome outcome = RunStationRead(request);
        EXPECT_EQ(outcome.state, ReadDone) << outcome.message.toStdString();
        return outcome.image;
    }

    // Whether the sim says text on stderr, waiting for it a while.
    bool Says(const QByteArray& text)
    {
        QProcess& process = m_sim.Process();
        QDeadlineTimer deadline(10000);
        while (!m_errors.contains(text) && !deadline.hasExpired()) {
            process.waitForReadyRead(50); // reads what came on either channel
            m_errors += process.readAllStandardError();
        }
        return m_errors.contains(text);
    }

private:
    PeerProcess m_sim;
    QString m_address;
    qint64 m_steps = 0;
    QByteArray m_errors;
};

class SimLive : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_define = m_dir.filePath("live.def");
        ASSERT_TRUE(WriteBytes(m_define, FixtureDefine()));
        QString error;
        ASSERT_TRUE(m_station.ImportDefine(m_define, &error)) << error.toStdString();
    }

    // Each log that can be kept has taken `steps` more entries than `before` holds: its
    // entries still there are those of before, in order, after them come the new ones, stamped
    // one second apart up to the panel's clock after `stepsTaken`; a ring that wrapped more
    // than once holds just the newest.
    void ExpectLogsMovedOn(const std::vector<LogEntries>& before, const QByteArray& image,
                           qint64 steps, qint64 stepsTaken)
    {
        m_station.RegisterImage = image;
        for (int r = 0; r < m_station.DataRecords->Count() - 1; ++r) {
            const TKivDataRecord& record = *m_station.DataRecords->Items(r);
            SCOPED_TRACE(record.Name.toStdString());
            const LogEntries after = ReadLog(record);
            const LogEntries& old = before[size_t(r)];
            ASSERT_EQ(after.Count(), std::min<qint64>(old.Count() + steps, record.Count));
            const qint64 fresh = std::min<qint64>(steps, after.Count());
            const qint64 kept = after.Count() - fresh;
            for (qint64 i = 0; i < kept; ++i) {
                EXPECT_EQ(after.ticks[i], old.ticks[old.Count() - kept + i]) << i;
                EXPECT_EQ(after.registers[i], old.registers[old.Count() - kept + i]) << i;
            }
            if (record.Tick == 0)
                continue;
            for (qint64 i = kept; i < after.Count(); ++i)
                EXPECT_EQ(after.ticks[i], kClock + stepsTaken - (after.Count() - 1 - i)) << i;
        }
    }

    std::vector<LogEntries> ReadLogs(const QByteArray& image)
    {
        m_station.RegisterImage = image;
        std::vector<LogEntries> logs;
        for (const TKivDataRecord* record : *m_station.DataRecords)
            logs.push_back(ReadLog(*record));
        return logs;
    }

    QList<QList<QStringList>> RecipeTables(const QByteArray& image) const
    {
        QList<QList<QStringList>> tables;
        for (const TKivRecipe* recipe : *m_station.Recipes)
            tables << TableRows(TKivRecipeTable(*recipe, image, 0));
        return tables;
    }

    QTemporaryDir m_dir;
    QString m_define;
    TKivStation m_station{nullptr};
};

} // namespace

TEST_F(SimLive, LogsAlarmsAndRecipesMoveOnAsOnARunningPanel)
{
    LiveSim sim;
    ASSERT_TRUE(sim.Start(m_define,
                          {"--live", "0", "--seed", "1", "--live-clock", QString::number(kClock)}));
    EXPECT_TRUE(sim.Says("Beyond the image"));
    const QByteArray first = sim.Read();
    const std::vector<LogEntries> atStart = ReadLogs(first);
    ASSERT_EQ(atStart[4].Count(), 0) << "the small ring starts empty";

    ASSERT_TRUE(sim.Step(3));
    const QByteArray second = sim.Read();
    ExpectLogsMovedOn(atStart, second, 3, 3);
    // Values start where the log stood: the oven's newest temperature stays near the last one.
    m_station.RegisterImage = second;
    const TKivDataRecordTable oven(*m_station.DataRecords->Items(0), second, 0);
    const double last = qint16(atStart[0].registers.back()[0]);
    EXPECT_NEAR(*oven.CellNumber(oven.RowCount() - 1, 1), last, 0.2 * last);

    ASSERT_TRUE(sim.Step(20)); // the small ring wraps twice more
    const QByteArray third = sim.Read();
    ExpectLogsMovedOn(ReadLogs(second), third, 20, 23);

    m_station.RegisterImage = third;
    const TKivAlarms& alarms = *m_station.Alarms;
    ASSERT_EQ(alarms.HistoryCount(), 40);
    bool started = false;
    bool startedAndEnded = false;
    for (int i = 0; i < alarms.HistoryCount(); ++i) {
        const TKivAlarmEntry entry = *alarms.HistoryEntry(i);
        if (i > 0) {
            EXPECT_GE(entry.Time1, alarms.HistoryEntry(i - 1)->Time1) << "oldest first, " << i;
        }
        EXPECT_TRUE(entry.Time2 == 0 || entry.Time2 >= entry.Time1) << i;
        EXPECT_LT(entry.AlarmNumber, quint32(alarms.Count())) << i;
        started |= entry.Time1 > kClock;
        startedAndEnded |= entry.Time1 > kClock && entry.Time2 > entry.Time1;
    }
    EXPECT_TRUE(started);
    EXPECT_TRUE(startedAndEnded);

    const auto recipesBefore = RecipeTables(first);
    const auto recipesAfter = RecipeTables(third);
    int changed = 0;
    for (int t = 0; t < recipesBefore.size(); ++t) {
        for (int r = 0; r < recipesBefore[t].size(); ++r) {
            for (int c = 0; c < recipesBefore[t][r].size(); ++c)
                changed += recipesBefore[t][r][c] != recipesAfter[t][r][c];
        }
    }
    EXPECT_GE(changed, 1);
    EXPECT_LE(changed, 23) << "one value at most a step";
}

TEST_F(SimLive, TheSameSeedRepeatsARun)
{
    const QStringList clock{"--live-clock", QString::number(kClock)};
    LiveSim one, again, other;
    ASSERT_TRUE(one.Start(m_define, QStringList{"--live", "0", "--seed", "7"} + clock));
    ASSERT_TRUE(again.Start(m_define, QStringList{"--live", "0", "--seed", "7"} + clock));
    ASSERT_TRUE(other.Start(m_define, QStringList{"--live", "0", "--seed", "8"} + clock));
    for (LiveSim* sim : {&one, &again, &other})
        ASSERT_TRUE(sim->Step(6));
    const QByteArray image = one.Read();
    EXPECT_EQ(again.Read(), image);
    EXPECT_NE(other.Read(), image);
}

TEST_F(SimLive, StepsComeByThemselvesEveryInterval)
{
    LiveSim sim;
    ASSERT_TRUE(sim.Start(m_define, {"--live", "0.01"}));
    ASSERT_TRUE(sim.WaitForStep(3));
    m_station.RegisterImage = sim.Read();
    EXPECT_GE(m_station.DataRecords->Items(4)->EntryCount(), 3u);
}

TEST(SimLiveOptions, WrongCombinationsAndValuesAreRefused)
{
    const QString image = kExamples + "demo.bin";
    const QString define = kExamples + "demo.def";
    const struct {
        QStringList options;
        int exitCode;
        const char* says;
    } cases[] = {
        {{"--live", "1"}, 2, "--live needs --define"},
        {{"--define", define}, 2, "go with --live"},
        {{"--live", "-1", "--define", define}, 2, "--live: not 0 or a time"},
        {{"--live", "0.0001", "--define", define}, 2, "--live: not 0 or a time"},
        {{"--live", "0", "--define", define, "--live-clock", "soon"}, 2, "--live-clock: not"},
        {{"--live", "0", "--define", define, "--seed", "4294967296"}, 2, "--seed: not"},
        {{"--live", "0", "--define", image + ".missing"}, 1, "cannot use the define file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        QProcess sim;
        sim.start(TamsorSimPath(),
                  QStringList{"--image", image, "--tcp", "127.0.0.1:0"} + c.options);
        ASSERT_TRUE(sim.waitForFinished(10000));
        EXPECT_EQ(sim.exitCode(), c.exitCode);
        EXPECT_TRUE(sim.readAllStandardError().contains(c.says));
    }
}
