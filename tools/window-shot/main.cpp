// tamsor-shot: opens the main window with a project in a given language, selects a node, and
// saves a picture of the window (or of the About box, or of the schedule log) as PNG.
//
//   tamsor-shot --lang 1031 --project demo.zop --select station --out shot.png
//   options: --select project|channel|station|recipe|record|alarms   --channel-type 0|1|2
//            --read (read the first station first)   --chart (a log's chart instead of its grid)
//            --about   --size WIDTHxHEIGHT
//            --history-reads N  reads the first station N times through a history recorder,
//                             the demo's oven log running six hours on between reads (the
//                             register file is rewritten), so the store holds its history
//            --range ring|day|week|month|all  what a log's chart shows
//            --stored-alarms  the alarm editor lists every stored line
//            --schedule-log   runs the schedule through one read of the first station (on a
//                             clock of its own, reports into a scratch folder) and pictures
//                             the log window
//            --schedule-menu  the same run, then pictures the screen with the Schedule menu
//                             open (needs a real display, e.g. xvfb-run)
#include "AboutForm.h"
#include "ChannelFrame.h"
#include "AlarmEditFrame.h"
#include "DataRecordEditFrame.h"
#include "DemoLogRun.h"
#include "DynamicPanel.h"
#include "FrameBase.h"
#include "LangUi.h"
#include "LogForm.h"
#include "MainForm.h"
#include "ProjectTree.h"
#include "comm/ReadStation.h"
#include "history/HistoryRecorder.h"
#include "lang/KivLanRes.h"
#include "lang/KivLangStartup.h"
#include "model/KivTamsor.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdio>

namespace
{

TKivNode* nodeToSelect(TKivTamsor& project, const QString& what)
{
    TKivChannel* channel = project.Channels->Items(0);
    TKivStation* station = channel ? channel->Stations.Items(0) : nullptr;
    if (what == QLatin1String("channel") && channel)
        return channel->Node;
    if (what == QLatin1String("station") && station)
        return station->Node;
    if (what == QLatin1String("recipe") && station && station->Recipes->Count() > 0)
        return station->Recipes->Items(0)->Node;
    if (what == QLatin1String("record") && station && station->DataRecords->Count() > 0)
        return station->DataRecords->Items(0)->Node;
    if (what == QLatin1String("alarms") && station && station->Alarms->Node)
        return station->Alarms->Node;
    return project.Node;
}

void settle(TFormMain& form)
{
    for (int i = 0; i < 200 && (form.dplLeft->Sliding() || form.dplBottom->Sliding()); ++i) {
        form.dplLeft->Timer();
        form.dplBottom->Timer();
    }
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// Runs the schedule until the first station has been read once, without waiting for its
// interval: the schedule's clock is moved on by hand.
void runScheduleOnce(TFormMain& form, const QString& reportRoot)
{
    static qint64 now = QDateTime::currentMSecsSinceEpoch();
    form.SetScheduleClock([] { return now; });
    form.SetReportRoot(reportRoot);
    form.actScheduleRun->trigger();
    TKivChannel* channel = form.Project().Channels->Items(0);
    TKivStation* station = channel ? channel->Stations.Items(0) : nullptr;
    if (!station)
        return;
    now += (qint64(station->ScheduleTime) + 1) * 1000;
    form.tmScheduleTimer();
    now += 3000;
    form.tmScheduleTimer();
}

// Reads station `reads` times; before each read but the first the demo's oven log runs six
// hours on in the station's register file.
void readWithHistory(TFormMain& form, TKivStation& station, int reads)
{
    const TKivChannel& channel = *station.Owner;
    const QString file = QFileInfo(form.FileName()).dir().filePath(channel.RegisterFileName);
    for (int read = 0; read < reads; ++read) {
        if (read > 0) {
            QFile image(file);
            if (!image.open(QIODevice::ReadWrite))
                return;
            QByteArray bytes = image.readAll();
            RunDemoOvenLog(bytes, 36);
            image.seek(0);
            image.write(bytes);
        }
        ReadStation(station, true, form.FileName());
    }
}

THistoryRange rangeNamed(const QString& name)
{
    static const QHash<QString, THistoryRange> ranges{{"day", THistoryRange::LastDay},
                                                      {"week", THistoryRange::LastWeek},
                                                      {"month", THistoryRange::LastMonth},
                                                      {"all", THistoryRange::All}};
    return ranges.value(name, THistoryRange::Ring);
}

// The screen around the main window with its Schedule menu open.
QPixmap scheduleMenuPicture(TFormMain& form)
{
    form.FormLog->hide();
    const QRect item = form.menuBar()->actionGeometry(form.miSchedule->menuAction());
    form.miSchedule->popup(form.menuBar()->mapToGlobal(item.bottomLeft()));
    settle(form);
    QScreen* screen = form.screen();
    const QRect area = form.frameGeometry().united(form.miSchedule->geometry());
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"lang", "Language (LCID).", "id", "1033"},
                       {"project", "Project file to open.", "file"},
                       {"select", "Node to select.", "node", "station"},
                       {"channel-type", "Show the first channel as this type.", "type"},
                       {"read", "Read the first station before selecting."},
                       {"chart", "Show a data record's chart instead of its grid."},
                       {"about", "Picture the About box instead."},
                       {"schedule-log", "Read the first station on the schedule; picture the log."},
                       {"schedule-menu", "Read on the schedule; picture the open Schedule menu."},
                       {"history-reads", "Read the first station N times, recording.", "N"},
                       {"range", "What a log's chart shows.", "range", "ring"},
                       {"stored-alarms", "The alarm editor lists every stored line."},
                       {"size", "Window size.", "WxH", "900x560"},
                       {"out", "PNG file to write.", "file"}});
    parser.process(app);
    const QString out = parser.value("out");
    if (out.isEmpty()) {
        std::fprintf(stderr, "tamsor-shot: --out is required\n");
        return 2;
    }
    // The pictures never touch the user's settings.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    InstallUiLanguageSupport();
    StartLanguage(parser.value("lang").toInt());

    TFormMain form;
    THistoryRecorder recorder(form.Project(), [&form] { return form.FileName(); });
    SetProgramHistoryRecorder(&recorder);
    form.SetAnimateBottom(false);
    form.ApplyLanguageTexts();
    const QStringList size = parser.value("size").split(u'x');
    form.resize(size.value(0).toInt(), size.value(1).toInt());
    if (parser.isSet("project") && !form.LoadProjectFile(parser.value("project"), false)) {
        std::fprintf(stderr, "tamsor-shot: cannot open %s\n", qPrintable(parser.value("project")));
        return 1;
    }
    form.show();
    if (form.Project().Opened) {
        TKivChannel* channel = form.Project().Channels->Items(0);
        if (parser.isSet("history-reads") && channel && channel->Stations.Count() > 0)
            readWithHistory(form, *channel->Stations.Items(0),
                            parser.value("history-reads").toInt());
        else if (parser.isSet("read") && channel && channel->Stations.Count() > 0)
            ReadStation(*channel->Stations.Items(0), true, form.FileName());
        TKivNode* node = nodeToSelect(form.Project(), parser.value("select"));
        form.tvProject->setCurrentItem(dynamic_cast<TKivTreeNode*>(node));
        if (parser.isSet("channel-type")) {
            if (auto* frame = dynamic_cast<TFrameChannel*>(form.BottomFrame())) {
                const int type = parser.value("channel-type").toInt();
                frame->cbxType->setCurrentIndex(type);
                emit frame->cbxType->activated(type);
            }
        }
        if (auto* editor = dynamic_cast<TFrameDataRecordEdit*>(form.ClientFrame())) {
            editor->ShowChart(parser.isSet("chart"));
            editor->ShowRange(rangeNamed(parser.value("range")));
        }
        if (auto* editor = dynamic_cast<TFrameAlarmEdit*>(form.ClientFrame()))
            editor->ShowStored(parser.isSet("stored-alarms"));
        form.SetModified(false);
    }
    settle(form);
    QWidget* target = &form;
    QTemporaryDir reports;
    QPixmap picture;
    if (parser.isSet("schedule-log") || parser.isSet("schedule-menu")) {
        runScheduleOnce(form, reports.path());
        target = form.FormLog;
        settle(form);
        if (parser.isSet("schedule-menu"))
            picture = scheduleMenuPicture(form);
    }
    if (parser.isSet("about")) {
        form.ShowAbout();
        target = form.FormAbout();
        settle(form);
    }
    if (picture.isNull())
        picture = target->grab();
    if (!picture.save(out)) {
        std::fprintf(stderr, "tamsor-shot: cannot write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
