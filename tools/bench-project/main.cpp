// bench-project: builds projects of 1, 10, 100 and 500 read stations and prints the time to
// save and load each, the file size and peak memory, beside the time zlib alone needs to
// deflate and inflate the same body. Each size runs in a child process of its own.
#include "model/KivDateTime.h"
#include "model/Kivfileinf.h"
#include "model/Kivtamsor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace {

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

long StatusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    return -1;
}

// Makes VmHWM start again from the current resident size.
void ResetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// Runs op and returns its milliseconds and the growth of peak memory in KiB above the
// resident size before it.
template <class Op> std::pair<double, long> Measure(Op op)
{
    ResetPeak();
    const long before = StatusKiB("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    op();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return {ms, StatusKiB("VmHWM:") - before};
}

void RunSize(int stations, const QString& folder)
{
    const QString path = folder + QStringLiteral("/bench-%1.zop").arg(stations);
    auto* root = new TKivTamsor;
    BuildProject(*root, stations);

    TKivStream bodyStream;
    root->SerializeStream(1, bodyStream);
    const QByteArray body = bodyStream.TakeBytes();
    // zlib alone writes into output buffers of its own, allocated in the timed run as ours are.
    QByteArray compressed;
    uLongf compressedSize = 0;
    const auto [zlibDeflateMs, unusedDeflateKiB] = Measure([&] {
        compressed = QByteArray(qsizetype(compressBound(uLong(body.size()))), Qt::Uninitialized);
        compressedSize = uLongf(compressed.size());
        compress2(reinterpret_cast<Bytef*>(compressed.data()), &compressedSize,
                  reinterpret_cast<const Bytef*>(body.constData()), uLong(body.size()),
                  Z_DEFAULT_COMPRESSION);
    });
    QByteArray inflated;
    uLongf inflatedSize = 0;
    const auto [zlibInflateMs, unusedInflateKiB] = Measure([&] {
        inflated = QByteArray(body.size(), Qt::Uninitialized);
        inflatedSize = uLongf(inflated.size());
        uncompress(reinterpret_cast<Bytef*>(inflated.data()), &inflatedSize,
                   reinterpret_cast<const Bytef*>(compressed.constData()), compressedSize);
    });
    Q_UNUSED(unusedDeflateKiB);
    Q_UNUSED(unusedInflateKiB);
    const qsizetype bodySize = body.size();
    compressed = QByteArray();
    inflated = QByteArray();
    const_cast<QByteArray&>(body) = QByteArray();

    const auto [saveMs, saveKiB] = Measure([&] { WriteProjectFile(path, *root); });
    delete root;
    TKivTamsor loaded;
    const auto [loadMs, loadKiB] = Measure([&] { ReadProjectFile(path, loaded); });
    const double bodyMiB = double(bodySize) / (1 << 20);
    std::printf("%8d %10.1f %10.1f %9.1f %9.1f %8.2f %9.1f %9.1f %8.2f %9.1f %9.1f %6.2f %6.2f\n",
                stations, bodyMiB, double(QFile(path).size()) / (1 << 20), zlibDeflateMs, saveMs,
                saveMs / zlibDeflateMs, zlibInflateMs, loadMs, loadMs / zlibInflateMs,
                double(saveKiB) / 1024, double(loadKiB) / 1024, double(saveKiB) / 1024 / bodyMiB,
                double(loadKiB) / 1024 / bodyMiB);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // An optional argument names a folder that keeps the project files; otherwise a scratch one.
    QTemporaryDir scratch;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path();
    std::printf("stations  body MiB  file MiB  zlib-def   save ms  save/z  zlib-inf   load ms  load/z"
                "  save+MiB  load+MiB  s/body l/body\n");
    std::fflush(stdout);
    for (int stations : {1, 10, 100, 500}) {
        const pid_t child = fork();
        if (child == 0) {
            RunSize(stations, folder);
            std::fflush(stdout);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    std::printf("save+/load+: growth of peak resident memory during the operation; "
                "s/body, l/body: that growth over the inflated body size\n");
    return 0;
}
