// Opens the largest tables a station can hold in the real definition editors, on the
// offscreen platform unless a display is given: a data-record log of 65,535 entries x 16
// columns and an alarm history of 65,536 lines. Prints the time from selecting the table to
// its first painted screen, the time per scroll step (jumps anywhere and page steps), copying
// every cell, and opening and zooming the log's chart. Goal: opening under 0.3 s.

#include "AlarmEditFrame.h"
#include "BenchRegisters.h"
#include "DataRecordChart.h"
#include "DataRecordEditFrame.h"
#include "FrameRegistry.h"
#include "TableGrid.h"
#include "comm/KivCrc.h"
#include "lang/KivLanRes.h"
#include "model/KivChannel.h"

#include <QApplication>
#include <QChart>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace
{

constexpr int LogEntries = 65535;
constexpr int LogValueColumns = 15; // and the time stamp: 16 columns
constexpr int AlarmLines = 65536;
constexpr int AlarmSlots = 8189; // as many as the image holds after the header
constexpr int AlarmDefinitions = 50;

using BenchRegisters::FillRandom;
using BenchRegisters::Set;
using BenchRegisters::Set32;

// 65,535 entries in as many slots of no registers each: every entry reads registers 4 to 18
// for its values, and the first 32,766 entries have a time stamp inside the image.
TKivDataRecord* BuildLog(TKivStation& s)
{
    FillRandom(s);
    const uchar header[6] = {0, 0, uchar(LogEntries & 0xFF), uchar(LogEntries >> 8), 0, 0};
    Set(s, 0, 0);
    Set(s, 1, LogEntries);
    Set(s, 2, 0);
    Set(s, 3, ModbusCrc16(header, 6));
    for (quint32 slot = 0; 4 + 2 * slot + 1 < quint32(RegisterCount); ++slot)
        Set32(s, 4 + 2 * slot, 1400000000 + 60 * slot);
    auto* record = new TKivDataRecord(s.DataRecords.get());
    record->Name = QStringLiteral("Bench log");
    record->Count = LogEntries;
    record->Capacity = 0;
    auto* tick = new TKivDataRecordItem(record->DataRecordItems.get());
    tick->Title = QStringLiteral("Time");
    tick->Format = 8;
    tick->Width = 120;
    tick->DisplayFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    for (int c = 0; c < LogValueColumns; ++c) {
        auto* item = new TKivDataRecordItem(record->DataRecordItems.get());
        item->Title = QStringLiteral("Data%1").arg(c);
        item->Format = 3 + c % 2;
        item->FloatWidth = c % 3;
        item->Width = 64;
    }
    return record;
}

// 65,536 lines: the header counts them all, the area holds 8,189 slots, so lines 0 to 16,377
// are entries (the ring wraps once) and the rest show their number alone.
TKivAlarms* BuildAlarms(TKivStation& s)
{
    FillRandom(s);
    TKivAlarms& alarms = *s.Alarms;
    alarms.BackupAddr = 0;
    alarms.BackupSpace = 16 + 8 * AlarmSlots;
    for (int a = 0; a < AlarmDefinitions; ++a) {
        auto* alarm = new TKivAlarm(&alarms);
        for (int m = 0; m < 16; ++m)
            alarm->Message.append(QStringLiteral("Alarm %1, message %2").arg(a).arg(m));
    }
    Set32(s, 0, AlarmSlots);
    Set32(s, 2, AlarmLines);
    Set32(s, 4, 0);
    Set32(s, 10, 0);
    Set32(s, 12, alarms.BackupSpace);
    for (quint32 e = 0; e < quint32(AlarmSlots); ++e) {
        const quint32 r = 16 + 8 * e;
        Set32(s, r, 1400000000 + 7 * e);
        Set32(s, r + 2, e % 3 ? 1400000100 + 7 * e : 0);
        Set32(s, r + 4, e % AlarmDefinitions);
        Set32(s, r + 6, e % 16);
    }
    return &alarms;
}

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

struct Steps {
    double mean = 0;
    double worst = 0;
    double cpuMean = 0;
};

// Times `count` calls of step, each followed by painting the grid's cells.
Steps TimeSteps(TTableGrid* grid, int count, const std::function<void(int)>& step)
{
    Steps steps;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = CpuMilliseconds();
        step(i);
        grid->viewport()->grab();
        const double ms = Milliseconds(timer);
        steps.cpuMean += (CpuMilliseconds() - cpu) / count;
        steps.mean += ms / count;
        steps.worst = std::max(steps.worst, ms);
    }
    return steps;
}

void BenchTable(const char* what, TFrameTableEdit* frame, TKivPersistent* object)
{
    frame->resize(1280, 800);
    QElapsedTimer timer;
    timer.start();
    frame->Attach(nullptr, object, nullptr);
    frame->grab(); // lays out and paints the first screen
    const double open = Milliseconds(timer);

    TTableGrid* grid = frame->Grid();
    QScrollBar* bar = grid->verticalScrollBar();
    QRandomGenerator random(7);
    const Steps jumps =
        TimeSteps(grid, 200, [&](int) { bar->setValue(random.bounded(bar->maximum() + 1)); });
    bar->setValue(0);
    const Steps pages =
        TimeSteps(grid, 200, [&](int) { bar->triggerAction(QScrollBar::SliderPageStepAdd); });
    const Steps still = TimeSteps(grid, 50, [&](int) {});

    timer.restart();
    grid->selectAll();
    grid->CopySelection();
    const double copy = Milliseconds(timer);

    std::printf("%s: %d rows x %d columns\n", what, grid->model()->rowCount(),
                grid->model()->columnCount());
    std::printf("  open to first painted screen: %7.1f ms (goal: < 300 ms)\n", open);
    auto print = [](const char* name, const Steps& s) {
        std::printf("  %-28s %7.2f ms a step on average (%.2f ms processor time), %.2f ms at "
                    "most\n",
                    name, s.mean, s.cpuMean, s.worst);
    };
    print("scroll, 200 jumps anywhere:", jumps);
    print("scroll, 200 page steps:", pages);
    print("paint without scrolling:", still);
    std::printf("  copy every cell:              %7.1f ms\n", copy);
}

void BenchChart(TFrameDataRecordEdit* frame)
{
    QElapsedTimer timer;
    timer.start();
    frame->ShowChart(true);
    frame->grab();
    const double open = Milliseconds(timer);
    QChart* chart = frame->chtDataRecord->Chart();
    timer.restart();
    for (int i = 0; i < 10; ++i) {
        chart->zoom(2);
        frame->chtDataRecord->grab();
    }
    const double zoom = Milliseconds(timer) / 10;
    timer.restart();
    frame->chtDataRecord->btnResetZoom->click();
    frame->chtDataRecord->grab();
    const double reset = Milliseconds(timer);
    int points = 0;
    for (const TKivChartSeries& series : frame->chtDataRecord->Data().Series)
        points += int(series.Points.size());
    std::printf("chart of the log: %d lines, %d points\n",
                int(frame->chtDataRecord->Data().Series.size()), points);
    std::printf("  open to first painted chart:  %7.1f ms\n", open);
    std::printf("  zoom in one step and paint:   %7.1f ms\n", zoom);
    std::printf("  back to the whole log:        %7.1f ms\n", reset);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    LanguageResources.Discover();
    if (LanguageResources.SelectLanguage(1033) != 0) {
        std::fprintf(stderr, "bench-grid: no language installed beside the program\n");
        return 1;
    }
    RegisterFrameClasses();
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

    TKivStation logStation(nullptr);
    TKivDataRecord* log = BuildLog(logStation);
    auto* logFrame =
        static_cast<TFrameDataRecordEdit*>(CreateFrame(QStringLiteral("TFrameDataRecordEdit")));
    BenchTable("data-record log", logFrame, log);
    BenchChart(logFrame);

    TKivStation alarmStation(nullptr);
    TKivAlarms* alarms = BuildAlarms(alarmStation);
    auto* alarmFrame =
        static_cast<TFrameAlarmEdit*>(CreateFrame(QStringLiteral("TFrameAlarmEdit")));
    BenchTable("alarm history", alarmFrame, alarms);
    delete logFrame;
    delete alarmFrame;
    return 0;
}
