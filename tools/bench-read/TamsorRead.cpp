// Reads one station with the Tamsor read engine (headless) and prints the time taken.
// usage: bench-read-tamsor (--tcp ADDRESS | --rtu DEVICE [--baud B]) --model-id N [--out FILE]
//        [--defined FILE.def] [--block-registers N] [--in-flight N]
// --defined reads only the registers the define file's definitions use, as a channel with
// "defined areas only" does; the other two are the channel's read options.
#include "comm/StationReader.h"
#include "model/KivChannel.h"
#include "reports/RegisterUsage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    StationReadRequest request;
    request.line.Baudrate = 115200;
    QString out;
    QString define;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString& key = args[i];
        const QString& value = args[i + 1];
        if (key == "--tcp") {
            request.channelType = 1;
            request.address = value;
        } else if (key == "--rtu") {
            request.channelType = 0;
            request.line.UartPort = value;
        } else if (key == "--baud") {
            request.line.Baudrate = value.toInt();
        } else if (key == "--model-id") {
            request.modelId = value.toUInt();
        } else if (key == "--out") {
            out = value;
        } else if (key == "--defined") {
            define = value;
        } else if (key == "--block-registers") {
            request.options.BlockRegisters = value.toInt();
        } else if (key == "--in-flight") {
            request.options.InFlight = value.toInt();
        }
    }
    if (!define.isEmpty()) {
        TKivStation station(nullptr);
        QString error;
        if (!station.ImportDefine(define, &error)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(define), qPrintable(error));
            return 1;
        }
        const TRegisterUsage usage(station);
        request.options.DefinedOnly = true;
        request.registers = usage.Registers();
        request.moreRegisters = [usage](const QByteArray& image) { return usage.Registers(image); };
    }
    QElapsedTimer timer;
    timer.start();
    const StationReadOutcome outcome = RunStationRead(request);
    const qint64 ms = timer.elapsed();
    std::printf("state=%d requests=%d resends=%d time_ms=%lld\n", outcome.state,
                outcome.requestsWritten, outcome.resends, static_cast<long long>(ms));
    if (!outcome.Succeeded()) {
        std::fprintf(stderr, "%s\n", qPrintable(outcome.message));
        return 1;
    }
    if (!out.isEmpty()) {
        QFile file(out);
        if (!file.open(QIODevice::WriteOnly) || file.write(outcome.image) != outcome.image.size())
            return 1;
    }
    return 0;
}
