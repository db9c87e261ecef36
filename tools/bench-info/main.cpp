// bench-info: times tamsor-cli info, as text and as JSON, on projects of many stations: 80,000
// never-read stations as empty blocks (a file of under 100 KB), 5,000 saved by the program
// before they were read (their zero images stored), and 500 read stations whose images are all
// hashed. Prints the best wall time of the runs, its processor time (user and system: what the
// program itself costs on a busy machine) and the program's peak memory.
#include "BenchMemory.h"
#include "BenchProjectFiles.h"
#include "model/KivDateTime.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace
{

struct InfoRun {
    double seconds = -1;
    double cpuSeconds = -1;
    long peakKiB = -1;
};

// tamsor-cli info on path, its output into outPath; -1 seconds when it failed.
InfoRun RunInfo(const QString& path, bool json, const QString& outPath)
{
    const QByteArray program =
        (QCoreApplication::applicationDirPath() + QStringLiteral("/tamsor-cli")).toLocal8Bit();
    const QByteArray file = path.toLocal8Bit();
    std::vector<char*> argv = {const_cast<char*>(program.constData()),
                               const_cast<char*>("--lang"), const_cast<char*>("1033"),
                               const_cast<char*>("info"), const_cast<char*>(file.constData())};
    if (json)
        argv.push_back(const_cast<char*>("--json"));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.toLocal8Bit().constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    InfoRun run;
    QElapsedTimer timer;
    timer.start();
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return run;
    run.seconds = double(timer.nsecsElapsed()) / 1e9;
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    // The peak counts the memory of this process when it started the program too: the project
    // files are made in child processes, so that is a few MiB.
    run.peakKiB = usage.ru_maxrss;
    return run;
}

// Lines of the file at path that contain text, read a line at a time: the output of a large
// project would otherwise raise this process's peak memory, which the next run's peak includes.
qlonglong LinesWith(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    qlonglong count = 0;
    while (!file.atEnd())
        count += file.readLine().contains(text);
    return count;
}

void SaveStations(const QString& path, int stations, bool read)
{
    TKivTamsor root;
    root.Start();
    TKivChannel* channel = nullptr;
    for (int s = 0; s < stations; ++s) {
        if (s % 250 == 0)
            channel = new TKivChannel(root.Channels.get());
        auto* station = new TKivStation(channel);
        if (!read)
            continue;
        QByteArray image(RegisterImageSize, '\0');
        for (int r = 0; r < 4096; ++r)
            image[2 * (1000 + r)] = char((r * 7 + s) & 0xFF);
        station->RegisterImage = image;
        station->UpdateTime = NowAsKivTime();
    }
    WriteProjectFile(path, root);
}

void Measure(const char* name, const QString& path, int stations, int runs, const QString& folder)
{
    const QString outPath = folder + QStringLiteral("/info.out");
    for (const bool json : {false, true}) {
        InfoRun best;
        for (int run = 0; run < runs; ++run) {
            const InfoRun next = RunInfo(path, json, outPath);
            if (next.seconds < 0) {
                std::printf("%-28s %s: tamsor-cli info failed\n", name, json ? "json" : "text");
                return;
            }
            if (best.seconds < 0 || next.seconds < best.seconds)
                best = next;
        }
        const qlonglong neverRead =
            LinesWith(outPath, json ? "\"RegisterSha256\": null" : "image never read");
        std::printf("%-26s %4s %8d %9.1f %8.2f %8.2f %8.1f %10lld\n", name, json ? "json" : "text",
                    stations, double(QFile(path).size()) / 1024, best.seconds, best.cpuSeconds,
                    double(best.peakKiB) / 1024, neverRead);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Optional arguments: the number of runs of each (best counts; default 3) and a folder that
    // keeps the project files (default: a scratch folder).
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    QTemporaryDir scratch;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : scratch.path();
    qputenv("XDG_CONFIG_HOME", (folder + "/config").toLocal8Bit());

    std::printf("tamsor-cli info, best of %d runs\n", runs);
    std::printf("%-26s %4s %8s %9s %8s %8s %8s %10s\n", "project", "out", "stations", "file KiB",
                "seconds", "cpu s", "peak MiB", "never read");
    const QString empty = folder + "/empty-80000.zop";
    const QString saved = folder + "/saved-5000.zop";
    const QString read = folder + "/read-500.zop";
    std::fflush(stdout);
    BenchMemory::InChild([&] {
        BenchProjectFiles::WriteProjectBody(empty, BenchProjectFiles::EmptyStationsBody(1, 80000));
        SaveStations(saved, 5000, false);
        SaveStations(read, 500, true);
    });
    Measure("empty blocks, never read", empty, 80000, runs, folder);
    Measure("saved zeros, never read", saved, 5000, runs, folder);
    Measure("read", read, 500, runs, folder);
    return 0;
}
