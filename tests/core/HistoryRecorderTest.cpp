#include "HistoryTestSupport.h"
#include "comm/StationReadNotifier.h"
#include "history/HistoryLocation.h"
#include "history/HistoryQuery.h"
#include "history/HistoryRecorder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

class HistoryRecorder : public ::testing::Test
{
protected:
    HistoryRecorder()
    {
        log.Append(1000, 1, 10);
        recorder.SetClock([this] { return now; });
    }

    // The reads the store at path holds.
    static qsizetype StoredReads(const QString& path)
    {
        THistoryStore store(path, THistoryStore::ExistingOnly);
        return qsizetype(HistoryReads(store).size());
    }

    static void WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    DecoderLanguage language{"STR09510=History not written: %s\n"
                             "STR09511=%s damaged, kept as %s\n"
                             "STR09516=%s cannot be set aside: %s\n"};
    QTemporaryDir dir;
    QString projectFile = dir.filePath(QStringLiteral("plant.zop"));
    QString storePath = dir.filePath(QStringLiteral("plant.history.sqlite"));
    QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(3, 0), Qt::UTC);
    TKivTamsor project;
    TKivChannel* channel = new TKivChannel(project.Channels.get());
    TKivStation* station = new TKivStation(channel);
    PanelLog log{*station, QStringLiteral("Oven"), 100, 4, true};
    THistoryRecorder recorder{project, [this] { return projectFile; }};
};

} // namespace

TEST_F(HistoryRecorder, StoredImagesAreRecordedBesideTheProject)
{
    std::vector<THistoryOutcome> outcomes;
    QObject::connect(&recorder, &THistoryRecorder::Recorded,
                     [&](TKivStation*, const THistoryOutcome& outcome) { outcomes.push_back(outcome); });
    NotifyStationRead(*station);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].Result, THistoryOutcome::Written);
    EXPECT_EQ(outcomes[0].StorePath, storePath);
    EXPECT_EQ(outcomes[0].Added.EntriesAdded, 1);
    EXPECT_EQ(station->StationKey.size(), 36); // given its UUID at the first recorded read
    EXPECT_EQ(recorder.TakeOutcome(*station).Result, THistoryOutcome::Written);
    EXPECT_EQ(recorder.LastOutcome(*station), nullptr);

    // A station of another project is none of this recorder's business.
    TKivTamsor other;
    TKivStation* stranger = new TKivStation(new TKivChannel(other.Channels.get()));
    NotifyStationRead(*stranger);
    EXPECT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(stranger->StationKey.isEmpty());
}

TEST_F(HistoryRecorder, ProjectSettingsDecideWhereOrWhether)
{
    struct Case {
        const char* setting;
        const char* projectFile;
        QString store;
    };
    const Case cases[] = {
        {"default", "plant.zop", storePath},
        {"off", "plant.zop", QString()},
        {"default", "", QString()}, // a project never saved has no place for its history yet
        {"keep/plant.sqlite", "plant.zop", dir.filePath(QStringLiteral("keep/plant.sqlite"))},
    };
    QDir(dir.path()).mkpath(QStringLiteral("keep"));
    for (const Case& c : cases) {
        SetHistorySetting(project, QString::fromLatin1(c.setting));
        EXPECT_EQ(HistorySetting(project), QString::fromLatin1(c.setting));
        projectFile = *c.projectFile ? dir.filePath(QString::fromLatin1(c.projectFile)) : QString();
        const THistoryOutcome outcome = recorder.Record(*station);
        EXPECT_EQ(outcome.StorePath, c.store) << c.setting;
        EXPECT_EQ(outcome.Result, c.store.isEmpty() ? THistoryOutcome::Off : THistoryOutcome::Written)
            << c.setting;
    }
}

TEST_F(HistoryRecorder, DamagedStoreIsSetAsideAndANewOneStarted)
{
    const QByteArray garbage(4096, 'x');
    WriteFile(storePath, garbage);
    const THistoryOutcome outcome = recorder.Record(*station);
    EXPECT_EQ(outcome.Result, THistoryOutcome::Written);
    const QString aside = storePath + QStringLiteral(".damaged-20260301-030000");
    EXPECT_EQ(outcome.Message, storePath + " damaged, kept as " + aside);
    QFile kept(aside);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
    EXPECT_EQ(StoredReads(storePath), 1);
}

TEST_F(HistoryRecorder, DeletedStoreIsMadeAgainAtTheNextRead)
{
    ASSERT_EQ(recorder.Record(*station).Result, THistoryOutcome::Written);
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(storePath + suffix);
    const THistoryOutcome again = recorder.Record(*station);
    EXPECT_EQ(again.Result, THistoryOutcome::Written);
    EXPECT_EQ(again.Added.EntriesAdded, 1); // what the ring still holds
    EXPECT_EQ(StoredReads(storePath), 1);
}

TEST_F(HistoryRecorder, UnwritableStoreFailsAndTheNextReadCatchesUp)
{
    QDir(dir.path()).mkpath(QStringLiteral("plant.history.sqlite")); // a folder in its place
    const QByteArray image = station->RegisterImage;
    const THistoryOutcome failed = recorder.Record(*station);
    EXPECT_EQ(failed.Result, THistoryOutcome::Failed);
    EXPECT_FALSE(failed.Message.isEmpty());
    EXPECT_TRUE(HistoryFailureText(failed).startsWith("History not written: " + storePath + ": "));
    EXPECT_EQ(station->RegisterImage, image);
    EXPECT_TRUE(QFileInfo(storePath).isDir()); // never set aside: it is no damaged store

    ASSERT_TRUE(QDir(storePath).removeRecursively());
    log.Append(1060, 2, 20);
    const THistoryOutcome caughtUp = recorder.Record(*station);
    EXPECT_EQ(caughtUp.Result, THistoryOutcome::Written);
    EXPECT_EQ(caughtUp.Added.EntriesAdded, 2);
}
