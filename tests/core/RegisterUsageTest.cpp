// The registers a station's definitions use, and the block requests that read them.
#include "reports/RegisterUsage.h"
#include "comm/ReadPlan.h"

#include "DecoderTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace
{

using Ranges = std::vector<std::pair<qint64, qint64>>; // [first, end)

TRegisterSet SetOf(const Ranges& ranges)
{
    TRegisterSet set;
    for (const auto& [first, end] : ranges)
        set.AddRange(first, end);
    return set;
}

// The model and time-offset registers every station reads.
const Ranges kAlways = {{0xFF80, 0xFF82}, {65056, 65057}};

Ranges WithAlways(Ranges ranges)
{
    ranges.insert(ranges.end(), kAlways.begin(), kAlways.end());
    return ranges;
}

void AddRecipe(TKivStation& station, quint32 reg, quint32 count, quint32 capacity,
               std::initializer_list<int> formats)
{
    auto* recipe = new TKivRecipe(station.Recipes.get());
    recipe->Register = reg;
    recipe->Count = count;
    recipe->Capacity = capacity;
    for (int format : formats)
        (new TKivRecipeItem(recipe->RecipeItems.get()))->Format = quint32(format);
}

void AddLog(TKivStation& station, quint32 reg, quint32 count, quint32 capacity,
            std::initializer_list<int> formats)
{
    auto* record = new TKivDataRecord(station.DataRecords.get());
    record->Register = reg;
    record->Count = count;
    record->Capacity = capacity;
    for (int format : formats)
        (new TKivDataRecordItem(record->DataRecordItems.get()))->Format = quint32(format);
}

// Lists the blocks of requests as "start+count".
std::vector<std::pair<int, int>> Requests(const std::vector<TBlockRequest>& plan)
{
    std::vector<std::pair<int, int>> list;
    for (const TBlockRequest& r : plan)
        list.emplace_back(r.start, r.count);
    return list;
}

} // namespace

TEST(RegisterUsage, DefinitionsAtTheEdgesOverlappingAndOutsideTheImage)
{
    DecoderLanguage language;
    struct Case {
        const char* name;
        std::function<void(TKivStation&)> define;
        Ranges expected;
    } cases[] = {
        {"no definitions", [](TKivStation&) {}, {}},
        // Columns of 1 + 2 registers in records 10 apart: the gaps are not read.
        {"recipe records",
         [](TKivStation& s) {
             AddRecipe(s, 1000, 3, 10, {4, 5});
         },
         {{1000, 1003}, {1010, 1013}, {1020, 1023}}},
        {"records repeated at one place",
         [](TKivStation& s) { AddRecipe(s, 500, 9, 0, {7}); },
         {{500, 502}}},
        {"columns longer than a record",
         [](TKivStation& s) {
             AddRecipe(s, 300, 4, 2, {6, 6});
         },
         {{300, 310}}},
        {"recipe running off the end",
         [](TKivStation& s) { AddRecipe(s, 65534, 5, 1, {5}); },
         {{65534, 65536}}},
        {"recipe beyond the image", [](TKivStation& s) { AddRecipe(s, 70000, 5, 1, {5}); }, {}},
        {"negative recipe count", [](TKivStation& s) { AddRecipe(s, 10, 0xFFFFFFFF, 1, {4}); }, {}},
        {"overlapping recipes",
         [](TKivStation& s) {
             AddRecipe(s, 100, 2, 4, {4, 4});
             AddRecipe(s, 101, 2, 4, {5});
         },
         {{100, 103}, {104, 107}}},
        // Header, 4 slots of 3 registers, then a 32-bit tick a slot.
        {"log ring",
         [](TKivStation& s) {
             AddLog(s, 2000, 4, 3, {4, 8});
         },
         {{2000, 2024}}},
        {"log columns wider than a slot",
         [](TKivStation& s) {
             AddLog(s, 2000, 2, 1, {5, 5});
         },
         {{2000, 2010}}},
        {"log running off the end",
         [](TKivStation& s) { AddLog(s, 65530, 10, 2, {4}); },
         {{65530, 65536}}},
        {"log of huge slots",
         [](TKivStation& s) { AddLog(s, 40000, 3, 0xFFFFFFFF, {4}); },
         {{40000, 65536}}},
        {"alarm area",
         [](TKivStation& s) {
             s.Alarms->BackupAddr = 8000;
             s.Alarms->BackupSpace = 336;
         },
         {{8000, 8336}}},
        {"alarm area too small for an entry",
         [](TKivStation& s) {
             s.Alarms->BackupAddr = 65530;
             s.Alarms->BackupSpace = 20;
         },
         {{65530, 65536}}},
    };
    for (const Case& c : cases) {
        TKivStation station(nullptr);
        c.define(station);
        Ranges expected = WithAlways(c.expected);
        // Without alarm settings the decoder still looks for a backup header at register 0.
        if (station.Alarms->BackupAddr == 0)
            expected.push_back({0, 16});
        const TRegisterSet used = TRegisterUsage(station).Registers();
        EXPECT_TRUE(used == SetOf(expected)) << c.name << ": " << used.Count()
                                             << " registers instead of " << SetOf(expected).Count();
    }
}

TEST(RegisterUsage, ImageWhoseLogHeaderCountsSlotsBeyondTheDefinitionAddsThem)
{
    DecoderLanguage language;
    TKivStation station(nullptr);
    AddLog(station, 2000, 4, 3, {4}); // ring 2000..2023: 4 slots, ticks at 2016
    const TRegisterUsage usage(station);
    EXPECT_TRUE(usage.Registers(station.RegisterImage) == usage.Registers()) << "no valid header";

    // Head 10, 10 entries: slots 0..9, where the decoder reads slot k at 2004 + 3k and its tick
    // at 2016 + 2k.
    SetLogHeader(station, 2000, 10, 10);
    const TRegisterSet more = usage.Registers(station.RegisterImage);
    TRegisterSet expected = usage.Registers();
    expected.AddRange(2004, 2034);
    expected.AddRange(2016, 2036);
    EXPECT_TRUE(more == expected) << more.Count() << " instead of " << expected.Count();
}

TEST(ReadPlan, RunsOfBlocksAreCutIntoRequestsOfTheBlockSize)
{
    TRegisterSet wanted;
    wanted.AddRange(10, 11);             // block 0
    wanted.AddRange(64 * 5, 64 * 8 - 1); // blocks 5, 6, 7
    wanted.AddRange(65535, 65536);       // block 1023
    EXPECT_EQ(
        Requests(PlanBlockRequests(wanted, 64)),
        (std::vector<std::pair<int, int>>{{0, 64}, {320, 64}, {384, 64}, {448, 64}, {65472, 64}}));
    EXPECT_EQ(Requests(PlanBlockRequests(wanted, 125)),
              (std::vector<std::pair<int, int>>{{0, 64}, {320, 125}, {445, 67}, {65472, 64}}));
    TRegisterSet skip;
    skip.AddRange(384, 385);
    EXPECT_EQ(Requests(PlanBlockRequests(wanted, 125, skip)),
              (std::vector<std::pair<int, int>>{{0, 64}, {320, 64}, {448, 64}, {65472, 64}}));

    const std::vector<TBlockRequest> full = PlanBlockRequests(TRegisterSet::All(), 125);
    ASSERT_EQ(full.size(), 525u);
    EXPECT_EQ(Requests({full.back()}), (std::vector<std::pair<int, int>>{{65500, 36}}));
    EXPECT_TRUE(RegistersOf(full) == TRegisterSet::All());
}
