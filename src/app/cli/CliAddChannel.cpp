// tamsor-cli add-channel: appends a serial, TCP or register-file channel to a project.
#include "CliCommand.h"
#include "CliProject.h"
#include "CliReadOptions.h"
#include "TamsorError.h"
#include "model/KivProjectSession.h"
#include "model/KivTamsor.h"

#include <QFileInfo>

namespace {

// The index of value among choices, or -1.
int choiceIndex(const QString& value, const QStringList& choices)
{
    return int(choices.indexOf(value.trimmed().toLower()));
}

void applySerialOptions(const QCommandLineParser& parser, TKivChannel& channel)
{
    if (parser.isSet(QStringLiteral("baud"))) {
        bool ok = false;
        const int baud = parser.value(QStringLiteral("baud")).toInt(&ok);
        if (!ok || baud <= 0)
            throw TamsorError(QStringLiteral("--baud needs a positive number of bits per second"));
        channel.Baudrate = baud;
    }
    if (parser.isSet(QStringLiteral("data-bits"))) {
        const int index = choiceIndex(parser.value(QStringLiteral("data-bits")), {"5", "6", "7", "8"});
        if (index < 0)
            throw TamsorError(QStringLiteral("--data-bits must be 5, 6, 7 or 8"));
        channel.DataBits = index;
    }
    if (parser.isSet(QStringLiteral("parity"))) {
        const int index = choiceIndex(parser.value(QStringLiteral("parity")),
                                      {"none", "odd", "even", "mark", "space"});
        if (index < 0)
            throw TamsorError(QStringLiteral("--parity must be none, odd, even, mark or space"));
        channel.Parity = index;
    }
    if (parser.isSet(QStringLiteral("stop-bits"))) {
        const int index = choiceIndex(parser.value(QStringLiteral("stop-bits")), {"1", "2"});
        if (index < 0)
            throw TamsorError(QStringLiteral("--stop-bits must be 1 or 2"));
        channel.StopBit = index;
    }
}

int runAddChannel(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.zop"), QStringLiteral("Project file."));
    parser.addOptions({
        {QStringLiteral("serial"), QStringLiteral("Serial line (Modbus RTU) on PORT."), QStringLiteral("PORT")},
        {QStringLiteral("baud"), QStringLiteral("Bits per second (default 115200)."), QStringLiteral("N")},
        {QStringLiteral("data-bits"), QStringLiteral("5, 6, 7 or 8 (default 8)."), QStringLiteral("BITS")},
        {QStringLiteral("parity"), QStringLiteral("none, odd, even, mark or space (default none)."),
         QStringLiteral("PARITY")},
        {QStringLiteral("stop-bits"), QStringLiteral("1 or 2 (default 1)."), QStringLiteral("BITS")},
        {QStringLiteral("tcp"), QStringLiteral("Modbus TCP device at ADDRESS."), QStringLiteral("ADDRESS")},
        {QStringLiteral("file"), QStringLiteral("Register file IMAGE.bin."), QStringLiteral("IMAGE.bin")},
    });
    parser.addOptions(readOptionArguments());
    if (!parseCommandArguments(parser, QStringLiteral("add-channel"), arguments))
        return parser.isSet(QStringLiteral("help")) ? 0 : 2;
    if (parser.positionalArguments().size() != 1)
        return commandUsageError(parser, QStringLiteral("add-channel"),
                                 QStringLiteral("expected one project file"));
    const bool tcp = parser.isSet(QStringLiteral("tcp"));
    const bool file = parser.isSet(QStringLiteral("file"));
    const bool serialOptions = parser.isSet(QStringLiteral("serial")) || parser.isSet(QStringLiteral("baud")) ||
                               parser.isSet(QStringLiteral("data-bits")) ||
                               parser.isSet(QStringLiteral("parity")) || parser.isSet(QStringLiteral("stop-bits"));
    if (int(tcp) + int(file) + int(serialOptions) > 1)
        throw TamsorError(QStringLiteral("choose one kind of channel: serial options, --tcp or --file"));

    const QString path = parser.positionalArguments().first();
    TKivProjectSession session;
    TKivTamsor root;
    openCliProject(session, path, root);
    auto* channel = new TKivChannel(root.Channels.get());
    if (tcp) {
        channel->Type = TKivChannel::TypeInternet;
        channel->Ip = parser.value(QStringLiteral("tcp")).trimmed();
        if (channel->Ip.isEmpty())
            throw TamsorError(QStringLiteral("--tcp needs an address"));
    } else if (file) {
        channel->Type = TKivChannel::TypeRegisterFile;
        const QString image = parser.value(QStringLiteral("file"));
        if (image.isEmpty())
            throw TamsorError(QStringLiteral("--file needs a register file name"));
        channel->RegisterFileName = QFileInfo(image).absoluteFilePath();
    } else {
        applySerialOptions(parser, *channel);
        QString port = parser.value(QStringLiteral("serial")).trimmed();
        if (port.isEmpty()) {
            port = firstFreeSerialPort(root);
            if (port.isEmpty()) {
                port = QStringLiteral("ttyS0");
                cliErr() << "tamsor-cli add-channel: no free serial port found; the channel uses "
                         << port << " (give another with --serial PORT)\n"
                         << Qt::flush;
            }
        }
        channel->UartPort = port;
    }
    applyReadOptions(parser, *channel);
    saveCliProject(session, root);
    cliOut() << "Added channel " << root.Channels->Count() << ": " << channel->GetCaption();
    if (channel->Type != TKivChannel::TypeRegisterFile)
        cliOut() << " (" << readOptionsText(*channel) << ")";
    cliOut() << "\n" << Qt::flush;
    return 0;
}

CliCommandRegistration registration(
    {QStringLiteral("add-channel"),
     QStringLiteral("FILE.zop (--serial PORT [--baud N] [--data-bits 5|6|7|8] "
                    "[--parity none|odd|even|mark|space] [--stop-bits 1|2] | --tcp ADDRESS | --file IMAGE.bin) "
                    "[--defined-only] [--block-registers N] [--in-flight N]"),
     QStringLiteral("Append a channel to a project"), runAddChannel});

} // namespace
