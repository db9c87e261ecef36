#include "CliReadOptions.h"

#include "TamsorError.h"
#include "model/KivChannel.h"

#include <QCommandLineParser>

namespace
{

const QString kDefinedOnly = QStringLiteral("defined-only");
const QString kAllRegisters = QStringLiteral("all-registers");
const QString kBlockRegisters = QStringLiteral("block-registers");
const QString kInFlight = QStringLiteral("in-flight");

qint32 numberOption(const QCommandLineParser& parser, const QString& name, qint32 low, qint32 high)
{
    bool ok = false;
    const int value = parser.value(name).trimmed().toInt(&ok);
    if (!ok || value < low || value > high)
        throw TamsorError(
            QStringLiteral("--%1 must be a number from %2 to %3").arg(name).arg(low).arg(high));
    return value;
}

} // namespace

QList<QCommandLineOption> readOptionArguments()
{
    return {
        {kDefinedOnly, QStringLiteral("Read only the registers the stations' definitions use.")},
        {kAllRegisters, QStringLiteral("Read every register (the default).")},
        {kBlockRegisters,
         QStringLiteral("Registers a request asks for, %1 to %2 (default %1).")
             .arg(TReadOptions::kDefaultBlockRegisters)
             .arg(TReadOptions::kMaxBlockRegisters),
         QStringLiteral("N")},
        {kInFlight,
         QStringLiteral("Requests outstanding at once on a TCP channel, 1 to %1 (default 1).")
             .arg(TReadOptions::kMaxInFlight),
         QStringLiteral("N")},
    };
}

bool readOptionsGiven(const QCommandLineParser& parser)
{
    return parser.isSet(kDefinedOnly) || parser.isSet(kAllRegisters) ||
           parser.isSet(kBlockRegisters) || parser.isSet(kInFlight);
}

void applyReadOptions(const QCommandLineParser& parser, TKivChannel& channel)
{
    if (!readOptionsGiven(parser))
        return;
    if (channel.Type == TKivChannel::TypeRegisterFile)
        throw TamsorError(
            QStringLiteral("a register-file channel loads the whole file; read options apply "
                           "to serial and TCP channels"));
    if (parser.isSet(kDefinedOnly) && parser.isSet(kAllRegisters))
        throw TamsorError(QStringLiteral("choose --defined-only or --all-registers, not both"));
    TReadOptions options = channel.ReadOptions;
    if (parser.isSet(kDefinedOnly))
        options.DefinedOnly = true;
    if (parser.isSet(kAllRegisters))
        options.DefinedOnly = false;
    if (parser.isSet(kBlockRegisters))
        options.BlockRegisters =
            numberOption(parser, kBlockRegisters, TReadOptions::kDefaultBlockRegisters,
                         TReadOptions::kMaxBlockRegisters);
    if (parser.isSet(kInFlight)) {
        options.InFlight = numberOption(parser, kInFlight, 1, TReadOptions::kMaxInFlight);
        if (options.InFlight > 1 && channel.Type != TKivChannel::TypeInternet)
            throw TamsorError(QStringLiteral(
                "--in-flight applies to TCP channels; a serial line takes one request at a time"));
    }
    channel.ReadOptions = options;
}

QString readOptionsText(const TKivChannel& channel)
{
    const TReadOptions& o = channel.ReadOptions;
    return QStringLiteral("%1, %2 registers a request, %3 request%4 in flight")
        .arg(o.DefinedOnly ? QStringLiteral("defined areas only") : QStringLiteral("full read"))
        .arg(o.BlockRegisters)
        .arg(o.InFlight)
        .arg(o.InFlight == 1 ? QString() : QStringLiteral("s"));
}
