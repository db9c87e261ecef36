#include "HistoryTestSupport.h"
#include "history/HistoryDiff.h"

#include <gtest/gtest.h>

#include <numeric>

namespace
{

std::vector<THistoryKey> Keys(const char* letters)
{
    std::vector<THistoryKey> keys;
    for (const char* c = letters; *c; ++c)
        keys.push_back(THistoryKey(*c));
    return keys;
}

std::vector<THistoryKey> Range(THistoryKey first, THistoryKey end)
{
    std::vector<THistoryKey> keys(size_t(end - first));
    std::iota(keys.begin(), keys.end(), first);
    return keys;
}

class HistoryCapture : public ::testing::Test
{
protected:
    DecoderLanguage language;
    TKivTamsor project;
    TKivChannel* channel = new TKivChannel(project.Channels.get());
    TKivStation* station = new TKivStation(channel);
};

} // namespace

TEST(HistoryDiff, RingFollowsTheRingOfTheLastRead)
{
    struct Case {
        const char* name;
        const char* previous;
        const char* current;
        qsizetype firstNew;
        bool gap;
    };
    const Case cases[] = {
        {"first read", "", "abc", 0, false},
        {"unchanged", "abc", "abc", 3, false},
        {"appended, not full", "ab", "abcd", 2, false},
        {"wrapped in part", "abc", "cde", 1, false},
        {"wrapped past everything", "abc", "def", 0, true},
        {"emptied on the panel", "abc", "", 0, false},
        // Without time stamps equal values repeat: the longest overlap decides.
        {"repeated values", "xxy", "xyx", 2, false},
        {"all equal", "xxx", "xxx", 3, false},
        // The panel's clock set back changes no order: entries after the overlap are new.
        {"after a clock set back", "pq", "pqr", 2, false},
    };
    for (const Case& c : cases) {
        const std::vector<THistoryKey> previous = Keys(c.previous);
        const TRingDiff diff = DiffRing(RingTail(previous), qsizetype(previous.size()),
                                        Keys(c.current));
        EXPECT_EQ(diff.FirstNew, c.firstNew) << c.name;
        EXPECT_EQ(diff.Gap, c.gap) << c.name;
    }
}

TEST(HistoryDiff, LongRingIsFollowedByItsTail)
{
    // 5,000 entries seen, the store keeps the newest RingTailKeys of them.
    const std::vector<THistoryKey> previous = Range(0, 5000);
    ASSERT_EQ(RingTail(previous).size(), size_t(RingTailKeys));
    struct Case {
        THistoryKey first, end;
        qsizetype firstNew;
        bool gap;
    };
    const Case cases[] = {
        {1500, 5100, 3500, false}, // 100 new, the tail lies wholly in the ring
        {4500, 5600, 500, false},  // the overlap is shorter than the tail
        {5000, 6000, 0, true},     // wrapped once past everything
        {9000, 14000, 0, true},    // wrapped more than once
    };
    for (const Case& c : cases) {
        const TRingDiff diff = DiffRing(RingTail(previous), 5000, Range(c.first, c.end));
        EXPECT_EQ(diff.FirstNew, c.firstNew) << c.first;
        EXPECT_EQ(diff.Gap, c.gap) << c.first;
    }
}

TEST_F(HistoryCapture, LogEntriesCarryTheirIdentity)
{
    PanelLog log(*station, QStringLiteral("Oven"), 100, 4, true);
    log.Append(1000, 5, 6);
    log.Append(1060, 5, 6);
    SetRegister(*station, TimeOffsetRegister, 60); // the panel shows its times an hour later

    const THistorySnapshot snapshot = CaptureStationTables(*station);
    ASSERT_EQ(snapshot.Logs.size(), 1u);
    const THistoryLogRing& ring = snapshot.Logs[0];
    EXPECT_TRUE(ring.Valid);
    EXPECT_TRUE(ring.Timed);
    ASSERT_EQ(ring.Entries.size(), 2u);
    EXPECT_EQ(ring.Entries[0].Tick, 1000u);
    EXPECT_EQ(ring.Entries[0].PanelTime, 1000 + 3600);
    EXPECT_EQ(ring.Entries[0].ValuesHash, ring.Entries[1].ValuesHash);
    EXPECT_NE(ring.Entries[0].Key(), ring.Entries[1].Key()); // the same values at another time
    EXPECT_EQ(ring.Def.Titles, (QStringList{"Time", "Data0", "Data1"}));
}

TEST_F(HistoryCapture, BrokenHeaderIsNotAnEmptyLog)
{
    PanelLog log(*station, QStringLiteral("Oven"), 100, 4, false);
    log.Append(0, 1, 2);
    log.BreakHeader();
    const THistoryLogRing ring = CaptureStationTables(*station).Logs.at(0);
    EXPECT_FALSE(ring.Valid);
    EXPECT_TRUE(ring.Entries.empty());
    EXPECT_FALSE(ring.Timed);
}

TEST_F(HistoryCapture, ColumnsDecideTheTableVersion)
{
    PanelLog log(*station, QStringLiteral("Oven"), 100, 4, true);
    const QString before = HistoryTableDef(*log.record).DefinitionHash;
    EXPECT_EQ(HistoryTableDef(*log.record).DefinitionHash, before);
    log.Column(QStringLiteral("Data2"), DataFormat::Signed16); // re-imported with a column more
    EXPECT_NE(HistoryTableDef(*log.record).DefinitionHash, before);
}

TEST_F(HistoryCapture, AlarmStartsThenEnds)
{
    PanelAlarms alarms(*station, 3000, 8);
    const quint64 first = alarms.Start(1, 5000, 1);
    alarms.Start(2, 5100);

    THistoryAlarmRing ring = *CaptureStationTables(*station).Alarms;
    ASSERT_EQ(ring.Entries.size(), 2u);
    EXPECT_EQ(ring.Entries[0].Message, QStringLiteral("A1 low"));
    EXPECT_FALSE(ring.Entries[0].PanelEnd);
    TAlarmDiff diff = DiffAlarms({}, 0, {}, ring);
    EXPECT_EQ(diff.Added, (std::vector<qsizetype>{0, 1}));

    // Both stored, still active; now the first one ends.
    std::unordered_map<THistoryKey, TStoredAlarm> stored{{ring.Entries[0].Key(), {false}},
                                                         {ring.Entries[1].Key(), {false}}};
    alarms.End(first, 5050);
    ring = *CaptureStationTables(*station).Alarms;
    diff = DiffAlarms(RingTail(ring.Keys()), 2, stored, ring);
    EXPECT_TRUE(diff.Added.empty());
    EXPECT_EQ(diff.Ended, (std::vector<qsizetype>{0}));

    // Once its end is stored it is not ended again.
    stored[ring.Entries[0].Key()].Ended = true;
    EXPECT_TRUE(DiffAlarms(RingTail(ring.Keys()), 2, stored, ring).Ended.empty());

    // A history whose header fails its checks adds nothing.
    station->Alarms->BackupSpace += 8;
    ring = *CaptureStationTables(*station).Alarms;
    EXPECT_FALSE(ring.Valid);
    EXPECT_TRUE(DiffAlarms({}, 0, {}, ring).Added.empty());
}

TEST_F(HistoryCapture, RecipeIsNewOnlyWhenItsContentsChange)
{
    AddRecipe(*station, QStringLiteral("Bake"), 500, 2);
    SetRegister(*station, 500, 7);
    const THistoryRecipe first = CaptureStationTables(*station).Recipes.at(0);
    EXPECT_TRUE(RecipeChanged(std::nullopt, first));
    EXPECT_FALSE(RecipeChanged(first.ContentsHash, CaptureStationTables(*station).Recipes.at(0)));
    SetRegister(*station, 503, 9);
    const THistoryRecipe changed = CaptureStationTables(*station).Recipes.at(0);
    EXPECT_TRUE(RecipeChanged(first.ContentsHash, changed));
    EXPECT_EQ(changed.Rows.at(1), (QStringList{"1", "0", "9"}));
}
