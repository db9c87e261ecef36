// Fills a history store with a million entries of one data-record log (a time stamp and four
// value columns) and a million alarm lines of one station, stored by 20 reads each, then times
// in the real editors, on the offscreen platform unless a display is given:
//   - building the chart data of "All stored" (read, thinned) and of the last day and month;
//   - choosing "All stored" in the data-record editor until the chart is painted;
//   - choosing the stored alarm lines in the alarm editor until the grid is painted, and
//     scrolling anywhere in them.
// Goal: the chart over a million stored entries drawn in <= 0.3 s.
//
//   bench-history-chart [--keep DIR]   (keeps the filled store in DIR for another run)

#include "AlarmEditFrame.h"
#include "BenchMemory.h"
#include "DataRecordChart.h"
#include "DataRecordEditFrame.h"
#include "FrameBase.h"
#include "FrameRegistry.h"
#include "TableGrid.h"
#include "history/HistoryChart.h"
#include "history/HistoryLocation.h"
#include "history/HistoryStore.h"
#include "history/HistoryTables.h"
#include "lang/KivLanRes.h"
#include "model/KivChannel.h"
#include "model/KivTamsor.h"
#include "reports/KivUtil.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace
{

constexpr int Reads = 20;
constexpr int RowsPerRead = 50000; // 20 x 50,000: a million
constexpr int ValueColumns = 4;
constexpr qint64 FirstTime = 1700000000;

double Milliseconds(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Processor time of this process in milliseconds: on a busy machine the wall time of a step
// grows with the other work, its processor time does not.
double CpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Wall and processor time of a step, in milliseconds.
struct Timing {
    double Wall = 1e12;
    double Cpu = 1e12;
};

// The best of three runs of op (the others pay for a cold cache).
template <class Op> Timing Best(Op op)
{
    Timing best;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = CpuMilliseconds();
        op();
        best.Cpu = std::min(best.Cpu, CpuMilliseconds() - cpu);
        best.Wall = std::min(best.Wall, Milliseconds(timer));
    }
    return best;
}

// The window as far as the editors ask it: the project and its file.
class BenchHost : public TFrameHost
{
public:
    BenchHost(TKivTamsor& project, QString file) : m_project(project), m_file(std::move(file)) {}
    void SetModified(bool) override {}
    QString ProjectFileName() const override { return m_file; }
    TKivTamsor& Project() const override { return m_project; }
    TKivNode* AddTreeNodes(TKivNode*, const QList<TKivTreeEntry>&) override { return nullptr; }
    void SelectTreeNode(TKivNode*) override {}
    void ExpandTreeNode(TKivNode*) override {}
    void DeleteTreeObjects(const std::function<void()>& destroy) override { destroy(); }
    void FrameHeightChanged(TFrameBase*) override {}

private:
    TKivTamsor& m_project;
    QString m_file;
};

TKivDataRecord* BuildLog(TKivStation& station)
{
    auto* record = new TKivDataRecord(station.DataRecords.get());
    record->Name = QStringLiteral("Bench log");
    record->Tick = 1;
    record->Capacity = ValueColumns;
    auto* tick = new TKivDataRecordItem(record->DataRecordItems.get());
    tick->Title = QStringLiteral("Time");
    tick->Format = DataFormat::Tick;
    for (int c = 0; c < ValueColumns; ++c) {
        auto* item = new TKivDataRecordItem(record->DataRecordItems.get());
        item->Title = QStringLiteral("Data%1").arg(c);
        item->Format = c % 2 ? DataFormat::Unsigned16 : DataFormat::Signed16;
        item->FloatWidth = c % 3;
    }
    return record;
}

// Read r's ring: RowsPerRead new entries a minute apart, slow waves with some noise, and the
// last entry of the read before it, so the reads follow on without gaps.
THistoryLogRing LogRing(const TKivDataRecord& record, int r)
{
    THistoryLogRing ring;
    ring.Def = HistoryTableDef(record);
    ring.Valid = true;
    ring.Timed = true;
    const qint64 first = qint64(r) * RowsPerRead - (r > 0 ? 1 : 0);
    for (qint64 i = first; i < qint64(r + 1) * RowsPerRead; ++i) {
        THistoryLogEntry entry;
        entry.Tick = quint32(FirstTime + 60 * i);
        entry.PanelTime = FirstTime + 60 * i;
        const int noise = int((quint64(i) * 2654435761u >> 16) % 50);
        for (int c = 0; c < ValueColumns; ++c) {
            const auto value = quint16(qint16(1000 * std::sin(double(i) / (5000 + 1000 * c)) +
                                              noise));
            entry.Raw.append(char(value & 0xFF));
            entry.Raw.append(char(value >> 8));
        }
        entry.ValuesHash = HistoryHash(entry.Raw);
        ring.Entries.push_back(std::move(entry));
    }
    return ring;
}

THistoryAlarmRing AlarmRing(const TKivAlarms& alarms, int r)
{
    THistoryAlarmRing ring;
    ring.Def = HistoryTableDef(alarms);
    ring.Valid = true;
    const qint64 first = qint64(r) * RowsPerRead - (r > 0 ? 1 : 0);
    for (qint64 i = first; i < qint64(r + 1) * RowsPerRead; ++i) {
        THistoryAlarmEntry entry;
        entry.Number = quint32(i % 50);
        entry.MessageNumber = quint32(i % 16);
        entry.Start = quint32(FirstTime + 60 * i);
        entry.PanelStart = entry.Start;
        entry.End = entry.Start + quint32(i % 600);
        entry.PanelEnd = entry.End;
        entry.Message = QStringLiteral("Alarm %1, message %2").arg(i % 50).arg(i % 16);
        ring.Entries.push_back(std::move(entry));
    }
    return ring;
}

void Fill(const QString& path, const TKivStation& station, const TKivDataRecord& log)
{
    THistoryStore store(path);
    THistoryStationInfo info;
    info.Key = station.StationKey;
    info.Model = QStringLiteral("Bench panel");
    info.Channel = QStringLiteral("bench.bin");
    QElapsedTimer timer;
    timer.start();
    for (int r = 0; r < Reads; ++r) {
        THistorySnapshot snapshot;
        snapshot.Logs.push_back(LogRing(log, r));
        snapshot.Alarms = AlarmRing(*station.Alarms, r);
        store.AddRead(info, snapshot, QDateTime::fromSecsSinceEpoch(FirstTime + r, Qt::UTC));
    }
    std::printf("filled the store: %d entries and %d alarm lines in %d reads, %.1f s, %.0f MB\n",
                Reads * RowsPerRead, Reads * RowsPerRead, Reads, Milliseconds(timer) / 1000,
                QFileInfo(path).size() / 1e6);
}

void BenchChartData(const QString& path, const TKivStation& station, const TKivDataRecord& log)
{
    THistoryStore store(path, THistoryStore::ExistingOnly);
    const struct {
        const char* name;
        THistoryRange range;
    } ranges[] = {{"All stored", THistoryRange::All},
                  {"Last month", THistoryRange::LastMonth},
                  {"Last day", THistoryRange::LastDay}};
    std::printf("chart data (read, thinned for 4 x 1,200 pixels):\n");
    for (const auto& r : ranges) {
        int points = 0;
        const Timing t = Best([&] {
            const TKivChartData data =
                HistoryChartData(store, station.StationKey, log, r.range, 4 * 1200);
            points = 0;
            for (const TKivChartSeries& series : data.Series)
                points += int(series.Points.size());
        });
        std::printf("  %-12s %7.1f ms (%.1f ms processor time), %d points in %d lines\n", r.name,
                    t.Wall, t.Cpu, points, ValueColumns);
    }
    const long peak = BenchMemory::PeakGrowthKiB([&] {
        HistoryChartData(store, station.StationKey, log, THistoryRange::All, 4 * 1200);
    });
    std::printf("  peak memory growth of All stored: %.1f MB\n", peak / 1024.0);
}

void BenchChartWindow(TKivDataRecord* log)
{
    auto* frame =
        static_cast<TFrameDataRecordEdit*>(CreateFrame(QStringLiteral("TFrameDataRecordEdit")));
    frame->resize(1280, 800);
    frame->Attach(nullptr, log, nullptr);
    frame->show();
    frame->ShowChart(true);
    frame->grab();
    // From the ring (of a station never read: nothing) to "All stored" painted, best of three.
    Timing best;
    for (int run = 0; run < 3; ++run) {
        frame->ShowRange(THistoryRange::Ring);
        frame->grab();
        QElapsedTimer timer;
        timer.start();
        const double cpu = CpuMilliseconds();
        frame->ShowRange(THistoryRange::All);
        frame->grab();
        best.Cpu = std::min(best.Cpu, CpuMilliseconds() - cpu);
        best.Wall = std::min(best.Wall, Milliseconds(timer));
    }
    int points = 0;
    for (const TKivChartSeries& series : frame->chtDataRecord->Data().Series)
        points += int(series.Points.size());
    std::printf("data-record editor, chart of \"All stored\" (%d points kept):\n", points);
    std::printf("  chosen to painted:            %7.1f ms (%.1f ms processor time; goal: <= 300 ms)\n",
                best.Wall, best.Cpu);
    delete frame;
}

void BenchAlarmWindow(TKivAlarms* alarms)
{
    auto* frame = static_cast<TFrameAlarmEdit*>(CreateFrame(QStringLiteral("TFrameAlarmEdit")));
    frame->resize(1280, 800);
    frame->Attach(nullptr, alarms, nullptr);
    frame->show();
    frame->grab();
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuMilliseconds();
    frame->ShowStored(true);
    frame->grab();
    const double open = Milliseconds(timer);
    const double openCpu = CpuMilliseconds() - cpu;
    TTableGrid* grid = frame->Grid();
    QScrollBar* bar = grid->verticalScrollBar();
    QRandomGenerator random(7);
    double worst = 0;
    double total = 0;
    constexpr int Jumps = 200;
    for (int i = 0; i < Jumps; ++i) {
        timer.restart();
        bar->setValue(random.bounded(bar->maximum() + 1));
        grid->viewport()->grab();
        const double ms = Milliseconds(timer);
        total += ms;
        worst = std::max(worst, ms);
    }
    timer.restart();
    bar->setValue(bar->maximum());
    grid->viewport()->grab();
    const double end = Milliseconds(timer);
    std::printf("alarm editor, every stored line (%d rows):\n", grid->model()->rowCount());
    std::printf("  chosen to first painted screen: %7.1f ms (%.1f ms processor time)\n", open,
                openCpu);
    std::printf("  scroll, %d jumps anywhere:    %7.2f ms a step on average, %.2f ms at most\n",
                Jumps, total / Jumps, worst);
    std::printf("  jump to the last line:          %7.1f ms\n", end);
    delete frame;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    LanguageResources.Discover();
    if (LanguageResources.SelectLanguage(1033) != 0) {
        std::fprintf(stderr, "bench-history-chart: no language installed beside the program\n");
        return 1;
    }
    RegisterFrameClasses();
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

    QTemporaryDir scratch;
    const QStringList args = app.arguments();
    const qsizetype keep = args.indexOf(QStringLiteral("--keep"));
    const QString folder = keep > 0 && keep + 1 < args.size() ? args[keep + 1] : scratch.path();
    QDir().mkpath(folder);
    const QString projectFile = QDir(folder).filePath(QStringLiteral("bench.zop"));

    TKivTamsor project;
    project.Start();
    auto* channel = new TKivChannel(project.Channels.get());
    auto* station = new TKivStation(channel, 1);
    station->StationKey = QStringLiteral("bench-station");
    for (int a = 0; a < 50; ++a)
        new TKivAlarm(station->Alarms.get());
    station->Alarms->Title1 = QStringLiteral("Start");
    station->Alarms->Title2 = QStringLiteral("End");
    station->Alarms->Title3 = QStringLiteral("Message");
    TKivDataRecord* log = BuildLog(*station);

    const QString store = DefaultHistoryPath(projectFile);
    if (!QFileInfo::exists(store))
        Fill(store, *station, *log);
    else
        std::printf("using the store in %s\n", qPrintable(store));
    BenchChartData(store, *station, *log);

    BenchHost host(project, projectFile);
    SetFrameHost(&host);
    BenchChartWindow(log);
    BenchAlarmWindow(station->Alarms.get());
    SetFrameHost(nullptr);
    return 0;
}
