#include "CliProject.h"

#include "TamsorError.h"
#include "comm/KivSerial.h"
#include "model/KivFileInf.h"
#include "model/KivProjectSession.h"
#include "model/KivTamsor.h"

#include <QRegularExpression>

void lockCliProject(TKivProjectSession& session, const QString& path,
                    const std::function<void()>& load)
{
    const auto result = session.Open(path, false, [&] {
        load();
        return true;
    });
    if (result == TKivProjectSession::Result::LockRefused)
        throw TamsorError(session.ErrorText());
}

void openCliProject(const QString& path, TKivTamsor& root)
{
    bool isProject = false;
    try {
        isProject = ReadProjectFile(path, root);
    } catch (const TamsorError& error) {
        // The file layers' own texts ("Stream read error", zlib's) do not say which file failed.
        if (error.message().contains(path))
            throw;
        throw TamsorError(QStringLiteral("Cannot read project \"%1\": %2").arg(path, error.message()));
    }
    if (!isProject)
        throw TamsorError(QStringLiteral("\"%1\" is not a Tamsor project file").arg(path));
}

void openCliProject(TKivProjectSession& session, const QString& path, TKivTamsor& root)
{
    lockCliProject(session, path, [&] { openCliProject(path, root); });
}

void saveCliProject(TKivProjectSession& session, TKivTamsor& root)
{
    const QString path = session.FileName();
    const auto result = session.Save(path, [&] {
        WriteProjectFile(path, root);
        return true;
    });
    if (result == TKivProjectSession::Result::LockRefused)
        throw TamsorError(session.ErrorText());
}

std::optional<StationRef> parseStationRef(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,6})\\s*/\\s*(\\d{1,6})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    StationRef ref{match.captured(1).toInt(), match.captured(2).toInt()};
    if (ref.channel < 1 || ref.position < 1)
        return std::nullopt;
    return ref;
}

QString stationRefText(const TKivStation& station)
{
    const TKivChannel* channel = station.Owner;
    if (!channel || !channel->Owner)
        return QString();
    return QStringLiteral("%1/%2")
        .arg(channel->Owner->IndexOf(channel) + 1)
        .arg(channel->Stations.IndexOf(&station) + 1);
}

TKivChannel* findChannelRef(TKivTamsor& root, const QString& text)
{
    bool ok = false;
    const int position = text.trimmed().toInt(&ok);
    if (!ok || position < 1)
        throw TamsorError(
            QStringLiteral("\"%1\" is not a channel position (1, 2, ... in project order)").arg(text));
    TKivChannel* channel = root.Channels->Items(position - 1);
    if (!channel)
        throw TamsorError(QStringLiteral("the project has no channel %1 (it has %2)")
                              .arg(position)
                              .arg(root.Channels->Count()));
    return channel;
}

TKivStation* findStationRef(TKivTamsor& root, const QString& text)
{
    const std::optional<StationRef> ref = parseStationRef(text);
    if (!ref)
        throw TamsorError(
            QStringLiteral("\"%1\" is not a station reference CHANNEL/POSITION such as 1/1").arg(text));
    TKivChannel* channel = findChannelRef(root, QString::number(ref->channel));
    TKivStation* station = channel->Stations.Items(ref->position - 1);
    if (!station)
        throw TamsorError(QStringLiteral("channel %1 has no station %2 (it has %3)")
                              .arg(ref->channel)
                              .arg(ref->position)
                              .arg(channel->Stations.Count()));
    return station;
}

QString firstFreeSerialPort(const TKivTamsor& root)
{
    return FirstFreePort(root.Channels->UartPortsInUse());
}
