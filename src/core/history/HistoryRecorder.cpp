#include "HistoryRecorder.h"

#include "HistoryLocation.h"
#include "comm/ReadTexts.h"
#include "comm/StationReadNotifier.h"
#include "lang/StringIds.h"
#include "model/KivTamsor.h"

#include <QDir>
#include <QFile>
#include <QUuid>

#include <sys/stat.h>

namespace
{

THistoryRecorder* programRecorder = nullptr;

// The file's identity, so a store deleted or replaced under an open connection is noticed;
// nothing when there is no file.
std::optional<std::pair<dev_t, ino_t>> FileIdentity(const QString& path)
{
    struct stat info {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return std::make_pair(info.st_dev, info.st_ino);
}

QString ChannelAddress(const TKivChannel* channel)
{
    if (!channel)
        return QString();
    switch (channel->Type) {
    case TKivChannel::TypeUart:
        return channel->UartPort;
    case TKivChannel::TypeInternet:
        return channel->Ip;
    case TKivChannel::TypeRegisterFile:
        return channel->RegisterFileName;
    default:
        return QString();
    }
}

// Moves the store and the files SQLite keeps beside it out of the way; false, with the reason,
// when the store itself cannot be moved.
bool SetAside(const QString& path, const QString& aside, QString& error)
{
    QFile store(path);
    if (store.exists() && !store.rename(aside)) {
        error = store.errorString();
        return false;
    }
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFile::exists(path + suffix))
            QFile::rename(path + suffix, aside + suffix);
    }
    return true;
}

} // namespace

struct THistoryRecorder::OpenStoreState {
    std::optional<std::pair<dev_t, ino_t>> identity;
};

THistoryRecorder::THistoryRecorder(TKivTamsor& project, std::function<QString()> projectFilePath,
                                   QObject* parent)
    : QObject(parent), m_project(project), m_projectFilePath(std::move(projectFilePath)),
      m_clock([] { return QDateTime::currentDateTimeUtc(); }),
      m_open(std::make_unique<OpenStoreState>())
{
    connect(&StationReadNotifier(), &TKivStationReadNotifier::StationRead, this,
            &THistoryRecorder::OnStationRead);
}

THistoryRecorder::~THistoryRecorder()
{
    if (programRecorder == this)
        programRecorder = nullptr;
}

void THistoryRecorder::OnStationRead(TKivStation* station)
{
    if (!InProject(station))
        return;
    const THistoryOutcome outcome = Record(*station);
    emit Recorded(station, outcome);
}

bool THistoryRecorder::InProject(const TKivStation* station) const
{
    for (const TKivChannel* channel : *m_project.Channels)
        for (const TKivStation* candidate : channel->Stations)
            if (candidate == station)
                return true;
    return false;
}

THistoryOutcome THistoryRecorder::Record(TKivStation& station)
{
    THistoryOutcome outcome;
    outcome.StorePath = HistoryStorePath(m_project, m_projectFilePath());
    if (outcome.StorePath.isEmpty()) {
        m_outcomes[&station] = outcome;
        return outcome;
    }
    if (station.StationKey.isEmpty())
        station.StationKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
    outcome = Write(station, outcome.StorePath);
    m_outcomes[&station] = outcome;
    return outcome;
}

THistoryOutcome THistoryRecorder::Write(TKivStation& station, const QString& path)
{
    THistoryOutcome outcome;
    outcome.StorePath = path;
    const THistorySnapshot snapshot = CaptureStationTables(station);
    const THistoryStationInfo info = HistoryStationInfo(station);
    // A damaged store is set aside once and the read written to a new one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            outcome.Added = OpenStore(path).AddRead(info, snapshot, m_clock());
            outcome.Result = THistoryOutcome::Written;
            return outcome;
        } catch (const THistoryError& error) {
            CloseStore();
            outcome.Result = THistoryOutcome::Failed;
            outcome.Message = error.message();
            if (error.Why != THistoryFailure::Damaged || attempt > 0)
                return outcome;
            const QString aside = DamagedHistoryPath(path, m_clock());
            QString why;
            if (!SetAside(path, aside, why)) {
                outcome.Message = LangText(StrId::HistoryCannotSetAside,
                                           {QDir::toNativeSeparators(path), why});
                return outcome;
            }
            outcome.Message = LangText(StrId::HistorySetAside, {QDir::toNativeSeparators(path),
                                                                QDir::toNativeSeparators(aside)});
        }
    }
    return outcome;
}

THistoryStore& THistoryRecorder::OpenStore(const QString& path)
{
    // A store deleted or replaced since it was opened is opened (made) again: writing on would
    // go to a file nobody sees.
    if (m_store && (m_store->Path() != path || FileIdentity(path) != m_open->identity))
        CloseStore();
    if (!m_store) {
        m_store = std::make_unique<THistoryStore>(path);
        m_store->SetWriteProbe(m_probe);
        m_open->identity = FileIdentity(path);
    }
    return *m_store;
}

void THistoryRecorder::CloseStore()
{
    m_store.reset();
    m_open->identity.reset();
}

const THistoryOutcome* THistoryRecorder::LastOutcome(const TKivStation& station) const
{
    const auto found = m_outcomes.find(&station);
    return found == m_outcomes.end() ? nullptr : &found->second;
}

THistoryOutcome THistoryRecorder::TakeOutcome(const TKivStation& station)
{
    const auto found = m_outcomes.find(&station);
    if (found == m_outcomes.end())
        return THistoryOutcome();
    THistoryOutcome outcome = std::move(found->second);
    m_outcomes.erase(found);
    return outcome;
}

THistoryStationInfo HistoryStationInfo(const TKivStation& station)
{
    THistoryStationInfo info;
    info.Key = station.StationKey;
    info.Model = station.ModelName;
    info.ModelId = station.ModelID;
    info.Channel = ChannelAddress(station.Owner);
    info.Number = station.StationNum;
    return info;
}

THistoryRecorder* SetProgramHistoryRecorder(THistoryRecorder* recorder)
{
    return std::exchange(programRecorder, recorder);
}

THistoryRecorder* ProgramHistoryRecorder()
{
    return programRecorder;
}

QString HistoryFailureText(const THistoryOutcome& outcome)
{
    return LangText(StrId::HistoryNotWritten,
                    {QDir::toNativeSeparators(outcome.StorePath) + QStringLiteral(": ") +
                     outcome.Message});
}
