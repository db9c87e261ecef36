// The window's way of reading scheduled stations: through ReadStation, with the read shown
// modally while the schedule's ticks keep arriving, and register files read in place.
#include "schedule/ReadStationStarter.h"
#include "comm/ReadStation.h"
#include "comm/StationReadRunner.h"
#include "lang/KivLanRes.h"
#include "model/KivTamsor.h"
#include "schedule/ScheduleRunner.h"

#include "PeerProcess.h"
#include "ShippedEnglish.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

constexpr quint16 kModel = 77;

// Stands in for the read window: runs `ticks` schedule ticks while "showing" the read, then
// ends it with the outcome given.
class ModalRunner : public TStationReadRunner
{
public:
    explicit ModalRunner(std::function<void()> tick) : m_tick(std::move(tick))
    {
        m_previous = SetStationReadRunner(this);
    }
    ~ModalRunner() override { SetStationReadRunner(m_previous); }

    StationReadOutcome RunRead(const StationReadRequest&, bool silent) override
    {
        EXPECT_TRUE(silent);
        ++reads;
        m_state = ReadBlocks;
        for (int i = 0; i < ticks; ++i)
            m_tick();
        m_state = outcome;
        m_tick(); // the silent window closes itself one moment after its end
        StationReadOutcome result;
        result.state = outcome;
        if (outcome == ReadDone)
            result.image = QByteArray(131072, '\x22');
        return result;
    }
    int State() const override { return m_state; }

    int ticks = 5;
    int outcome = ReadDone;
    int reads = 0;

private:
    std::function<void()> m_tick;
    TStationReadRunner* m_previous;
    int m_state = ReadIdle;
};

class ReadStationStarterTest : public ShippedEnglishTest
{
protected:
    void SetUp() override
    {
        m_root.Start();
        m_runner.SetReportWriter([this](const TKivStation& station) {
            m_reportImages << station.RegisterImage.left(1);
            EXPECT_GT(station.UpdateTime, 0);
        });
    }

    TKivStation* AddStation(int type, const QString& where, quint32 interval)
    {
        auto* channel = new TKivChannel(m_root.Channels.get());
        channel->Type = type;
        channel->Ip = channel->RegisterFileName = where;
        auto* station = new TKivStation(channel);
        station->ModelID = kModel;
        station->ModelName = "K7";
        station->ScheduleTime = interval;
        return station;
    }
    void Tick()
    {
        m_nowMs += 1000;
        m_runner.Tick();
    }
    QStringList Messages() const
    {
        QStringList messages;
        for (const QString& line : m_runner.Log().Lines())
            messages << line.section(QStringLiteral(" : "), 1);
        return messages;
    }

    QTemporaryDir m_dir;
    TKivTamsor m_root;
    qint64 m_nowMs = 1'700'000'000'000;
    TReadStationStarter m_starter{[this] { return m_dir.filePath("line.zop"); }};
    TScheduleRunner m_runner{m_root, m_starter, [this] { return m_nowMs; }};
    QList<QByteArray> m_reportImages;
};

TEST_F(ReadStationStarterTest, AModalReadIsTakenOnTheTickAfterReadStationStoredTheImage)
{
    TKivStation* station = AddStation(TKivChannel::TypeInternet, "10.0.0.1", 2);
    AddStation(TKivChannel::TypeInternet, "10.0.0.2", 5); // due while the first is shown
    ModalRunner modal([this] { Tick(); });
    const qint64 runAtMs = m_nowMs;
    m_runner.Run();
    Tick();
    Tick();
    Tick(); // starts the read, which runs 6 ticks inside
    EXPECT_EQ(modal.reads, 1) << "no second read while the first is shown";
    EXPECT_TRUE(m_reportImages.isEmpty()) << "the outcome is not taken inside ReadStation";
    EXPECT_EQ(Messages(), QStringList({"Schedule started", "Read 10.0.0.1-K7 ..."}));
    Tick();
    EXPECT_EQ(m_reportImages, QList<QByteArray>({QByteArray("\x22")}));
    // The read outlasted 3 periods of 2 s; the station resumes at its next one.
    const QString nextRead =
        TScheduleLog::TimeText(QDateTime::fromMSecsSinceEpoch(runAtMs + 12000));
    EXPECT_EQ(Messages().mid(2),
              QStringList({"Read 10.0.0.1-K7 ... (7) OK!!",
                           "10.0.0.1-K7 behind schedule, next read after " + nextRead}));
    EXPECT_EQ(station->RegisterImage, QByteArray(131072, '\x22'));
    Tick(); // the second station, due since 5 s, has waited longest
    EXPECT_EQ(modal.reads, 2);
    EXPECT_EQ(Messages().last(), "Read 10.0.0.2-K7 ...");
}

TEST_F(ReadStationStarterTest, AReadShownLongerThanItsTimeoutIsNeverJoinedByASecond)
{
    AddStation(TKivChannel::TypeInternet, "10.0.0.1", 2);
    ModalRunner modal([this] { Tick(); });
    modal.ticks = TScheduleRunner::TimeoutTicks + 40;
    m_runner.Run();
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_EQ(modal.reads, 1);
    EXPECT_EQ(Messages(), QStringList({"Schedule started", "Read 10.0.0.1-K7 ...",
                                       "Read 10.0.0.1-K7 ... Failed!!"}));
    // The late outcome belongs to a read the schedule gave up; the next tick starts anew.
    modal.ticks = 1;
    Tick();
    EXPECT_EQ(modal.reads, 2);
}

TEST_F(ReadStationStarterTest, WaitsWhileTheReadWindowStillShowsAManualRead)
{
    AddStation(TKivChannel::TypeInternet, "10.0.0.1", 2);
    ModalRunner modal([] {});
    bool windowShowing = true;
    m_starter.SetBusyCheck([&] { return windowShowing; });
    m_runner.Run();
    for (int i = 0; i < 10; ++i)
        Tick();
    EXPECT_EQ(modal.reads, 0);
    windowShowing = false;
    Tick();
    EXPECT_EQ(modal.reads, 1);
}

TEST_F(ReadStationStarterTest, ARegisterFileReadTakesReadStationsResult)
{
    TKivStation* station = AddStation(TKivChannel::TypeRegisterFile, "panel.bin", 2);
    QList<TKivStation*> stored;
    m_starter.SetImageStored([&stored](TKivStation& read) { stored << &read; });
    m_runner.Run();
    Tick();
    Tick();
    Tick(); // the file is missing
    Tick();
    EXPECT_TRUE(stored.isEmpty()) << "a failed read stores nothing";
    ASSERT_TRUE(WriteBytes(m_dir.filePath("panel.bin"), PatternRegisterImage(kModel)));
    for (int i = 0; i < 30; ++i)
        Tick();
    EXPECT_EQ(Messages(), QStringList({"Schedule started", "Read panel.bin-K7 ...",
                                       "Read panel.bin-K7 ... Failed!!", "Read panel.bin-K7 ...",
                                       "Read panel.bin-K7 ... (1) OK!!"}));
    EXPECT_EQ(station->RegisterImage, PatternRegisterImage(kModel));
    EXPECT_EQ(m_reportImages.size(), 1);
    EXPECT_EQ(station->FailCount, 0u);
    EXPECT_EQ(stored, QList<TKivStation*>{station});
}

} // namespace
