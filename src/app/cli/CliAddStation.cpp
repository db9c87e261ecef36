// tamsor-cli add-station: appends a station to a channel of a project.
#include "CliCommand.h"
#include "CliProject.h"
#include "TamsorError.h"
#include "model/KivProjectSession.h"
#include "model/KivTamsor.h"

namespace {

quint32 unsignedOption(const QCommandLineParser& parser, const QString& name, quint32 low,
                       quint32 high)
{
    bool ok = false;
    const qulonglong value = parser.value(name).trimmed().toULongLong(&ok);
    if (!ok || value < low || value > high)
        throw TamsorError(QStringLiteral("--%1 must be a number from %2 to %3").arg(name).arg(low).arg(high));
    return quint32(value);
}

int runAddStation(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file."));
    parser.addPositionalArgument(QStringLiteral("CHANNEL"),
                                 QStringLiteral("Channel position, counted from 1 in project order."));
    parser.addOptions({
        {QStringLiteral("number"), QStringLiteral("Station number 0-255 (default: the lowest free one)."),
         QStringLiteral("N")},
        {QStringLiteral("interval"), QStringLiteral("Schedule interval in seconds (default 86400)."),
         QStringLiteral("SECONDS")},
    });
    if (!parseCommandArguments(parser, QStringLiteral("add-station"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    if (parser.positionalArguments().size() != 2)
        return commandUsageError(parser, QStringLiteral("add-station"),
                                 QStringLiteral("expected a project file and a channel"));
    const QString path = parser.positionalArguments().at(0);
    TKivProjectSession session;
    TKivTamsor root;
    openCliProject(session, path, root);
    TKivChannel* channel = findChannelRef(root, parser.positionalArguments().at(1));

    std::optional<quint32> number;
    if (parser.isSet(QStringLiteral("number"))) {
        number = unsignedOption(parser, QStringLiteral("number"), 0, 255);
        if (channel->FindStation(*number))
            throw TamsorError(QStringLiteral("channel %1 already has a station numbered %2")
                                  .arg(parser.positionalArguments().at(1))
                                  .arg(*number));
    }
    std::optional<quint32> interval;
    if (parser.isSet(QStringLiteral("interval")))
        interval = unsignedOption(parser, QStringLiteral("interval"), 1, 0xFFFFFFFFu);

    auto* station = new TKivStation(channel);
    if (number)
        station->StationNum = *number;
    if (interval)
        station->ScheduleTime = *interval;
    saveCliProject(session, root);
    cliOut() << "Added station " << stationRefText(*station) << " (number " << station->StationNum
             << ", interval " << station->ScheduleTime << " s) to channel "
             << channel->GetCaption() << "\n"
             << Qt::flush;
    return 0;
}

CliCommandRegistration registration({QStringLiteral("add-station"),
                                     QStringLiteral("FILE.zop CHANNEL [--number N] [--interval SECONDS]"),
                                     QStringLiteral("Append a station to a channel"), runAddStation});

} // namespace
