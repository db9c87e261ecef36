#include "ReadStation.h"

#include "StationReadNotifier.h"
#include "StationReadRunner.h"
#include "lang/KivLanRes.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"
#include "model/KivDateTime.h"
#include "model/KivChannel.h"
#include "reports/RegisterUsage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace
{

StationReadOutcome& lastOutcome()
{
    static StationReadOutcome outcome;
    return outcome;
}

StationReadOutcome FileOutcome(int state, ReadProblem problem, int messageId)
{
    StationReadOutcome outcome;
    outcome.state = state;
    outcome.problem = problem;
    outcome.messageId = messageId;
    outcome.message = GetLangString(messageId);
    return outcome;
}

StationReadOutcome UnknownChannelOutcome(int type)
{
    StationReadOutcome outcome;
    outcome.state = ReadFailed;
    outcome.problem = ReadProblem::NoSuchChannelType;
    outcome.messageId = StrId::ReadNoSuchChannelType;
    outcome.message = FormatLangText(GetLangString(outcome.messageId), {QString::number(type)});
    return outcome;
}

} // namespace

QString ResolveRegisterFileName(const TKivChannel& channel, const QString& projectFilePath)
{
    const QString name = channel.RegisterFileName;
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return name;
    const QDir base =
        projectFilePath.isEmpty() ? QDir::current() : QFileInfo(projectFilePath).absoluteDir();
    return QDir::cleanPath(base.absoluteFilePath(name));
}

StationReadOutcome LoadRegisterFile(const QString& fileName, const TKivStation& station)
{
    QElapsedTimer clock;
    clock.start();
    StationReadOutcome outcome;
    QFile file(fileName);
    const QFileInfo info(fileName);
    if (fileName.isEmpty() || !info.isFile()) {
        outcome =
            FileOutcome(ReadFailed, ReadProblem::RegisterFileMissing, StrId::RegisterFileMissing);
    } else if (info.size() != RegisterImageSize) {
        // Checked before loading so a huge file is never read into memory.
        outcome =
            FileOutcome(ReadFailed, ReadProblem::RegisterFileSize, StrId::RegisterFileWrongSize);
    } else if (!file.open(QIODevice::ReadOnly)) {
        outcome =
            FileOutcome(ReadFailed, ReadProblem::RegisterFileMissing, StrId::RegisterFileMissing);
        outcome.message += QLatin1Char('\n') + file.errorString();
    } else {
        const QByteArray bytes = file.readAll();
        if (bytes.size() != RegisterImageSize) {
            outcome = FileOutcome(ReadFailed, ReadProblem::RegisterFileSize,
                                  StrId::RegisterFileWrongSize);
        } else {
            const quint32 model = quint8(bytes[2 * ModelRegister]) |
                                  quint32(quint8(bytes[2 * ModelRegister + 1])) << 8;
            if (model != station.ModelID) {
                outcome = FileOutcome(ReadWrongModel, ReadProblem::None, StrId::ReadWrongModel);
            } else {
                outcome = FileOutcome(ReadDone, ReadProblem::None, StrId::ReadDone);
                outcome.image = bytes;
            }
        }
    }
    outcome.durationMs = clock.elapsed();
    return outcome;
}

StationReadRequest MakeStationReadRequest(const TKivStation& station)
{
    const TKivChannel& channel = *station.Owner;
    StationReadRequest request;
    request.channelType = channel.Type;
    request.line.UartPort = channel.UartPort;
    request.line.Baudrate = channel.Baudrate;
    request.line.DataBits = channel.DataBits;
    request.line.StopBit = channel.StopBit;
    request.line.Parity = channel.Parity;
    request.address = channel.Ip;
    request.stationNum = qint32(station.StationNum);
    request.modelId = station.ModelID;
    request.options = channel.ReadOptions.Usable();
    if (request.options.DefinedOnly) {
        const TRegisterUsage usage(station);
        request.registers = usage.Registers();
        request.baseImage = station.RegisterImage;
        request.moreRegisters = [usage](const QByteArray& image) { return usage.Registers(image); };
    }
    return request;
}

bool ReadStation(TKivStation& station, bool silent, const QString& projectFilePath)
{
    const TKivChannel& channel = *station.Owner;
    StationReadOutcome outcome;
    switch (channel.Type) {
    case TKivChannel::TypeRegisterFile:
        outcome = LoadRegisterFile(ResolveRegisterFileName(channel, projectFilePath), station);
        if (!outcome.Succeeded() && !silent)
            ShowLangMessage(outcome.messageId, StrId::RegisterFileCaption, KivMsg::IconWarning);
        break;
    case TKivChannel::TypeUart:
    case TKivChannel::TypeInternet:
        outcome = CurrentStationReadRunner().RunRead(MakeStationReadRequest(station), silent);
        break;
    default:
        outcome = UnknownChannelOutcome(channel.Type);
        break;
    }
    return TakeStationReadOutcome(station, outcome);
}

bool TakeStationReadOutcome(TKivStation& station, const StationReadOutcome& outcome)
{
    const bool stored = outcome.Succeeded() && outcome.image.size() == RegisterImageSize;
    if (stored) {
        station.RegisterImage = outcome.image;
        station.UpdateTime = NowAsKivTime();
    }
    lastOutcome() = outcome;
    lastOutcome().image.clear();
    if (stored)
        NotifyStationRead(station);
    return stored;
}

const StationReadOutcome& LastStationReadOutcome()
{
    return lastOutcome();
}
