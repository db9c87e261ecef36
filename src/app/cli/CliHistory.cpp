// tamsor-cli history: prints the data-record entries and alarm lines a project's history store
// holds, oldest first, as CSV, TSV, JSON lines or line protocol.
#include "CliCommand.h"
#include "CliProject.h"
#include "TamsorError.h"
#include "history/HistoryExport.h"
#include "history/HistoryLocation.h"
#include "history/HistoryStore.h"
#include "history/HistoryTimeArgument.h"
#include "model/KivTamsor.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace
{

const QString Command = QStringLiteral("history");
const QString AlarmTable = QStringLiteral("Alarm");

// The serialized rows on standard output, written in large blocks; a running count of them on
// standard error while it is a terminal.
class ExportOutput
{
public:
    ExportOutput() : m_terminal(isatty(fileno(stderr)) != 0)
    {
        m_buffer.reserve(BlockSize + BlockSize / 4);
        m_timer.start();
    }

    QByteArray& Buffer() { return m_buffer; }

    void RowDone()
    {
        ++m_rows;
        if (m_buffer.size() >= BlockSize)
            Flush();
        if (m_terminal && (m_rows & 0x3FFF) == 0 && m_timer.elapsed() >= 250) {
            m_timer.restart();
            ShowCount();
        }
    }

    void Finish()
    {
        Flush();
        if (std::fflush(stdout) != 0)
            Fail();
        if (m_shownWidth > 0)
            std::fprintf(stderr, "\r%*s\r", m_shownWidth, "");
    }

private:
    static constexpr qsizetype BlockSize = 1 << 20;

    void Flush()
    {
        if (!m_buffer.isEmpty() &&
            std::fwrite(m_buffer.constData(), 1, size_t(m_buffer.size()), stdout) !=
                size_t(m_buffer.size()))
            Fail();
        m_buffer.clear();
    }

    [[noreturn]] static void Fail()
    {
        throw TamsorError(QStringLiteral("cannot write the output: %1")
                              .arg(QString::fromLocal8Bit(std::strerror(errno))));
    }

    void ShowCount()
    {
        const QByteArray text = "tamsor-cli history: " + QByteArray::number(m_rows) + " rows";
        std::fprintf(stderr, "\r%s", text.constData());
        std::fflush(stderr);
        m_shownWidth = int(text.size());
    }

    bool m_terminal;
    QElapsedTimer m_timer;
    QByteArray m_buffer;
    qint64 m_rows = 0;
    int m_shownWidth = 0;
};

int usageError(const QCommandLineParser& parser, const QString& message)
{
    cliErr() << "tamsor-cli history: " << message << "\n" << parser.helpText() << Qt::flush;
    return 2;
}

int failure(const QString& message)
{
    cliErr() << "tamsor-cli history: " << message << "\n" << Qt::flush;
    return 1;
}

// The store of the project at path; an empty text, with the reason in *problem, when it has
// none to read.
QString storeToRead(const TKivTamsor& root, const QString& path, QString* problem)
{
    if (root.HistoryOff) {
        *problem = QStringLiteral("the history of \"%1\" is off").arg(path);
        return QString();
    }
    const QString store = HistoryStorePath(root, path);
    if (store.isEmpty() || !QFileInfo::exists(store)) {
        *problem = QStringLiteral("\"%1\" has no history store yet (%2): a read of its stations "
                                  "makes it")
                       .arg(path, store.isEmpty() ? DefaultHistoryPath(path) : store);
        return QString();
    }
    return store;
}

// Station keys to the CHANNEL/POSITION of the project's stations.
QHash<QString, QString> stationNames(const TKivTamsor& root)
{
    QHash<QString, QString> names;
    for (const TKivChannel* channel : *root.Channels)
        for (const TKivStation* station : channel->Stations)
            if (!station->StationKey.isEmpty())
                names.insert(station->StationKey, stationRefText(*station));
    return names;
}

// The asked data-record names that no stored table of the filter's stations has.
QStringList unknownTables(const THistoryStore& store, const THistoryFilter& filter)
{
    QStringList unknown;
    const auto tables = HistoryTables(store, filter, THistoryKind::DataRecord);
    for (const QString& name : filter.TableNames) {
        const bool stored = std::any_of(tables.begin(), tables.end(),
                                        [&name](const auto& table) { return table->Name == name; });
        if (!stored && name != AlarmTable)
            unknown.append(name);
    }
    return unknown;
}

void writeRows(THistoryExport& rows, THistorySerializer& serializer)
{
    ExportOutput output;
    serializer.Begin(rows.Tables(), output.Buffer());
    THistoryExportRow row;
    while (rows.Next(row)) {
        serializer.Write(row, output.Buffer());
        output.RowDone();
    }
    output.Finish();
}

int runHistory(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the stored data-record entries and alarm lines oldest first.\n"
        "Stations are named CHANNEL/POSITION as in the project now; alarm lines are rows of\n"
        "table \"Alarm\" with the columns Number, Start, End and Message. csv and tsv have one\n"
        "header row: station, table, time, then the columns of every table in the output;\n"
        "a row fills its own table's columns. json: one object per line with the same fields.\n"
        "line: line protocol (measurement table, tag station, time in nanoseconds).\n"
        "Times are the panel's clock as it shows them, without a zone."));
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file."));
    parser.addPositionalArgument(QStringLiteral("STATION"),
                                 QStringLiteral("CHANNEL/POSITION, counted from 1 (default: all)."),
                                 QStringLiteral("[STATION]"));
    parser.addOption({QStringLiteral("table"),
                      QStringLiteral("Only this data record, or \"Alarm\" for the alarm lines; "
                                     "may be given more than once (default: all)."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("since"),
                      QStringLiteral("Rows from TIME on: 2026-03-04, 2026-03-04T06:00[:00], or "
                                     "back from now: -7d, -24h, -30m, -45s."),
                      QStringLiteral("TIME")});
    parser.addOption({QStringLiteral("until"),
                      QStringLiteral("Rows before TIME (the same forms as --since)."),
                      QStringLiteral("TIME")});
    parser.addOption({QStringLiteral("format"),
                      QStringLiteral("tsv, csv, json or line (default: tsv)."),
                      QStringLiteral("FORMAT"), QStringLiteral("tsv")});
    if (!parseCommandArguments(parser, Command, arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || positional.size() > 2)
        return usageError(parser, QStringLiteral("expected a project file and at most one station"));
    const auto format = HistoryFormatNamed(parser.value(QStringLiteral("format")));
    if (!format)
        return usageError(parser, QStringLiteral("--format %1 is not tsv, csv, json or line")
                                      .arg(parser.value(QStringLiteral("format"))));

    THistoryFilter filter;
    const QDateTime now = QDateTime::currentDateTime();
    for (const QString& option : {QStringLiteral("since"), QStringLiteral("until")}) {
        if (!parser.isSet(option))
            continue;
        QString error;
        const auto time = ParseHistoryTime(parser.value(option), now, &error);
        if (!time)
            return usageError(parser, QStringLiteral("--%1: %2").arg(option, error));
        (option == QLatin1String("since") ? filter.From : filter.To) = time;
    }
    if (filter.From && filter.To && *filter.From >= *filter.To)
        return usageError(parser, QStringLiteral("--since is not before --until"));
    filter.TableNames = parser.values(QStringLiteral("table"));
    const bool alarms = filter.TableNames.isEmpty() || filter.TableNames.contains(AlarmTable);

    const QString path = QFileInfo(positional.first()).absoluteFilePath();
    TKivTamsor root;
    openCliProject(path, root);
    if (positional.size() == 2) {
        const TKivStation* station = findStationRef(root, positional[1]);
        if (station->StationKey.isEmpty())
            return failure(QStringLiteral("station %1 has no stored history").arg(positional[1]));
        filter.StationKeys = QStringList{station->StationKey};
    }
    QString problem;
    const QString storePath = storeToRead(root, path, &problem);
    if (storePath.isEmpty())
        return failure(problem);

    const THistoryStore store(storePath, THistoryStore::ExistingOnly);
    if (const QStringList unknown = unknownTables(store, filter); !unknown.isEmpty())
        return failure(QStringLiteral("no data record named \"%1\" is stored")
                           .arg(unknown.join(QStringLiteral("\", \""))));
    const QHash<QString, QString> names = stationNames(root);
    // A station removed from the project since goes by its key.
    const auto stationName = [&names](const QString& key) { return names.value(key, key); };
    const auto serializer = MakeHistorySerializer(*format);
    THistoryExport rows(store, filter, alarms, stationName, serializer->NeedsNumbers());
    writeRows(rows, *serializer);
    return 0;
}

CliCommandRegistration registration(
    {Command,
     QStringLiteral("FILE.zop [STATION] [--table NAME] [--since TIME] [--until TIME] "
                    "[--format tsv|csv|json|line]"),
     QStringLiteral("Print the stored history of stations: data records and alarms"),
     runHistory});

} // namespace
