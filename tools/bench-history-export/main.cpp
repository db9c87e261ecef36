// Fills the history store of a project with 1,000,000 data-record entries (20 reads of a
// 60,000-entry log that moves on by 50,000 entries a read, four value columns and a time
// stamp) and 5,000 alarm lines, through THistoryStore::AddRead as the reads store them. Then
// times tamsor-cli history over the whole store in each format, its output going to /dev/null
// (three runs each; the best, with its CPU time, and the slowest are printed), and counts the bytes of one CSV run.
// With a folder as argument the project and its store are made and kept there.

#include "history/HistoryExport.h"
#include "history/HistoryLocation.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistoryTables.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace
{

constexpr int Reads = 20;
constexpr qint64 Step = 50000;     // entries a read adds
constexpr qint64 RingSize = 60000; // entries a read finds
constexpr qint64 AlarmStep = 250;
constexpr qint64 AlarmRing = 300;
constexpr quint32 T0 = 1772604000; // 2026-03-04T06:00:00

void DefineStation(TKivStation& station)
{
    station.ModelName = QStringLiteral("Bench panel");
    station.ModelID = 300;
    station.StationKey = QStringLiteral("7c0b3e52-4d5f-4f27-9a55-0b3e5b0c1d00");
    auto* record = new TKivDataRecord(station.DataRecords.get());
    record->Name = QStringLiteral("Oven temperatures");
    record->Count = quint32(RingSize);
    record->Capacity = 5;
    record->Tick = 1;
    const struct {
        const char* title;
        quint32 format;
        qint32 floatWidth;
    } columns[] = {{"Time", 8, 0},
                   {"Zone 1 (C)", 3, 1},
                   {"Zone 2 (C)", 3, 1},
                   {"Pressure (bar)", 4, 2},
                   {"Batch", 6, 0}};
    for (const auto& column : columns) {
        auto* item = new TKivDataRecordItem(record->DataRecordItems.get());
        item->Title = QString::fromLatin1(column.title);
        item->Format = column.format;
        item->FloatWidth = column.floatWidth;
        item->DisplayFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    }
    TKivAlarms& alarms = *station.Alarms;
    for (int a = 0; a < 8; ++a) {
        auto* alarm = new TKivAlarm(&alarms);
        alarm->Message = QStringList{QStringLiteral("Alarm %1, zone %2").arg(a).arg(a % 3)};
    }
}

QByteArray EntryRaw(qint64 n)
{
    const quint16 values[5] = {quint16(1800 + n % 97), quint16(qint16(-20 + n % 400)),
                               quint16(100 + n % 900), quint16(n), quint16(n >> 16)};
    QByteArray raw(10, '\0');
    for (int r = 0; r < 5; ++r) {
        raw[2 * r] = char(values[r]);
        raw[2 * r + 1] = char(values[r] >> 8);
    }
    return raw;
}

// What read `read` finds: the log's entries up to (read + 1) * Step, and the alarm lines.
THistorySnapshot Snapshot(const TKivStation& station, int read)
{
    THistorySnapshot snapshot;
    THistoryLogRing log;
    log.Def = HistoryTableDef(*station.DataRecords->Items(0));
    log.Valid = true;
    log.Timed = true;
    const qint64 end = (read + 1) * Step;
    for (qint64 n = std::max<qint64>(0, end - RingSize); n < end; ++n) {
        THistoryLogEntry entry;
        entry.Tick = T0 + quint32(10 * n);
        entry.PanelTime = *entry.Tick;
        entry.Raw = EntryRaw(n);
        entry.ValuesHash = HistoryHash(entry.Raw);
        log.Entries.push_back(std::move(entry));
    }
    snapshot.Logs.push_back(std::move(log));

    THistoryAlarmRing alarms;
    alarms.Def = HistoryTableDef(*station.Alarms);
    alarms.Valid = true;
    const qint64 alarmEnd = (read + 1) * AlarmStep;
    for (qint64 n = std::max<qint64>(0, alarmEnd - AlarmRing); n < alarmEnd; ++n) {
        THistoryAlarmEntry line;
        line.Number = quint32(n % 8);
        line.Start = T0 + quint32(2000 * n);
        line.End = line.Start + 600;
        line.PanelStart = line.Start;
        line.PanelEnd = line.End;
        line.Message = station.Alarms->Items(int(line.Number))->Message.first();
        alarms.Entries.push_back(line);
    }
    snapshot.Alarms = std::move(alarms);
    return snapshot;
}

// Wall and CPU time of a stage: the machine may be busy with other work, so both are told.
class Stopwatch
{
public:
    Stopwatch() { Restart(); }
    void Restart()
    {
        m_wall.start();
        m_cpu = std::clock();
    }
    QString Text() const
    {
        return QStringLiteral("%1 s (CPU %2 s)")
            .arg(m_wall.nsecsElapsed() / 1e9, 0, 'f', 2)
            .arg(double(std::clock() - m_cpu) / CLOCKS_PER_SEC, 0, 'f', 2);
    }

private:
    QElapsedTimer m_wall;
    std::clock_t m_cpu = 0;
};

// Where the time of an export goes, in this process: taking the rows from the store, turning
// their raw registers into the report's cells, and the whole CSV export into memory.
void PrintStages(const QString& storePath)
{
    const THistoryStore store(storePath, THistoryStore::ExistingOnly);
    Stopwatch watch;
    qint64 rows = 0;
    {
        THistoryEntryCursor cursor(store, THistoryFilter());
        THistoryEntryRow row;
        while (cursor.Next(row))
            ++rows;
    }
    std::printf("in this process: the entry cursor alone %s for %lld rows\n",
                qPrintable(watch.Text()), qlonglong(rows));
    watch.Restart();
    qint64 cells = 0;
    {
        THistoryEntryCursor cursor(store, THistoryFilter());
        THistoryEntryRow row;
        while (cursor.Next(row))
            cells += row.Cells().size();
    }
    std::printf("  the cursor with the report's cells %s for %lld cells\n",
                qPrintable(watch.Text()), qlonglong(cells));
    watch.Restart();
    qint64 bytes = 0;
    {
        THistoryExport rows(store, THistoryFilter(), true, [](const QString&) { return "1/1"; },
                            false);
        const auto csv = MakeHistorySerializer(THistoryFormat::Csv);
        QByteArray out;
        csv->Begin(rows.Tables(), out);
        THistoryExportRow row;
        while (rows.Next(row)) {
            csv->Write(row, out);
            if (out.size() > (1 << 20)) {
                bytes += out.size();
                out.clear();
            }
        }
        bytes += out.size();
    }
    std::printf("  the whole CSV export with the alarm lines into memory %s, %.1f MB\n",
                qPrintable(watch.Text()), bytes / 1e6);
}

double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double best = 0;
    double worst = 0;
    double cpu = 0; // of the best run
    bool ok = true;
};

Timing TimeHistory(const QString& project, const QString& format, int runs)
{
    Timing timing;
    for (int run = 0; run < runs; ++run) {
        QProcess cli;
        cli.setStandardOutputFile(QProcess::nullDevice());
        const double cpuBefore = ChildrenCpuSeconds();
        QElapsedTimer timer;
        timer.start();
        cli.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tamsor-cli"),
                  {QStringLiteral("--lang"), QStringLiteral("1033"), QStringLiteral("history"),
                   project, QStringLiteral("--format"), format});
        const bool finished = cli.waitForFinished(-1);
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (!finished || cli.exitCode() != 0) {
            std::fprintf(stderr, "bench-history-export: tamsor-cli history failed: %s\n",
                         cli.readAllStandardError().constData());
            timing.ok = false;
            return timing;
        }
        if (run == 0 || seconds < timing.best) {
            timing.best = seconds;
            timing.cpu = ChildrenCpuSeconds() - cpuBefore;
        }
        timing.worst = std::max(timing.worst, seconds);
    }
    return timing;
}

qint64 CsvBytes(const QString& project, const QString& folder)
{
    const QString out = folder + QStringLiteral("/history.csv");
    QProcess cli;
    cli.setStandardOutputFile(out);
    cli.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tamsor-cli"),
              {QStringLiteral("--lang"), QStringLiteral("1033"), QStringLiteral("history"),
               project, QStringLiteral("--format"), QStringLiteral("csv")});
    cli.waitForFinished(-1);
    const qint64 size = QFileInfo(out).size();
    QFile::remove(out);
    return size;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // bench-history-export [DIR]: DIR keeps the project and its store for a profiler.
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "bench-history-export: cannot make %s\n", argv[1]);
        return 1;
    }
    const QString project = QDir(folder).filePath(QStringLiteral("bench.zop"));
    QFile::remove(DefaultHistoryPath(project));
    TKivTamsor root;
    root.Start();
    auto* channel = new TKivChannel(root.Channels.get());
    channel->Type = TKivChannel::TypeRegisterFile;
    channel->RegisterFileName = QStringLiteral("panel.bin");
    auto* station = new TKivStation(channel);
    DefineStation(*station);
    WriteProjectFile(project, root);

    QElapsedTimer timer;
    timer.start();
    qint64 entries = 0;
    qint64 alarms = 0;
    {
        THistoryStore store(DefaultHistoryPath(project));
        for (int read = 0; read < Reads; ++read) {
            const THistoryReadResult added = store.AddRead(
                HistoryStationInfo(*station), Snapshot(*station, read),
                QDateTime::fromSecsSinceEpoch(T0 + 86400 * read, QTimeZone::utc()));
            entries += added.EntriesAdded;
            alarms += added.AlarmsAdded;
        }
    }
    const double fillSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("store filled through AddRead: %lld entries, %lld alarm lines in %d reads, "
                "%.2f s (%.0f entries/s), %.1f MB\n",
                qlonglong(entries), qlonglong(alarms), Reads, fillSeconds, entries / fillSeconds,
                QFileInfo(DefaultHistoryPath(project)).size() / 1e6);

    PrintStages(DefaultHistoryPath(project));
    std::printf("tamsor-cli history FILE --format F > /dev/null, 3 runs (goal for csv: <= 2 s)\n");
    for (const QString& format : {QStringLiteral("csv"), QStringLiteral("tsv"),
                                 QStringLiteral("json"), QStringLiteral("line")}) {
        const Timing timing = TimeHistory(project, format, 3);
        if (!timing.ok)
            return 1;
        std::printf("  %-4s best %.2f s (CPU %.2f s), slowest %.2f s (%.0f rows/s)\n",
                    qPrintable(format), timing.best, timing.cpu, timing.worst,
                    (entries + alarms) / timing.best);
    }
    std::printf("csv output: %.1f MB\n", CsvBytes(project, folder) / 1e6);
    return 0;
}
