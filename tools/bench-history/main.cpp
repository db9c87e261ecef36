// The history store's figures: adding a full ring of 65,535 entries x 16 columns to an empty
// store, adding the 1,000 entries a ring gained since the last read, a read that adds nothing
// (rings unchanged), the bytes of store per stored entry, and reading the entries back (every
// cell formatted, and one column as a chart series). Each time is the median of several runs.
//
//   bench-history [--runs N]

#include "comm/KivCrc.h"
#include "history/HistoryDiff.h"
#include "history/HistoryQuery.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "model/KivTamsor.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace
{

constexpr int RingEntries = 65535;
constexpr int Columns = 16;
constexpr int Gained = 1000;

THistoryTableDef RingDefinition()
{
    QJsonArray columns{QJsonObject{{"title", "Time"}, {"format", 8}, {"displayFormat", "yyyy-MM-dd hh:mm:ss"}}};
    QStringList titles{QStringLiteral("Time")};
    for (int c = 0; c < Columns; ++c) {
        columns.append(QJsonObject{{"title", QStringLiteral("Value %1").arg(c)},
                                   {"format", 3 + c % 2},
                                   {"floatWidth", c % 3}});
        titles.append(QStringLiteral("Value %1").arg(c));
    }
    THistoryTableDef def;
    def.Kind = THistoryKind::DataRecord;
    def.Name = QStringLiteral("Oven");
    def.Titles = titles;
    def.Definition = QJsonDocument(QJsonObject{{"columns", columns}}).toJson(QJsonDocument::Compact);
    def.DefinitionHash = QStringLiteral("bench");
    return def;
}

// A full ring whose oldest entry is entry `first` the panel ever wrote: one entry a minute,
// sixteen 16-bit values that change a little from entry to entry, as a process's do.
THistorySnapshot Ring(quint32 first)
{
    THistoryLogRing ring;
    ring.Def = RingDefinition();
    ring.Valid = true;
    ring.Timed = true;
    ring.Entries.reserve(RingEntries);
    for (quint32 n = first; n < first + RingEntries; ++n) {
        THistoryLogEntry entry;
        entry.Tick = 1700000000 + 60 * n;
        entry.PanelTime = *entry.Tick + 3600;
        entry.Raw.resize(2 * Columns);
        for (int c = 0; c < Columns; ++c) {
            const quint16 value = quint16(200 * c + (n * (c + 3)) % 97);
            entry.Raw[2 * c] = char(value & 0xFF);
            entry.Raw[2 * c + 1] = char(value >> 8);
        }
        entry.ValuesHash = HistoryHash(entry.Raw);
        ring.Entries.push_back(std::move(entry));
    }
    THistorySnapshot snapshot;
    snapshot.Logs.push_back(std::move(ring));
    return snapshot;
}

const THistoryStationInfo Station{QStringLiteral("bench-station"), QStringLiteral("HMI-7"), 7,
                                  QStringLiteral("10.0.0.7"), 1};

QDateTime Collected(int n)
{
    return QDateTime(QDate(2026, 3, 1), QTime(0, 0), Qt::UTC).addSecs(60 * n);
}

void SetRegister(TKivStation& station, qint64 n, quint16 value)
{
    station.RegisterImage[2 * n] = char(value & 0xFF);
    station.RegisterImage[2 * n + 1] = char(value >> 8);
}

// A panel whose image is filled by one full data-record log of 16 columns with time stamps
// (3,600 entries: as many as the 65,536 registers hold) and ten recipes of 100 records.
void BuildPanel(TKivStation& station)
{
    constexpr quint32 Slots = 3600;
    constexpr quint32 Capacity = Columns;
    auto* record = new TKivDataRecord(station.DataRecords.get());
    record->Name = QStringLiteral("Oven");
    record->Register = 0;
    record->Count = Slots;
    record->Capacity = Capacity;
    record->Tick = 1;
    auto* tick = new TKivDataRecordItem(record->DataRecordItems.get());
    tick->Format = 8;
    for (int c = 0; c < Columns; ++c) {
        auto* item = new TKivDataRecordItem(record->DataRecordItems.get());
        item->Title = QStringLiteral("Value %1").arg(c);
        item->Format = 3;
    }
    for (quint32 r = 4; r < 4 + Slots * (Capacity + 2); ++r)
        SetRegister(station, r, quint16(r * 7));
    const quint16 head = 1234;
    const uchar header[6] = {uchar(head), uchar(head >> 8), uchar(Slots), uchar(Slots >> 8), 0, 0};
    SetRegister(station, 0, head);
    SetRegister(station, 1, Slots);
    SetRegister(station, 2, 0);
    SetRegister(station, 3, ModbusCrc16(header, 6));
    for (int i = 0; i < 10; ++i) {
        auto* recipe = new TKivRecipe(station.Recipes.get());
        recipe->Name = QStringLiteral("Recipe %1").arg(i);
        recipe->Register = 100 * i;
        recipe->Count = 100;
        recipe->Capacity = 16;
        for (int c = 0; c < Columns; ++c)
            (new TKivRecipeItem(recipe->RecipeItems.get()))->Format = 4;
    }
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double ProcessCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Wall-clock and processor milliseconds of one kind of work: on a busy machine the wall clock
// also counts the time others took, the processor time only this program's.
struct Timing {
    std::vector<double> wall;
    std::vector<double> cpu;
};

// Times runs calls of work, prepare (not timed) before each.
Timing Time(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    Timing timing;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const double cpu = ProcessCpuMs();
        QElapsedTimer timer;
        timer.start();
        work();
        timing.wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        timing.cpu.push_back(ProcessCpuMs() - cpu);
    }
    return timing;
}

void Print(const char* what, const Timing& timing)
{
    std::printf("  %-62s %8.1f ms wall %8.1f ms cpu\n", what, Median(timing.wall),
                Median(timing.cpu));
}

qint64 StoreBytes(const QString& path)
{
    qint64 bytes = 0;
    for (const QString& suffix : {QString(), QStringLiteral("-wal")})
        bytes += QFileInfo(path + suffix).size();
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at > 0 && at + 1 < args.size())
        runs = std::max(1, args.at(at + 1).toInt());

    QTemporaryDir dir;
    const THistorySnapshot first = Ring(0);
    const THistorySnapshot gained = Ring(Gained);

    // A full ring into an empty store: the first read of a station.
    int n = 0;
    std::unique_ptr<THistoryStore> store;
    QString path;
    const Timing full = Time(
        runs,
        [&] {
            store.reset();
            path = dir.filePath(QStringLiteral("full-%1.sqlite").arg(++n));
            store = std::make_unique<THistoryStore>(path);
        },
        [&] { store->AddRead(Station, first, Collected(0)); });

    // The same ring again: nothing to add.
    int read = 1;
    const Timing unchanged =
        Time(runs, [] {}, [&] { store->AddRead(Station, first, Collected(read++)); });

    // The ring gained 1,000 entries (and lost its 1,000 oldest) since the last read.
    const Timing added = Time(
        runs,
        [&] {
            store.reset();
            QFile::remove(dir.filePath("gained.sqlite"));
            QFile::remove(dir.filePath("gained.sqlite-wal"));
            QFile::remove(dir.filePath("gained.sqlite-shm"));
            store = std::make_unique<THistoryStore>(dir.filePath("gained.sqlite"));
            store->AddRead(Station, first, Collected(0));
        },
        [&] { store->AddRead(Station, gained, Collected(1)); });

    // Bytes per entry: the store of one full ring, closed (its log folded in).
    store.reset();
    const qint64 bytes = StoreBytes(path);

    // Reading back: every entry with every cell formatted, and one column as a series.
    THistoryStore reader(path, THistoryStore::ExistingOnly);
    qint64 rows = 0;
    const Timing stream = Time(runs, [&] { rows = 0; }, [&] {
        THistoryEntryCursor cursor(reader, {});
        THistoryEntryRow row;
        while (cursor.Next(row))
            rows += row.Cells().size() > 0 ? 1 : 0;
    });
    const Timing rawStream = Time(runs, [&] { rows = 0; }, [&] {
        THistoryEntryCursor cursor(reader, {});
        THistoryEntryRow row;
        while (cursor.Next(row))
            rows += row.Raw.isEmpty() ? 0 : 1;
    });
    const qint64 tableId = HistoryTables(reader, {}).at(0)->Id;
    size_t points = 0;
    const Timing series = Time(runs, [] {}, [&] {
        points = HistoryColumnSeries(reader, tableId, 5, 0, std::numeric_limits<qint64>::max())
                     .size();
    });

    // A whole station recorded again unchanged: its tables taken from the image, compared, and
    // the read's row written.
    TKivTamsor project;
    auto* station = new TKivStation(new TKivChannel(project.Channels.get()));
    BuildPanel(*station);
    THistoryRecorder recorder(project, [&dir] { return dir.filePath(QStringLiteral("panel.zop")); });
    recorder.Record(*station);
    const Timing panel = Time(runs, [] {}, [&] { recorder.Record(*station); });

    std::printf("history store, median of %d runs\n", runs);
    Print("full ring into an empty store (65,535 entries x 16 columns)", full);
    Print("ring gained 1,000 entries since the last read", added);
    Print("read that adds nothing (ring of 65,535 unchanged)", unchanged);
    Print("station read again unchanged (3,600-entry log, 10 recipes)", panel);
    std::printf("  %-62s %8.1f\n", "store bytes per stored entry", double(bytes) / RingEntries);
    Print(qPrintable(QStringLiteral("stream %1 entries, every cell formatted").arg(rows)), stream);
    Print(qPrintable(QStringLiteral("stream %1 entries, raw values only").arg(rows)), rawStream);
    Print(qPrintable(QStringLiteral("one column's series (%1 points)").arg(points)), series);
    return 0;
}
