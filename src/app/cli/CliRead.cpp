// tamsor-cli read: reads stations of a project from their devices or register files, stores
// the images in the project and records what they add to the project's history. Exits 1 when
// a station could not be read, else 3 when an image was stored but its history not written.
#include "CliCommand.h"
#include "CliProject.h"
#include "comm/ReadStation.h"
#include "comm/StationReadRunner.h"
#include "history/HistoryRecorder.h"
#include "model/KivProjectLock.h"
#include "model/KivTamsor.h"

#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace
{

constexpr int ExitHistoryNotWritten = 3;

// Shows the progress of one read: a bar redrawn in place on a terminal, else one line per
// state change so logs stay short.
class ReadProgress
{
public:
    explicit ReadProgress(bool terminal) : m_terminal(terminal) {}

    void begin(const QString& label)
    {
        m_label = label;
        m_lastState = ReadIdle;
    }

    void show(int state, int percent, const QString& rawText)
    {
        // The outcome line reports how the read ended.
        if (state != ReadIdentifying && state != ReadBlocks)
            return;
        const QString text =
            rawText.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        if (m_terminal) {
            constexpr int barWidth = 30;
            const int filled = qBound(0, percent, 100) * barWidth / 100;
            const QString line = QStringLiteral("%1 [%2%3] %4% %5")
                                     .arg(m_label, QString(filled, QLatin1Char('#')),
                                          QString(barWidth - filled, QLatin1Char('.')))
                                     .arg(percent, 3)
                                     .arg(text);
            cliOut() << '\r' << line.leftJustified(m_shownWidth) << Qt::flush;
            m_shownWidth = int(line.size());
        } else if (state != m_lastState) {
            cliOut() << m_label << ' ' << text << '\n' << Qt::flush;
        }
        m_lastState = state;
    }

    void end()
    {
        if (m_terminal && m_shownWidth > 0)
            cliOut() << '\r' << QString(m_shownWidth, QLatin1Char(' ')) << '\r' << Qt::flush;
        m_shownWidth = 0;
    }

private:
    bool m_terminal;
    QString m_label;
    int m_lastState = ReadIdle;
    int m_shownWidth = 0;
};

// The stations named on the command line in the order named (each once), or every station
// of the project in project order.
QList<TKivStation*> stationsToRead(TKivTamsor& root, const QStringList& refs)
{
    QList<TKivStation*> stations;
    if (refs.isEmpty()) {
        for (TKivChannel* channel : *root.Channels)
            for (TKivStation* station : channel->Stations)
                stations << station;
        return stations;
    }
    for (const QString& ref : refs) {
        TKivStation* station = findStationRef(root, ref);
        if (!stations.contains(station))
            stations << station;
    }
    return stations;
}

QString outcomeLine(const TKivStation& station, const StationReadOutcome& outcome)
{
    const QString message = outcome.message.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(' ');
    return QStringLiteral("%1 %2: %3 in %4 s: %5")
        .arg(stationRefText(station), station.GetCaption(),
             outcome.Succeeded() ? QStringLiteral("read") : QStringLiteral("FAILED"))
        .arg(double(outcome.durationMs) / 1000.0, 0, 'f', 2)
        .arg(message);
}

int runRead(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file."));
    parser.addPositionalArgument(QStringLiteral("STATION"),
                                 QStringLiteral("CHANNEL/POSITION, counted from 1 (default: all)."),
                                 QStringLiteral("[STATION...]"));
    if (!parseCommandArguments(parser, QStringLiteral("read"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        cliErr() << "tamsor-cli read: expected a project file\n" << parser.helpText() << Qt::flush;
        return 2;
    }
    const QString path = QFileInfo(positional.takeFirst()).absoluteFilePath();
    TKivProjectLock lock(path);
    lockCliProject(lock);
    TKivTamsor root;
    openCliProject(path, root);
    const QList<TKivStation*> stations = stationsToRead(root, positional);
    if (stations.isEmpty()) {
        cliOut() << "The project has no stations to read.\n" << Qt::flush;
        return 0;
    }

    ReadProgress progress(isatty(fileno(stdout)) != 0);
    THeadlessReadRunner runner([&progress](int state, int percent, const QString& text) {
        progress.show(state, percent, text);
    });
    struct RunnerInstalled {
        TStationReadRunner* previous;
        ~RunnerInstalled() { SetStationReadRunner(previous); }
    } installed{SetStationReadRunner(&runner)};

    // Records every stored image as it is stored (it follows the station-read notifier).
    THistoryRecorder history(root, [&path] { return path; });
    int failed = 0;
    int historyFailed = 0;
    for (TKivStation* station : stations) {
        progress.begin(stationRefText(*station));
        // Silent: a register file's problem is reported in the outcome line, not a message box.
        const bool stored = ReadStation(*station, true, path);
        progress.end();
        const StationReadOutcome& outcome = LastStationReadOutcome();
        cliOut() << outcomeLine(*station, outcome) << '\n' << Qt::flush;
        failed += stored ? 0 : 1;
        if (const THistoryOutcome* recorded = history.LastOutcome(*station))
            historyFailed += recorded->Result == THistoryOutcome::Failed ? 1 : 0;
        const QString notice = history.TakeNotice(*station);
        if (!notice.isEmpty())
            cliErr() << stationRefText(*station) << ' ' << notice << '\n' << Qt::flush;
    }

    const int read = int(stations.size()) - failed;
    if (read > 0) {
        saveCliProject(path, root);
        cliOut() << "Saved " << read << " register image" << (read == 1 ? "" : "s") << " to "
                 << path << '\n'
                 << Qt::flush;
    }
    if (failed > 0)
        cliErr() << failed << " of " << stations.size() << " station reads failed\n" << Qt::flush;
    if (failed > 0)
        return 1;
    return historyFailed > 0 ? ExitHistoryNotWritten : 0;
}

CliCommandRegistration
    registration({QStringLiteral("read"), QStringLiteral("FILE.zop [STATION...]"),
                  QStringLiteral("Read stations and store their register images"), runRead});

} // namespace
