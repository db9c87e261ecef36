// Decodes and writes every report of one large station: 100 recipes of 100 records x 16
// columns, 20 data records of 10,000 entries (full, wrapped rings) and a 5,000-entry alarm
// history. The definitions share registers. Prints the time and the megabytes written per
// second, and the time spent building the texts alone.

#include "BenchRegisters.h"
#include "comm/KivCrc.h"
#include "lang/KivLanRes.h"
#include "model/KivDateTime.h"
#include "model/KivChannel.h"
#include "reports/KivAlarmDecoder.h"
#include "reports/KivDataRecordDecoder.h"
#include "reports/KivRecipeDecoder.h"
#include "reports/KivStationReports.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace
{

constexpr int Recipes = 100;
constexpr int RecipeRecords = 100;
constexpr int Columns = 16;
constexpr int Records = 20;
constexpr int Entries = 10000;
constexpr int EntryRegisters = 4; // the log takes 4 + 10,000 x 6 registers
constexpr quint32 AlarmAddress = 20000;
constexpr int AlarmEntries = 5000;
constexpr int AlarmDefinitions = 50;

using BenchRegisters::Set;
using BenchRegisters::Set32;

void BuildStation(TKivStation& s)
{
    BenchRegisters::FillRandom(s);

    for (int i = 0; i < Recipes; ++i) {
        auto* recipe = new TKivRecipe(s.Recipes.get());
        recipe->Name = QStringLiteral("Recipe %1").arg(i);
        recipe->Register = 100 + i;
        recipe->Count = RecipeRecords;
        recipe->Capacity = 32;
        for (int c = 0; c < Columns; ++c) {
            auto* item = new TKivRecipeItem(recipe->RecipeItems.get());
            item->Title = QStringLiteral("Column %1").arg(c);
            item->Format = 3 + c % 5;
            item->FloatWidth = c % 3;
            item->Option = item->Format == 7 ? 2 : (c % 4 == 1 ? 1 : 0);
        }
    }

    // One ring shared by every data record: full, wrapped at slot 3,000.
    const quint16 head = 3000;
    const uchar header[6] = {
        uchar(head), uchar(head >> 8), uchar(Entries), uchar(Entries >> 8), 0, 0};
    Set(s, 0, head);
    Set(s, 1, Entries);
    Set(s, 2, 0);
    Set(s, 3, ModbusCrc16(header, 6));
    const quint32 ticks = 4 + Entries * EntryRegisters;
    for (quint32 slot = 0; slot < quint32(Entries); ++slot)
        Set32(s, ticks + 2 * slot, 1400000000 + 60 * ((slot + Entries - head) % Entries));
    for (int i = 0; i < Records; ++i) {
        auto* record = new TKivDataRecord(s.DataRecords.get());
        record->Name = QStringLiteral("Log %1").arg(i);
        record->Register = 0;
        record->Count = Entries;
        record->Capacity = EntryRegisters;
        auto* tick = new TKivDataRecordItem(record->DataRecordItems.get());
        tick->Format = 8;
        tick->DisplayFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
        for (int c = 0; c < EntryRegisters; ++c) {
            auto* item = new TKivDataRecordItem(record->DataRecordItems.get());
            item->Title = QStringLiteral("Data%1").arg(c);
            item->Format = 3 + i % 2;
            item->FloatWidth = c % 2;
        }
    }

    TKivAlarms& alarms = *s.Alarms;
    alarms.BackupAddr = AlarmAddress;
    alarms.BackupSpace = 16 + 8 * AlarmEntries;
    for (int a = 0; a < AlarmDefinitions; ++a) {
        auto* alarm = new TKivAlarm(&alarms);
        for (int m = 0; m < 16; ++m)
            alarm->Message.append(QStringLiteral("Alarm %1 message %2").arg(a).arg(m));
    }
    Set32(s, AlarmAddress, AlarmEntries);
    Set32(s, AlarmAddress + 2, AlarmEntries);
    Set32(s, AlarmAddress + 4, 1234);
    Set32(s, AlarmAddress + 10, AlarmAddress);
    Set32(s, AlarmAddress + 12, alarms.BackupSpace);
    for (quint32 e = 0; e < quint32(AlarmEntries); ++e) {
        const quint32 r = AlarmAddress + 16 + 8 * e;
        Set32(s, r, 1400000000 + 7 * e);
        Set32(s, r + 2, e % 3 ? 1400000100 + 7 * e : 0);
        Set32(s, r + 4, e % AlarmDefinitions);
        Set32(s, r + 6, e % 16);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    LanguageResources.Discover();
    if (LanguageResources.SelectLanguage(1033) != 0) {
        std::fprintf(stderr, "bench-decode: no language installed beside the program\n");
        return 1;
    }
    TKivStation station(nullptr);
    station.UpdateTime = NowAsKivTime();
    BuildStation(station);

    QElapsedTimer timer;
    timer.start();
    qint64 textBytes = 0;
    for (const TKivRecipe* recipe : *station.Recipes)
        textBytes += TableText(TKivRecipeTable(*recipe, station.RegisterImage, 1)).Text().size();
    for (const TKivDataRecord* record : *station.DataRecords)
        textBytes +=
            TableText(TKivDataRecordTable(*record, station.RegisterImage, 1)).Text().size();
    textBytes += TableText(TKivAlarmTable(*station.Alarms, station.RegisterImage, 1)).Text().size();
    const double textSeconds = timer.nsecsElapsed() / 1e9;

    QTemporaryDir dir;
    timer.restart();
    const std::clock_t cpuStart = std::clock();
    const StationReportsResult result = WriteStationReports(station, dir.path());
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    qint64 bytes = 0;
    for (const QString& file : result.Files)
        bytes += QFileInfo(file).size();

    std::printf("station: %d recipes x %d records x %d columns, %d data records x %d entries, "
                "%d alarm entries\n",
                Recipes, RecipeRecords, Columns, Records, Entries, AlarmEntries);
    std::printf("decode to text only:        %.3f s (%.1f MB of UTF-16)\n", textSeconds,
                2.0 * textBytes / 1e6);
    std::printf(
        "decode and write reports:   %.3f s, %d files, %.1f MB, %.1f MB/s (goal: < 0.5 s)\n",
        seconds, int(result.Files.size()), bytes / 1e6, bytes / 1e6 / seconds);
    std::printf("  of which processor time:  %.3f s (the wall time grows when other work shares "
                "the machine)\n",
                cpuSeconds);
    return 0;
}
