// tamsor-cli read and set-project with the project's history: a register-file station whose
// image holds a data-record log, read as a program.
#include "history/HistoryQuery.h"
#include "history/HistoryStore.h"
#include "model/KivFileInf.h"

#include "CliProcess.h"
#include "HistoryTestSupport.h"
#include "PeerProcess.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

constexpr quint16 kModel = 77;

class CliHistory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // The panel: a log of three entries in its image, saved as its register file.
        TKivTamsor panel;
        auto* station = new TKivStation(new TKivChannel(panel.Channels.get()));
        PanelLog log(*station, QStringLiteral("Oven"), 100, 8, true);
        for (quint16 i = 0; i < 3; ++i)
            log.Append(1000 + 60 * i, i, 0);
        SetRegister(*station, ModelRegister, kModel);
        ASSERT_TRUE(WriteBytes(m_dir.filePath("panel.bin"), station->RegisterImage));

        // The project: the same log defined for a station reading that file.
        TKivTamsor root;
        root.Start();
        auto* channel = new TKivChannel(root.Channels.get());
        channel->Type = TKivChannel::TypeRegisterFile;
        channel->RegisterFileName = QStringLiteral("panel.bin");
        auto* reader = new TKivStation(channel);
        reader->ModelID = kModel;
        PanelLog defined(*reader, QStringLiteral("Oven"), 100, 8, true);
        WriteProjectFile(m_project, root);
    }

    CliRun Cli(const QStringList& arguments)
    {
        return RunTamsorCli(m_dir.filePath("config"), arguments, QDir::rootPath());
    }

    std::vector<THistoryReadRow> StoredReads(const QString& store)
    {
        THistoryStore opened(store, THistoryStore::ExistingOnly);
        return HistoryReads(opened);
    }

    QTemporaryDir m_dir;
    QString m_project = m_dir.filePath("line.zop");
    QString m_store = m_dir.filePath("line.history.sqlite");
};

} // namespace

TEST_F(CliHistory, EachReadAddsWhatIsNew)
{
    CliRun run = Cli({"read", m_project});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // The register file did not change: the second read adds nothing.
    run = Cli({"read", m_project});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::vector<THistoryReadRow> reads = StoredReads(m_store);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].RowsAdded, 3);
    EXPECT_EQ(reads[1].RowsAdded, 0);

    TKivTamsor root;
    ASSERT_TRUE(ReadProjectFile(m_project, root));
    EXPECT_EQ(root.Channels->Items(0)->Stations.Items(0)->StationKey, reads[0].StationKey);
}

TEST_F(CliHistory, ImageStoredButHistoryNotWrittenHasItsOwnStatus)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("line.history.sqlite")); // no store can be made there
    const CliRun run = Cli({"read", m_project});
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("1/1 History not written: " + m_store + ": "))
        << run.err.toStdString();
    TKivTamsor root;
    ASSERT_TRUE(ReadProjectFile(m_project, root));
    EXPECT_GT(root.Channels->Items(0)->Stations.Items(0)->UpdateTime, 0); // the image is kept
}

TEST_F(CliHistory, SetProjectChoosesWhereTheHistoryGoes)
{
    CliRun run = Cli({"set-project", m_project, "--history", "off"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "History: off\n");
    ASSERT_EQ(Cli({"read", m_project}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(m_store));

    run = Cli({"set-project", m_project, "--history", "kept/plant.sqlite"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString kept = m_dir.filePath("kept/plant.sqlite");
    EXPECT_EQ(run.out, "History: " + kept + "\n");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("kept"));
    ASSERT_EQ(Cli({"read", m_project}).exitCode, 0);
    EXPECT_EQ(StoredReads(kept).size(), 1u);

    // Back to the default: the project file is as it was before any setting.
    const QByteArray before = [&] {
        TKivTamsor root;
        EXPECT_TRUE(ReadProjectFile(m_project, root));
        root.HistoryFile.clear();
        return EncodeProjectFile(root);
    }();
    ASSERT_EQ(Cli({"set-project", m_project, "--history", "default"}).exitCode, 0);
    QFile saved(m_project);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), before);

    EXPECT_EQ(Cli({"set-project", m_project}).exitCode, 2);
}
