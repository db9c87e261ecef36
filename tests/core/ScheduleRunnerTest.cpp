// The schedule runner on a fake clock and a fake read starter: which station is read when, the
// failure step, the timeout, the log lines and their order around the reports, parallel lines,
// and a simulated week.
#include "schedule/ScheduleRunner.h"
#include "TamsorError.h"
#include "comm/StationRead.h"
#include "lang/KivLanRes.h"
#include "model/KivTamsor.h"

#include "ShippedEnglish.h"

#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace
{

constexpr qint64 kRunAtMs = 1'700'000'000'000; // 2023-11-14 22:13:20 UTC

// Reads that end when the test says: after a number of ticks, with the outcome a function
// picks per station and attempt.
class FakeStarter : public TScheduleReadStarter
{
public:
    struct Read {
        TKivStation* station;
        quint64 startTick;
    };
    // Outcome of attempt (counted from 0) of a station; ReadIdle or another running state
    // keeps the read going for ever.
    std::function<int(const TKivStation&, int attempt)> outcome = [](const TKivStation&, int) {
        return int(ReadDone);
    };
    std::function<int(const TKivStation&, int attempt)> ticksToEnd = [](const TKivStation&, int) {
        return 1;
    };
    bool oneLine = true; // otherwise one line per channel
    bool busy = false;   // a read outside the schedule holds every line

    void Start(TKivStation& station) override
    {
        const int attempt = attempts[&station]++;
        running[&station] = {attempt, *ticks};
        if (recordStarts)
            starts.push_back({&station, *ticks});
    }
    int State(const TKivStation& station) const override
    {
        const auto found = running.find(&station);
        if (found == running.end())
            return ReadIdle;
        const auto [attempt, start] = found->second;
        if (*ticks - start < quint64(ticksToEnd(station, attempt)))
            return ReadBlocks;
        return outcome(station, attempt);
    }
    bool LineBusy(const TKivStation& station) const override
    {
        if (busy)
            return true;
        for (const auto& [other, read] : running) {
            const int state = State(*other);
            const bool ended = state == ReadDone || state == ReadFailed || state == ReadWrongModel;
            if (!ended && (oneLine || other->Owner == station.Owner))
                return true;
        }
        return false;
    }
    void Abandon(TKivStation& station) override
    {
        running.erase(&station);
        ++abandoned;
    }

    const quint64* ticks = nullptr;
    std::map<const TKivStation*, int> attempts;
    std::map<const TKivStation*, std::pair<int, quint64>> running;
    std::vector<Read> starts;
    bool recordStarts = true;
    int abandoned = 0;
};

class ScheduleRunnerTest : public ShippedEnglishTest
{
protected:
    void SetUp() override
    {
        m_root.Start();
        m_starter.ticks = &m_seconds;
        m_runner.SetReportWriter([this](const TKivStation& station) {
            m_reportsSeen.push_back(
                {&station, m_runner.Log().Line(m_runner.Log().Count() - 1), station.ScheduleBase});
            if (m_reportError)
                throw TamsorError(m_reportError);
        });
    }

    // A station with that interval on the channel at channelIndex (made when missing).
    TKivStation* AddStation(quint32 interval, int channelIndex = 0, const QString& model = "K7")
    {
        while (m_root.Channels->Count() <= channelIndex) {
            auto* channel = new TKivChannel(m_root.Channels.get());
            channel->Type = TKivChannel::TypeInternet;
            channel->Ip = QStringLiteral("10.0.0.%1").arg(m_root.Channels->Count());
        }
        auto* station = new TKivStation(m_root.Channels->Items(channelIndex));
        station->ScheduleTime = interval;
        station->ModelName = model;
        return station;
    }

    void Run()
    {
        m_seconds = 0;
        m_nowMs = kRunAtMs;
        m_runner.Run();
    }
    // Ticks once a second until `seconds` after Run.
    void TickUntil(quint64 seconds)
    {
        while (m_seconds < seconds) {
            ++m_seconds;
            m_nowMs += 1000;
            m_runner.Tick();
        }
    }
    // Seconds after Run at which each read of station started.
    std::vector<quint64> StartsOf(const TKivStation* station) const
    {
        std::vector<quint64> starts;
        for (const auto& read : m_starter.starts)
            if (read.station == station)
                starts.push_back(read.startTick);
        return starts;
    }
    // The log's messages without their date and time.
    QStringList Messages() const
    {
        QStringList messages;
        for (const QString& line : m_runner.Log().Lines())
            messages << line.section(QStringLiteral(" : "), 1);
        return messages;
    }

    struct ReportsSeen {
        const TKivStation* station;
        QString lastLine;
        quint32 scheduleBase;
    };

    TKivTamsor m_root;
    FakeStarter m_starter;
    quint64 m_seconds = 0;
    qint64 m_nowMs = kRunAtMs;
    TScheduleRunner m_runner{m_root, m_starter, [this] { return m_nowMs; }};
    std::vector<ReportsSeen> m_reportsSeen;
    const char* m_reportError = nullptr;
};

// When reads start, for stations with given intervals and reads with given outcomes.
struct DueCase {
    const char* name;
    std::vector<quint32> intervals;           // one station each, on one channel
    std::vector<int> outcomes;                // of the first station's attempts in turn; then done
    int readTicks;                            // ticks from a read's start to its outcome
    quint64 seconds;                          // how long the schedule runs
    std::vector<std::vector<quint64>> starts; // per station: seconds after Run of each start
    std::vector<quint32> failCounts;          // per station at the end
};

class ScheduleDue : public ScheduleRunnerTest, public ::testing::WithParamInterface<DueCase>
{
};

TEST_P(ScheduleDue, ReadsStartWhenDue)
{
    const DueCase& c = GetParam();
    std::vector<TKivStation*> stations;
    for (quint32 interval : c.intervals)
        stations.push_back(AddStation(interval));
    m_starter.ticksToEnd = [&c](const TKivStation&, int) { return c.readTicks; };
    m_starter.outcome = [&c, first = stations[0]](const TKivStation& station, int attempt) {
        if (&station == first && attempt < int(c.outcomes.size()))
            return c.outcomes[size_t(attempt)];
        return int(ReadDone);
    };
    Run();
    TickUntil(c.seconds);
    for (size_t i = 0; i < stations.size(); ++i) {
        EXPECT_EQ(StartsOf(stations[i]), c.starts[i]) << "station " << i;
        EXPECT_EQ(stations[i]->FailCount, c.failCounts[i]) << "station " << i;
    }
}

constexpr int F = ReadFailed;
constexpr int W = ReadWrongModel;
constexpr int D = ReadDone;
constexpr int Hang = ReadBlocks; // never ends

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, ScheduleDue,
    ::testing::Values(
        // Equal is not due: at 60 s the sum equals now; the read starts at 61, then once per
        // period measured from Run although each read takes 5 s.
        DueCase{"EveryPeriodFromRun", {60}, {}, 5, 200, {{61, 121, 181}}, {0}},
        // The second starts on the tick after the first one's outcome was taken.
        DueCase{"TwoDueTogetherInProjectOrder", {10, 10}, {}, 3, 25, {{11, 21}, {15, 25}}, {0, 0}},
        // 30 s three times, then the whole interval.
        DueCase{"FourthFailureWaitsTheInterval", {600}, {F, W, F, F, F}, 1, 1891, {{601, 631, 661, 691, 1291, 1891}}, {5}},
        // A success starts the count again: the failure after it retries 30 s later.
        DueCase{"SuccessResetsTheCount", {600}, {F, F, F, D, F}, 1, 1321, {{601, 631, 661, 691, 1291, 1321}}, {1}},
        // 300 ticks without an outcome fail the read; the retry is due at once.
        DueCase{"TimeoutAfter300Ticks", {60}, {Hang}, 1, 362, {{61, 362}}, {1}},
        // Reads of 3 s at an interval of 2 s: the station that has waited longest goes first,
        // and each read ends behind schedule, so its station resumes at its next period.
        DueCase{"ReadsThatOutlastTheInterval", {2, 2}, {}, 3, 30, {{3, 11, 19, 27}, {7, 15, 23}}, {0, 0}},
        // A station that never answers is retried at once three times (its due time is the
        // oldest); its fourth failure moves it to its next period after now, and the other
        // station, due since 60, is read in between.
        DueCase{"ADeadStationHoldsTheLineOnlyForItsRetries", {60, 60}, {Hang, Hang, Hang, Hang, Hang}, 1, 1300, {{61, 364, 665, 966, 1291}, {362, 1267}}, {4, 0}},
        // No interval: read again once the others that are due have had their turn.
        DueCase{"NoIntervalTakesItsTurn", {0, 5}, {}, 1, 12, {{1, 3, 5, 9, 11}, {7}}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(ScheduleRunnerTest, LogLinesOfASuccessAFailureAndReportsThatCannotBeWritten)
{
    TKivStation* station = AddStation(60);
    m_starter.ticksToEnd = [](const TKivStation&, int) { return 12; };
    m_starter.outcome = [](const TKivStation&, int attempt) {
        return attempt == 1 ? int(ReadFailed) : int(ReadDone);
    };
    Run();
    TickUntil(73);
    // Written after the success line and before the schedule moves on.
    ASSERT_EQ(m_reportsSeen.size(), 1u);
    EXPECT_EQ(m_reportsSeen[0].lastLine.section(" : ", 1), "Read 10.0.0.1-K7 ... (12) OK!!");
    EXPECT_EQ(m_reportsSeen[0].scheduleBase, quint32(kRunAtMs / 1000));
    EXPECT_EQ(station->ScheduleBase, quint32(kRunAtMs / 1000) + 60);

    TickUntil(121 + 12); // second attempt fails
    m_reportError = "Cannot create file \"x.txt\". No space left on device";
    TickUntil(151 + 12); // third: read, but its reports fail
    m_reportError = nullptr;
    EXPECT_EQ(Messages(), QStringList({"Schedule started", "Read 10.0.0.1-K7 ...",
                                       "Read 10.0.0.1-K7 ... (12) OK!!", "Read 10.0.0.1-K7 ...",
                                       "Read 10.0.0.1-K7 ... Failed!!", "Read 10.0.0.1-K7 ...",
                                       "Read 10.0.0.1-K7 ... (12) OK!!",
                                       "Read 10.0.0.1-K7 ... Failed!! Reports not written: Cannot "
                                       "create file \"x.txt\". No space left on device"}))
        << Messages().join('\n').toStdString();
    EXPECT_EQ(station->FailCount, 2u);
    EXPECT_EQ(station->ScheduleBase, quint32(kRunAtMs / 1000) + 60 + 30 + 30);
    EXPECT_EQ(m_runner.State(), TScheduleRunner::StateIdle);

    // Every line begins with the local date and time of its moment.
    const QDateTime runAt = QDateTime::fromMSecsSinceEpoch(kRunAtMs);
    EXPECT_TRUE(m_runner.Log().Line(0).startsWith(
        QLocale::system().toString(runAt.date(), QLocale::ShortFormat) + ' '));
}

TEST_F(ScheduleRunnerTest, AStationHeldBackResumesAtItsNextPeriodInsteadOfCatchingUp)
{
    TKivStation* station = AddStation(10);
    Run();
    m_starter.busy = true; // a read in the window holds the line for 55 s
    TickUntil(55);
    m_starter.busy = false;
    TickUntil(85);
    // Due since 10; read at 56, then at the period that keeps the phase of Run.
    EXPECT_EQ(StartsOf(station), std::vector<quint64>({56, 61, 71, 81}));
    const quint32 runAt = quint32(kRunAtMs / 1000);
    EXPECT_EQ(station->ScheduleBase, runAt + 80);
    const QString nextRead = TScheduleLog::TimeText(QDateTime::fromSecsSinceEpoch(runAt + 60));
    EXPECT_EQ(
        Messages().mid(0, 5),
        QStringList({"Schedule started", "Read 10.0.0.1-K7 ...", "Read 10.0.0.1-K7 ... (1) OK!!",
                     "10.0.0.1-K7 behind schedule, next read after " + nextRead,
                     "Read 10.0.0.1-K7 ..."}))
        << Messages().join('\n').toStdString();
    EXPECT_EQ(Messages().filter("behind schedule").size(), 1) << "said once per skip";
}

TEST_F(ScheduleRunnerTest, AHistoryNotWrittenIsALogLineAndTheReadStillSucceeds)
{
    TKivStation* station = AddStation(60);
    m_starter.ticksToEnd = [](const TKivStation&, int) { return 12; };
    m_starter.outcome = [](const TKivStation&, int) { return int(ReadDone); };
    const char* history = "History not written: /data/plant.history.sqlite: database is locked";
    m_runner.SetHistoryCheck([&](const TKivStation&) { return QString::fromLatin1(history); });
    Run();
    TickUntil(61 + 30);
    history = "";
    TickUntil(121 + 30);
    EXPECT_EQ(Messages(),
              QStringList({"Schedule started", "Read 10.0.0.1-K7 ...",
                           "Read 10.0.0.1-K7 ... (12) OK!!",
                           "Read 10.0.0.1-K7 ... History not written: "
                           "/data/plant.history.sqlite: database is locked",
                           "Read 10.0.0.1-K7 ...", "Read 10.0.0.1-K7 ... (12) OK!!"}))
        << Messages().join('\n').toStdString();
    EXPECT_EQ(m_reportsSeen.size(), 2u);
    EXPECT_EQ(station->FailCount, 0u);
}

TEST_F(ScheduleRunnerTest, RunWhileRunningAndStopWhileStoppedChangeNothing)
{
    TKivStation* station = AddStation(5);
    int runningSignals = 0;
    QObject::connect(&m_runner, &TScheduleRunner::RunningChanged, [&] { ++runningSignals; });
    Run();
    EXPECT_TRUE(m_runner.IsRunning());
    EXPECT_EQ(m_root.Schedule, 1u);
    m_nowMs += 3000;
    m_runner.Run();
    EXPECT_EQ(station->ScheduleBase, quint32(kRunAtMs / 1000));
    EXPECT_EQ(m_runner.Log().Count(), 1);

    m_runner.Stop();
    m_runner.Stop();
    EXPECT_EQ(m_root.Schedule, 0u);
    EXPECT_EQ(Messages(), QStringList({"Schedule started", "Schedule stopped"}));
    EXPECT_EQ(runningSignals, 2);
    TickUntil(60);
    EXPECT_TRUE(m_starter.starts.empty()) << "no tick works while stopped";
}

TEST_F(ScheduleRunnerTest, WaitsForAReadOutsideTheScheduleInsteadOfStartingASecond)
{
    TKivStation* station = AddStation(5);
    Run();
    m_starter.busy = true;
    TickUntil(20);
    EXPECT_TRUE(m_starter.starts.empty());
    EXPECT_EQ(Messages(), QStringList({"Schedule started"}));
    m_starter.busy = false;
    TickUntil(21);
    EXPECT_EQ(StartsOf(station), std::vector<quint64>({21}));
}

TEST_F(ScheduleRunnerTest, ParallelReadsOneStationPerLineAtOnce)
{
    // Channels 0 and 1 reach one device under two spellings; channel 2 another device.
    TKivStation* a = AddStation(10, 0, "A");
    TKivStation* b = AddStation(10, 1, "B");
    TKivStation* c = AddStation(10, 2, "C");
    TKivStation* d = AddStation(10, 2, "D");
    m_root.Channels->Items(1)->Ip = "10.0.0.1:502";
    m_starter.oneLine = false;
    m_starter.ticksToEnd = [](const TKivStation&, int) { return 3; };
    m_runner.SetParallel(true);
    Run();
    TickUntil(11);
    EXPECT_EQ(StartsOf(a), std::vector<quint64>({11}));
    EXPECT_EQ(StartsOf(c), std::vector<quint64>({11}));
    EXPECT_TRUE(StartsOf(b).empty()) << "same device as a";
    EXPECT_TRUE(StartsOf(d).empty()) << "same channel as c";
    EXPECT_EQ(m_runner.State(), TScheduleRunner::StateWaiting);
    TickUntil(15);
    EXPECT_EQ(StartsOf(b), std::vector<quint64>({15}));
    EXPECT_EQ(StartsOf(d), std::vector<quint64>({15}));
    EXPECT_EQ(Messages().mid(1, 6),
              QStringList({"Read 10.0.0.1-A ...", "Read 10.0.0.3-C ...",
                           "Read 10.0.0.1-A ... (3) OK!!", "Read 10.0.0.3-C ... (3) OK!!",
                           "Read 10.0.0.1:502-B ...", "Read 10.0.0.3-D ..."}));
}

TEST_F(ScheduleRunnerTest, ParallelTakesEachLinesLongestWaitingStationFirst)
{
    // A and B share channel 0's line; C has channel 1's to itself. Reads of 3 s, interval 2 s.
    TKivStation* a = AddStation(2, 0, "A");
    TKivStation* b = AddStation(2, 0, "B");
    TKivStation* c = AddStation(2, 1, "C");
    m_starter.oneLine = false;
    m_starter.ticksToEnd = [](const TKivStation&, int) { return 3; };
    m_runner.SetParallel(true);
    Run();
    TickUntil(30);
    EXPECT_EQ(StartsOf(a), std::vector<quint64>({3, 11, 19, 27}));
    EXPECT_EQ(StartsOf(b), std::vector<quint64>({7, 15, 23}));
    EXPECT_EQ(StartsOf(c), std::vector<quint64>({3, 9, 15, 21, 27}));
}

TEST(ScheduleLine, StationsShareALineWhenTheyShareAPortOrADevice)
{
    struct Case {
        int typeA;
        QString whereA;
        int typeB;
        QString whereB;
        bool same;
    };
    const Case cases[] = {
        {TKivChannel::TypeUart, "/dev/ttyS0", TKivChannel::TypeUart, "ttyS0", true},
        {TKivChannel::TypeUart, "ttyS0", TKivChannel::TypeUart, "ttyS1", false},
        {TKivChannel::TypeInternet, "10.0.0.1", TKivChannel::TypeInternet, "10.0.0.1:502", true},
        {TKivChannel::TypeInternet, "Panel.local", TKivChannel::TypeInternet, "panel.local", true},
        {TKivChannel::TypeInternet, "10.0.0.1:1502", TKivChannel::TypeInternet, "10.0.0.1", false},
        {TKivChannel::TypeRegisterFile, "a.bin", TKivChannel::TypeRegisterFile, "a.bin", false},
        {TKivChannel::TypeUart, "ttyS0", TKivChannel::TypeInternet, "ttyS0", false},
    };
    for (const Case& c : cases) {
        TKivTamsor root;
        auto channel = [&root](int type, const QString& where) {
            auto* ch = new TKivChannel(root.Channels.get());
            ch->Type = type;
            ch->UartPort = ch->Ip = ch->RegisterFileName = where;
            return new TKivStation(ch);
        };
        const TKivStation* a = channel(c.typeA, c.whereA);
        const TKivStation* b = channel(c.typeB, c.whereB);
        EXPECT_EQ(ScheduleLineOf(*a) == ScheduleLineOf(*b), c.same)
            << c.whereA.toStdString() << " / " << c.whereB.toStdString();
    }
}

TEST_F(ScheduleRunnerTest, ClosingTheProjectStopsWithTheStopLineAndAGoneStationIsForgotten)
{
    AddStation(5);
    TKivStation* gone = AddStation(5, 1);
    m_starter.oneLine = false;
    m_starter.ticksToEnd = [](const TKivStation&, int) { return 1000; };
    m_runner.SetParallel(true);
    Run();
    TickUntil(6);
    ASSERT_EQ(m_starter.starts.size(), 2u);
    m_starter.running.erase(gone);
    delete gone->Owner;
    TickUntil(7);
    EXPECT_EQ(m_runner.Station(), m_root.Channels->Items(0)->Stations.Items(0));

    m_runner.ProjectClosing();
    m_root.Close();
    EXPECT_FALSE(m_runner.IsRunning());
    EXPECT_EQ(Messages(), QStringList({"Schedule stopped"}));
    TickUntil(400);
    EXPECT_EQ(m_runner.Log().Count(), 1);
}

TEST(ScheduleLog, KeepsTheNewest65536Lines)
{
    TScheduleLog log;
    for (int i = 0; i <= TScheduleLog::MaxLines; ++i)
        log.Append(QString::number(i));
    ASSERT_EQ(log.Count(), TScheduleLog::MaxLines);
    EXPECT_EQ(log.Line(0), "1");
    EXPECT_EQ(log.Line(TScheduleLog::MaxLines - 1), QString::number(TScheduleLog::MaxLines));
}

TEST(ScheduleLog, LineShowsTheDateAndTimeButNoTimeAtMidnight)
{
    const QLocale locale = QLocale::system();
    const QDate day(2024, 3, 5);
    EXPECT_EQ(TScheduleLog::MakeLine(QDateTime(day, QTime(0, 0)), "x"),
              locale.toString(day, QLocale::ShortFormat) + " : x");
    const QString line = TScheduleLog::MakeLine(QDateTime(day, QTime(13, 4, 5)), "y");
    EXPECT_TRUE(line.startsWith(locale.toString(day, QLocale::ShortFormat) + ' '));
    EXPECT_TRUE(line.contains("04")) << line.toStdString();
    EXPECT_TRUE(line.endsWith(" : y"));
}

// Resident memory of this process in bytes.
qint64 ResidentBytes()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * 4096 : 0;
}

TEST_F(ScheduleRunnerTest, ASimulatedWeekWithRandomFailuresStaysWithinItsBounds)
{
    const std::vector<TKivStation*> stations = {AddStation(45, 0), AddStation(60, 0),
                                                AddStation(90, 1), AddStation(120, 1)};
    // Each attempt's outcome and length follow from the station and the attempt alone, so
    // the plan takes no memory: a quarter fail, one in fifty never ends, 1 to 40 ticks each.
    auto roll = [&](const TKivStation& station, int attempt) {
        const auto index = std::find(stations.begin(), stations.end(), &station) - stations.begin();
        quint64 x = quint64(index) << 32 | quint32(attempt); // splitmix64
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        x ^= x >> 31;
        return std::pair<int, int>(int(x % 100), 1 + int((x >> 16) % 40));
    };
    m_starter.oneLine = false;
    m_starter.recordStarts = false;
    m_starter.outcome = [&](const TKivStation& s, int a) {
        const int r = roll(s, a).first;
        return r < 25 ? int(ReadFailed) : r < 27 ? int(ReadBlocks) : int(ReadDone);
    };
    m_starter.ticksToEnd = [&](const TKivStation& s, int a) { return roll(s, a).second; };
    m_runner.SetParallel(true);
    int reportsWritten = 0;
    m_runner.SetReportWriter([&](const TKivStation&) { ++reportsWritten; });
    int maxLines = 0;
    QObject::connect(&m_runner, &TScheduleRunner::LineAdded,
                     [&] { maxLines = std::max(maxLines, m_runner.Log().Count()); });

    constexpr quint64 week = 7 * 24 * 3600;
    Run();
    TickUntil(week);
    EXPECT_EQ(m_runner.Log().Count(), TScheduleLog::MaxLines) << "a week fills the log";
    [[maybe_unused]] const qint64 before = ResidentBytes();
    TickUntil(2 * week);
    [[maybe_unused]] const qint64 after = ResidentBytes();

    EXPECT_EQ(maxLines, TScheduleLog::MaxLines);
    EXPECT_EQ(m_runner.Log().Count(), TScheduleLog::MaxLines);
#ifndef TAMSOR_SANITIZED // freed blocks stay in the sanitizer's quarantine
    EXPECT_LT(after - before, 4 << 20) << "resident memory grew in the second week";
#endif
    for (const TKivStation* station : stations)
        EXPECT_GT(m_starter.attempts[station], int(2 * week / station->ScheduleTime / 2));
    EXPECT_GT(m_starter.abandoned, 0) << "some reads timed out";
    EXPECT_GT(reportsWritten, 0);
}

} // namespace
