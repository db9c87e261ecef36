// The history of a running panel, end to end: tamsor-sim --live serves a station whose logs and
// alarm history move on step by step; tamsor-cli read reads it round after round, some rounds
// letting its rings wrap past the last read, some reads killed with SIGKILL on their way. The
// store then holds exactly the entries the panel showed at some read, each once and in order,
// and a gap mark exactly where a ring wrapped past everything the read before it had seen.
#include "history/HistoryQuery.h"
#include "history/HistoryStore.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"
#include "reports/KivDataRecordDecoder.h"

#include "CliProcess.h"
#include "PeerProcess.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <signal.h>

namespace
{

constexpr quint32 kClock = 1800000000; // 2027-01-15, later than every tick of the demo image
const QString kExamples = QStringLiteral(TAMSOR_SOURCE_DIR "/examples/");

// The demo's define file with a ring of 8 slots over registers the demo image leaves zero: it
// starts empty and wraps after 8 steps. The demo's own logs hold 20 to 100 entries.
QByteArray LiveDefine()
{
    QFile demo(kExamples + "demo.def");
    if (!demo.open(QIODevice::ReadOnly))
        return {};
    return demo.readAll() + "\r\n[RECORD0004]\r\nName=Small ring\r\nFormat=5\r\nRegister=5000\r\n"
                            "Count=8\r\nCapacity=4\r\nTick=1\r\nColumn=2\r\n";
}

// tamsor-sim --live serving the demo image, stepped on SIGUSR1 only.
class LiveSim
{
public:
    QString Start(const QString& define)
    {
        const auto match = m_sim.Start(
            TamsorSimPath(),
            {"--image", kExamples + "demo.bin", "--tcp", "127.0.0.1:0", "--define", define,
             "--live", "0", "--seed", "5", "--live-clock", QString::number(kClock)},
            QRegularExpression("ready port=(\\d+)"));
        return match.hasMatch() ? "127.0.0.1:" + match.captured(1) : QString();
    }

    // Takes `times` steps, each asked for and waited for until the sim says it is taken.
    ::testing::AssertionResult Step(int times)
    {
        QProcess& process = m_sim.Process();
        for (int n = 0; n < times; ++n) {
            ::kill(pid_t(process.processId()), SIGUSR1);
            const QByteArray line = "step " + QByteArray::number(++m_steps) + "\n";
            bool taken = false;
            while (!taken && process.state() == QProcess::Running) {
                while (!taken && process.canReadLine())
                    taken = process.readLine() == line;
                if (!taken && !process.waitForReadyRead(30000))
                    break;
            }
            if (!taken)
                return ::testing::AssertionFailure() << "no line for step " << m_steps;
        }
        return ::testing::AssertionSuccess();
    }

    qint64 Steps() const { return m_steps; }

private:
    PeerProcess m_sim;
    qint64 m_steps = 0;
};

// One log entry as the report shows it: its time stamp (none without) and its registers.
struct ShownEntry {
    std::optional<qint64> time;
    QList<quint16> registers;
    bool operator==(const ShownEntry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ShownEntry& entry)
{
    out << (entry.time ? QString::number(*entry.time).toStdString() : "-") << " [";
    for (quint16 value : entry.registers)
        out << value << ' ';
    return out << ']';
}

// What the history of one ring must hold, built from what the panel showed at each completed
// read. The panel appends one entry a step, so entry i of a ring of n entries after s steps is
// the panel's entry number s - (n - 1 - i), the demo image's own entries counting up to 0.
class RingExpectation
{
public:
    void Shown(qint64 steps, const std::vector<ShownEntry>& ring)
    {
        const qint64 oldest = steps - qint64(ring.size()) + 1;
        for (qint64 i = 0; i < qint64(ring.size()); ++i) {
            const auto at = m_entries.emplace(oldest + i, ring[size_t(i)]).first;
            EXPECT_EQ(at->second, ring[size_t(i)]) << "entry " << oldest + i << " changed";
        }
        // The ring shares no entry with the one the previous read saw: entries may be lost.
        if (m_newest && !ring.empty() && oldest > *m_newest)
            m_gaps.insert(oldest);
        if (!ring.empty())
            m_newest = steps;
    }

    // Every entry shown, oldest first, each with whether a gap comes before it.
    std::vector<std::pair<ShownEntry, bool>> Expected() const
    {
        std::vector<std::pair<ShownEntry, bool>> expected;
        for (const auto& [number, entry] : m_entries)
            expected.emplace_back(entry, m_gaps.count(number) > 0);
        return expected;
    }

private:
    std::map<qint64, ShownEntry> m_entries;
    std::set<qint64> m_gaps;
    std::optional<qint64> m_newest;
};

std::vector<ShownEntry> ShownLog(const TKivDataRecord& record, const QByteArray& image)
{
    const TKivDataRecordTable table(record, image, 0);
    std::vector<ShownEntry> entries;
    for (quint32 i = 0; i < record.EntryCount(); ++i) {
        ShownEntry entry;
        if (record.Tick != 0)
            entry.time = table.ShownTick(i);
        for (quint32 k = 0; k < record.Capacity; ++k)
            entry.registers << record.EntryRegister(i, k);
        entries.push_back(entry);
    }
    return entries;
}

QList<quint16> Registers(const QByteArray& raw)
{
    QList<quint16> registers;
    for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
        registers << quint16(quint8(raw[i]) | quint8(raw[i + 1]) << 8);
    return registers;
}

// An alarm line as the panel shows it; the end is 0 while the alarm is active.
struct ShownAlarm {
    quint32 number = 0;
    quint32 start = 0;
    quint32 end = 0;
    bool operator==(const ShownAlarm&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ShownAlarm& alarm)
{
    return out << '#' << alarm.number << ' ' << alarm.start << '-' << alarm.end;
}

std::vector<ShownAlarm> ShownAlarms(const TKivAlarms& alarms)
{
    std::vector<ShownAlarm> lines;
    for (qint32 i = 0; i < alarms.HistoryCount(); ++i) {
        const TKivAlarmEntry entry = alarms.HistoryEntry(i).value();
        lines.push_back({entry.AlarmNumber, entry.Time1, entry.Time2});
    }
    return lines;
}

// Where a read is killed.
enum class Kill {
    None,
    Reading,   // at its first line of progress, while it reads the registers
    Recording, // once the store's write-ahead log appears: about when the history is written
    Saving,    // at the line that says the station was read: its history is written, the
               // project not yet saved
};

class HistoryEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const QString define = m_dir.filePath("live.def");
        ASSERT_TRUE(WriteBytes(define, LiveDefine()));
        const QString address = m_sim.Start(define);
        ASSERT_FALSE(address.isEmpty());
        for (const QStringList& arguments :
             {QStringList{"new", m_project}, QStringList{"add-channel", m_project, "--tcp", address},
              QStringList{"add-station", m_project, "1"},
              QStringList{"import-define", m_project, "1/1", define}}) {
            const CliRun run = Cli(arguments);
            ASSERT_EQ(run.exitCode, 0) << qPrintable(arguments.join(' ') + '\n' + run.err);
        }
    }

    CliRun Cli(const QStringList& arguments)
    {
        return RunTamsorCli(m_dir.filePath("config"), arguments, m_dir.path());
    }

    // Starts tamsor-cli read and kills it with SIGKILL at `kill`, or when it ends first.
    void KilledRead(Kill kill)
    {
        QProcess read;
        StartCli(read, m_dir.filePath("config"), {"read", m_project});
        ASSERT_TRUE(read.waitForStarted());
        const QString wal = m_store + "-wal";
        const bool walBefore = QFile::exists(wal);
        QByteArray said;
        for (;;) {
            said += read.readAllStandardOutput();
            const bool there =
                (kill == Kill::Reading && said.contains("1/1 ")) ||
                (kill == Kill::Recording && !walBefore && QFile::exists(wal)) ||
                (kill == Kill::Recording && walBefore && said.contains("1/1 ")) ||
                (kill == Kill::Saving && said.contains(": read in "));
            if (there || read.state() == QProcess::NotRunning)
                break;
            // Returns as soon as there is output or the read ends; the store's file is looked
            // at again after each wait.
            read.waitForReadyRead(kill == Kill::Recording ? 1 : 30000);
        }
        if (read.state() != QProcess::NotRunning)
            ::kill(pid_t(read.processId()), SIGKILL);
        ASSERT_TRUE(read.waitForFinished(30000));
    }

    // A read that completes; what the panel showed then goes into the expectations.
    void CompletedRead()
    {
        const CliRun run = Cli({"read", m_project});
        ASSERT_EQ(run.exitCode, 0) << qPrintable(run.out + run.err);
        TKivTamsor root;
        ASSERT_TRUE(ReadProjectFile(m_project, root));
        const TKivStation& station = *root.Channels->Items(0)->Stations.Items(0);
        ASSERT_EQ(station.DataRecords->Count(), 5);
        m_logs.resize(size_t(station.DataRecords->Count()));
        for (int r = 0; r < station.DataRecords->Count(); ++r) {
            const TKivDataRecord& record = *station.DataRecords->Items(r);
            const std::vector<ShownEntry> shown = ShownLog(record, station.RegisterImage);
            m_logs[size_t(r)].first = record.Name;
            m_logs[size_t(r)].second.Shown(m_sim.Steps(), shown);
        }
        m_alarmsShown.push_back(ShownAlarms(*station.Alarms));
    }

    // Every alarm line shown at a completed read, by start, with its end as last shown.
    std::vector<ShownAlarm> ExpectedAlarms() const
    {
        std::map<std::pair<quint32, quint32>, ShownAlarm> lines;
        for (const std::vector<ShownAlarm>& shown : m_alarmsShown)
            for (const ShownAlarm& line : shown)
                lines[{line.start, line.number}] = line;
        std::vector<ShownAlarm> expected;
        for (const auto& [key, line] : lines)
            expected.push_back(line);
        return expected;
    }

    QTemporaryDir m_dir;
    QString m_project = m_dir.filePath("line.zop");
    QString m_store = m_dir.filePath("line.history.sqlite");
    LiveSim m_sim;
    std::vector<std::pair<QString, RingExpectation>> m_logs;
    std::vector<std::vector<ShownAlarm>> m_alarmsShown;
};

} // namespace

TEST_F(HistoryEndToEnd, ReadsAcrossRingWrapsAndKilledReadsKeepEveryShownEntryOnce)
{
    // Steps before each read: the small ring (8 slots) wraps past the last read at 12, 25 and
    // 9 steps, "Line pressures" (20 slots, no time stamps) at 25. No round takes exactly as
    // many steps as a ring has slots, where a wrap loses nothing but cannot be told apart.
    const struct {
        int steps;
        Kill kill;
    } rounds[] = {{0, Kill::None},      {3, Kill::None},   {5, Kill::Reading},
                  {12, Kill::Recording}, {2, Kill::Saving}, {25, Kill::None},
                  {9, Kill::Recording}, {1, Kill::Saving}, {4, Kill::Reading},
                  {0, Kill::None}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(testing::Message() << "after step " << m_sim.Steps() + round.steps);
        ASSERT_TRUE(m_sim.Step(round.steps));
        if (round.kill != Kill::None) {
            ASSERT_NO_FATAL_FAILURE(KilledRead(round.kill));
        }
        ASSERT_NO_FATAL_FAILURE(CompletedRead());
    }

    TKivTamsor root;
    ASSERT_TRUE(ReadProjectFile(m_project, root));
    const QString key = root.Channels->Items(0)->Stations.Items(0)->StationKey;
    const THistoryStore store(m_store, THistoryStore::ExistingOnly);
    for (const THistoryReadRow& read : HistoryReads(store))
        EXPECT_EQ(read.StationKey, key) << "one station in the store";

    qint64 rows = 0;
    for (const auto& [name, ring] : m_logs) {
        SCOPED_TRACE(name.toStdString());
        THistoryFilter filter;
        filter.TableNames = {name};
        THistoryEntryCursor cursor(store, filter);
        std::vector<std::pair<ShownEntry, bool>> stored;
        THistoryEntryRow row;
        while (cursor.Next(row))
            stored.emplace_back(ShownEntry{row.PanelTime, Registers(row.Raw)}, row.GapBefore);
        const auto expected = ring.Expected();
        EXPECT_EQ(stored, expected);
        rows += qint64(expected.size());
    }
    const std::set<QString> expectedGaps{"Small ring", "Line pressures"};
    for (const auto& [name, ring] : m_logs) {
        const auto expected = ring.Expected();
        const bool gap = std::any_of(expected.begin(), expected.end(),
                                     [](const auto& entry) { return entry.second; });
        EXPECT_EQ(gap, expectedGaps.count(name) > 0) << name.toStdString();
    }

    std::vector<ShownAlarm> storedAlarms;
    THistoryAlarmCursor alarms(store, {});
    THistoryAlarmRow alarm;
    while (alarms.Next(alarm)) {
        storedAlarms.push_back({alarm.Number, alarm.StartTick, alarm.EndTick.value_or(0)});
        EXPECT_FALSE(alarm.GapBefore) << "40 slots outrun by no round";
    }
    EXPECT_EQ(storedAlarms, ExpectedAlarms());
    rows += qint64(storedAlarms.size());

    // Every format gives every row: csv and tsv after their header.
    for (const char* format : {"tsv", "csv", "json", "line"}) {
        const CliRun history = Cli({"history", m_project, "--format", format});
        ASSERT_EQ(history.exitCode, 0) << format << ": " << history.err.toStdString();
        const bool header = QByteArray(format) == "tsv" || QByteArray(format) == "csv";
        EXPECT_EQ(history.out.count(u'\n'), rows + (header ? 1 : 0)) << format;
    }
}
