// bench-project: builds projects of 1, 10, 100 and 500 read stations and prints the time to
// save and load each, the file size and peak memory, beside the time zlib alone needs to
// deflate and inflate the same body; then loads files of 80,000 to 320,000 empty station blocks
// (on one channel, and one per channel). Each size runs in a child process of its own.
#include "BenchMemory.h"
#include "BenchProjectFiles.h"
#include "model/KivDateTime.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <zlib.h>

namespace {

using namespace BenchMemory;
using namespace BenchProjectFiles;

// A register image as a panel holds it: recipe tables of small counters and set points, a data
// log ring with time stamps and slowly changing values, alarm history, a block of noisy analog
// values, and zeros everywhere else.
QByteArray RealisticImage(quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray image(RegisterImageSize, '\0');
    auto set = [&image](int reg, quint16 value) {
        image[2 * reg] = char(value & 0xFF);
        image[2 * reg + 1] = char(value >> 8);
    };
    for (int r = 0; r < 100; ++r) // recipes: 100 records of 16 registers
        for (int c = 0; c < 16; ++c)
            set(1000 + r * 16 + c, quint16(c * 100 + r % 7));
    const quint32 start = 1700000000 + seed * 60;
    for (int e = 0; e < 2000; ++e) { // data log: time stamp + 4 values
        const int reg = 8000 + e * 6;
        const quint32 tick = start + quint32(e) * 60;
        set(reg, quint16(tick));
        set(reg + 1, quint16(tick >> 16));
        for (int v = 0; v < 4; ++v)
            set(reg + 2 + v, quint16(200 + v * 10 + (e / 50) % 5));
    }
    for (int reg = 30000; reg < 34000; ++reg) // noisy analog inputs
        set(reg, quint16(random.bounded(65536)));
    for (int a = 0; a < 500; ++a) { // alarm history
        const int reg = 60000 + a * 5;
        set(reg, quint16(a % 40));
        set(reg + 1, quint16(start + quint32(a) * 3600));
        set(reg + 2, quint16((start + quint32(a) * 3600) >> 16));
    }
    set(0xFF80, 0x1234);
    return image;
}

void BuildProject(TKivTamsor& root, int stations)
{
    root.Start();
    root.Title = QStringLiteral("Bench");
    TKivChannel* channel = nullptr;
    for (int s = 0; s < stations; ++s) {
        if (s % 10 == 0) {
            channel = new TKivChannel(root.Channels.get());
            channel->Type = TKivChannel::TypeInternet;
            channel->Ip = QStringLiteral("10.0.%1.1").arg(s / 10);
        }
        auto* station = new TKivStation(channel);
        station->ModelName = QStringLiteral("TP-01");
        station->ModelID = 0x1234;
        station->RegisterImage = RealisticImage(quint32(s + 1));
        station->UpdateTime = NowAsKivTime();
        for (int r = 0; r < 5; ++r) {
            auto* recipe = new TKivRecipe(station->Recipes.get());
            recipe->Name = QStringLiteral("Recipe %1").arg(r);
            for (int c = 0; c < 16; ++c)
                (new TKivRecipeItem(recipe->RecipeItems.get()))->Title = QStringLiteral("Data%1").arg(c);
        }
    }
}

template <class Op> double Milliseconds(Op op)
{
    malloc_trim(0); // every run, zlib's and ours, starts without memory left over to reuse
    QElapsedTimer timer;
    timer.start();
    op();
    return double(timer.nsecsElapsed()) / 1e6;
}

constexpr uInt chunkSize = 32768;

// zlib alone inflating 32 KiB of input per call straight into a buffer of the body's size.
QByteArray ZlibInflate(const QByteArray& compressed, qsizetype bodySize)
{
    z_stream zs{};
    inflateInit(&zs);
    QByteArray body(bodySize, Qt::Uninitialized);
    zs.next_out = reinterpret_cast<Bytef*>(body.data());
    zs.avail_out = uInt(bodySize);
    qsizetype given = 0;
    int code = Z_OK;
    while (code == Z_OK) {
        if (zs.avail_in == 0) {
            const qsizetype input = qMin<qsizetype>(chunkSize, compressed.size() - given);
            zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.constData() + given));
            zs.avail_in = uInt(input);
            given += input;
        }
        code = inflate(&zs, Z_NO_FLUSH);
    }
    inflateEnd(&zs);
    return body;
}

struct Best {
    double value = 1e300;
    void Add(double ms) { value = qMin(value, ms); }
};

void RunSize(int stations, int runs, const QString& folder)
{
    const QString path = folder + QStringLiteral("/bench-%1.zop").arg(stations);
    auto root = std::make_unique<TKivTamsor>();
    BuildProject(*root, stations);

    TKivStream bodyStream;
    root->SerializeStream(1, bodyStream);
    const QByteArray body = bodyStream.TakeBytes();
    const QByteArray compressed = ZlibDeflate(body);
    if (ZlibInflate(compressed, body.size()) != body)
        std::fprintf(stderr, "zlib round trip differs\n");

    // Runs alternate between zlib alone and ours so that load from other programs on the
    // machine falls on both alike; the best run of each counts.
    Best deflateMs, encodeMs, saveMs, inflateMs, decodeMs, loadMs;
    QByteArray file;
    for (int run = 0; run < runs; ++run) {
        deflateMs.Add(Milliseconds([&] { ZlibDeflate(body); }));
        encodeMs.Add(Milliseconds([&] { file = EncodeProjectFile(*root); }));
        file = QByteArray();
        saveMs.Add(Milliseconds([&] { WriteProjectFile(path, *root); }));
        inflateMs.Add(Milliseconds([&] { ZlibInflate(compressed, body.size()); }));
        QFile stored(path);
        stored.open(QIODevice::ReadOnly);
        file = stored.readAll();
        auto decoded = std::make_unique<TKivTamsor>();
        decodeMs.Add(Milliseconds([&] { DecodeProjectFile(file, *decoded); }));
        decoded.reset();
        file = QByteArray();
        auto loaded = std::make_unique<TKivTamsor>();
        loadMs.Add(Milliseconds([&] { ReadProjectFile(path, *loaded); }));
    }
    const long saveKiB = PeakGrowthKiB([&] { WriteProjectFile(path, *root); });
    root.reset();
    auto loaded = std::make_unique<TKivTamsor>();
    const long loadKiB = PeakGrowthKiB([&] { ReadProjectFile(path, *loaded); });

    const double bodyMiB = double(body.size()) / (1 << 20);
    std::printf("%8d %8.1f %8.1f %8.1f %8.1f %8.1f %6.2f %6.2f %8.1f %8.1f %8.1f %6.2f %6.2f "
                "%8.1f %8.1f %6.2f %6.2f\n",
                stations, bodyMiB, double(QFile(path).size()) / (1 << 20), deflateMs.value,
                encodeMs.value, saveMs.value, encodeMs.value / deflateMs.value,
                saveMs.value / deflateMs.value, inflateMs.value, decodeMs.value, loadMs.value,
                decodeMs.value / inflateMs.value, loadMs.value / inflateMs.value,
                double(saveKiB) / 1024, double(loadKiB) / 1024, double(saveKiB) / 1024 / bodyMiB,
                double(loadKiB) / 1024 / bodyMiB);
    std::fflush(stdout);
}

// Loading files that hold many stations: the time and memory must grow with the count alone.
void RunManyStations(int channels, int stationsPerChannel, int runs, const QString& folder)
{
    const QString path = folder + QStringLiteral("/many-%1x%2.zop").arg(channels).arg(stationsPerChannel);
    const QByteArray body = EmptyStationsBody(channels, stationsPerChannel);
    WriteProjectBody(path, body);
    Best loadMs;
    for (int run = 0; run < runs; ++run) {
        auto loaded = std::make_unique<TKivTamsor>();
        loadMs.Add(Milliseconds([&] { ReadProjectFile(path, *loaded); }));
    }
    auto loaded = std::make_unique<TKivTamsor>();
    const long loadKiB = PeakGrowthKiB([&] { ReadProjectFile(path, *loaded); });
    const double stations = double(channels) * stationsPerChannel;
    std::printf("%8d %8d %8.1f %8.1f %8.1f %8.2f %8.2f\n", channels, stationsPerChannel,
                double(QFile(path).size()) / 1024, loadMs.value, double(loadKiB) / 1024,
                loadMs.value * 1000 / stations, double(loadKiB) * 1024 / stations);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Optional arguments: the number of runs of each size (best counts; default 5) and a folder
    // that keeps the project files (default: a scratch folder).
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    QTemporaryDir scratch;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : scratch.path();
    std::printf("Best of %d runs, milliseconds. enc/dec: in memory; save/load: with the file.\n",
                runs);
    std::printf("stations body MiB file MiB zlib-def   encode     save  enc/z save/z zlib-inf"
                "   decode     load  dec/z load/z save+MiB load+MiB s/body l/body\n");
    std::fflush(stdout);
    for (int stations : {1, 10, 100, 500})
        InChild([&] { RunSize(stations, runs, folder); });
    std::printf("save+/load+: growth of peak resident memory during WriteProjectFile and "
                "ReadProjectFile; s/body, l/body: that growth over the inflated body size\n\n");

    std::printf("Empty station blocks: best of %d loads, milliseconds\n", runs);
    std::printf("channels stations  file KiB  load ms load+MiB us/stat B/station\n");
    std::fflush(stdout);
    for (const auto& size :
         {std::pair{1, 80000}, {1, 160000}, {1, 320000}, {80000, 1}, {320000, 1}})
        InChild([&] { RunManyStations(size.first, size.second, runs, folder); });
    std::printf("stations: per channel; load+: growth of peak resident memory while loading\n");
    return 0;
}
