// tamsor-cli run: the schedule without a display. Every station is read at its own interval
// from the start, reports are written and the history recorded after each successful read,
// each log line goes to standard output, and the project is saved after every read that stored
// an image, until SIGINT, SIGTERM or the end of --duration.
#include "CliCommand.h"
#include "CliProject.h"
#include "TamsorError.h"
#include "history/HistoryRecorder.h"
#include "model/KivProjectLock.h"
#include "model/KivTamsor.h"
#include "reports/KivStationReports.h"
#include "schedule/BackgroundReadStarter.h"
#include "schedule/ScheduleReports.h"
#include "schedule/ScheduleRunner.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <map>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

constexpr int kTickMs = 1000;

// Turns SIGINT and SIGTERM into a call on the event loop while it lives, and ignores SIGPIPE:
// a reader of the log that goes away must not end the collecting.
class StopSignals
{
public:
    explicit StopSignals(std::function<void()> stop) : m_stop(std::move(stop))
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_fds) != 0)
            throw TamsorError(QStringLiteral("cannot watch for signals: %1").arg(errno));
        m_notifier = std::make_unique<QSocketNotifier>(s_fds[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            char byte;
            [[maybe_unused]] const ssize_t n = ::read(s_fds[0], &byte, 1);
            m_stop();
        });
        Install(SIGINT, &StopSignals::OnSignal);
        Install(SIGTERM, &StopSignals::OnSignal);
        Install(SIGPIPE, SIG_IGN);
    }
    ~StopSignals()
    {
        for (const auto& [signal, previous] : m_previous)
            ::sigaction(signal, &previous, nullptr);
        m_notifier.reset();
        ::close(s_fds[0]);
        ::close(s_fds[1]);
    }

private:
    void Install(int signal, void (*handler)(int))
    {
        struct sigaction action {
        };
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, &m_previous[signal]);
    }
    static void OnSignal(int)
    {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(s_fds[1], &byte, 1);
    }

    static inline int s_fds[2] = {-1, -1};
    std::function<void()> m_stop;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::map<int, struct sigaction> m_previous;
};

// Seconds of --duration: a whole number from 1 on; 0 when the option is absent.
qint64 durationSeconds(const QCommandLineParser& parser)
{
    if (!parser.isSet(QStringLiteral("duration")))
        return 0;
    bool ok = false;
    const qint64 seconds = parser.value(QStringLiteral("duration")).toLongLong(&ok);
    constexpr qint64 longest = std::numeric_limits<quint32>::max(); // some 136 years
    if (!ok || seconds < 1 || seconds > longest)
        throw TamsorError(
            QStringLiteral("--duration must be a number of seconds from 1 to %1").arg(longest));
    return seconds;
}

bool hasStations(const TKivTamsor& root)
{
    for (const TKivChannel* channel : *root.Channels)
        if (channel->Stations.Count() > 0)
            return true;
    return false;
}

// Saves the project; a failure is reported and the schedule goes on (the next save may work).
bool saveProject(const QString& path, TKivTamsor& root)
{
    try {
        saveCliProject(path, root);
        return true;
    } catch (const TamsorError& error) {
        cliErr() << "tamsor-cli run: cannot save the project: " << error.message() << "\n"
                 << Qt::flush;
        return false;
    }
}

int runSchedule(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file."));
    parser.addOptions({
        {QStringLiteral("out"),
         QStringLiteral("Report root to write under (default: the documents folder's "
                        "\"Tamsor Report\")."),
         QStringLiteral("DIR")},
        {QStringLiteral("duration"), QStringLiteral("Stop after this many seconds."),
         QStringLiteral("SECONDS")},
        {QStringLiteral("parallel"),
         QStringLiteral("Read stations on different serial ports or devices at the same time.")},
    });
    if (!parseCommandArguments(parser, QStringLiteral("run"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        cliErr() << "tamsor-cli run: expected one project file\n" << parser.helpText() << Qt::flush;
        return 2;
    }
    const qint64 duration = durationSeconds(parser);
    const QString path = QFileInfo(positional.first()).absoluteFilePath();
    const bool parallel = parser.isSet(QStringLiteral("parallel"));
    const QString reportRoot = parser.isSet(QStringLiteral("out"))
                                   ? QDir(parser.value(QStringLiteral("out"))).absolutePath()
                                   : DefaultReportRoot();

    // Held for the whole run: no other program may change the project it keeps saving.
    TKivProjectLock lock(path);
    lockCliProject(lock);
    TKivTamsor root;
    openCliProject(path, root);
    if (!hasStations(root)) {
        cliOut() << "The project has no stations to read.\n" << Qt::flush;
        return 0;
    }

    TBackgroundReadStarter starter(path);
    starter.SetParallel(parallel);
    TScheduleRunner runner(root, starter);
    runner.SetParallel(parallel);
    runner.SetReportWriter([&reportRoot, &path](const TKivStation& station) {
        WriteScheduledReports(station, reportRoot, path);
    });
    // One recorder, and so one open store, for the whole run.
    THistoryRecorder history(root, [&path] { return path; });
    runner.SetHistoryCheck(
        [&history](const TKivStation& station) { return history.TakeNotice(station); });
    QObject::connect(&runner, &TScheduleRunner::LineAdded, [](const QString& line) {
        cliOut() << line << '\n' << Qt::flush;
    });
    // Reads that end while the project is being saved share the next save.
    bool savePending = false;
    QObject::connect(&starter, &TBackgroundReadStarter::ImageStored, [&] {
        if (std::exchange(savePending, true))
            return;
        QTimer::singleShot(0, &runner, [&] {
            savePending = false;
            saveProject(path, root);
        });
    });

    QEventLoop loop;
    QDeadlineTimer end(QDeadlineTimer::Forever);
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(kTickMs);
    QObject::connect(&tick, &QTimer::timeout, &runner, [&] {
        if (end.hasExpired())
            loop.quit();
        else
            runner.Tick();
    });
    const StopSignals stopSignals([&loop] { loop.quit(); });

    runner.Run();
    if (duration > 0)
        end.setRemainingTime(duration * kTickMs, Qt::PreciseTimer);
    tick.start();
    loop.exec();

    tick.stop();
    // A read in progress ends here without an image; everything stored so far is saved.
    starter.CancelAll();
    runner.Stop();
    return saveProject(path, root) ? 0 : 1;
}

CliCommandRegistration
    registration({QStringLiteral("run"),
                  QStringLiteral("FILE.zop [--out DIR] [--duration SECONDS] [--parallel]"),
                  QStringLiteral("Run the schedule without a display until stopped"), runSchedule});

} // namespace
