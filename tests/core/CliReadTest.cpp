// tamsor-cli read, run as a program on a project with a TCP station served by tamsor-sim and
// a register-file station.
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include "CliProcess.h"
#include "DecoderTestSupport.h"
#include "PeerProcess.h"

#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

constexpr quint16 kTcpModel = 4321;
constexpr quint16 kFileModel = 77;

class CliRead : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_tcpImage = PatternRegisterImage(kTcpModel);
        m_fileImage = QByteArray(131072, '\x33');
        m_fileImage[0x1FF00] = char(kFileModel);
        m_fileImage[0x1FF01] = 0;
        ASSERT_TRUE(WriteBytes(m_dir.filePath("device.bin"), m_tcpImage));
        ASSERT_TRUE(WriteBytes(m_dir.filePath("panel.bin"), m_fileImage));
        m_project = m_dir.filePath("line.zop");
        m_address = m_peers.ServeTcp(m_dir.filePath("device.bin"));
        ASSERT_FALSE(m_address.isEmpty());
    }

    // Channel 1: TCP to the simulator; channel 2: "panel.bin" beside the project; channel 3
    // (when asked for): TCP to a port nobody listens on.
    void WriteProject(bool withDeadChannel)
    {
        TKivTamsor root;
        root.Start();
        auto* tcp = new TKivChannel(root.Channels.get());
        tcp->Type = TKivChannel::TypeInternet;
        tcp->Ip = m_address;
        (new TKivStation(tcp))->ModelID = kTcpModel;
        auto* file = new TKivChannel(root.Channels.get());
        file->Type = TKivChannel::TypeRegisterFile;
        file->RegisterFileName = "panel.bin";
        (new TKivStation(file))->ModelID = kFileModel;
        if (withDeadChannel) {
            QTcpServer probe;
            ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
            auto* dead = new TKivChannel(root.Channels.get());
            dead->Type = TKivChannel::TypeInternet;
            dead->Ip = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
            (new TKivStation(dead))->ModelID = kTcpModel;
        }
        WriteProjectFile(m_project, root);
    }

    CliRun Run(const QStringList& arguments)
    {
        // Another working folder: relative register files must be found beside the project.
        return RunTamsorCli(m_dir.filePath("config"), QStringList{"read"} + arguments,
                            QDir::rootPath());
    }

    std::unique_ptr<TKivTamsor> Load()
    {
        auto root = std::make_unique<TKivTamsor>();
        EXPECT_TRUE(ReadProjectFile(m_project, *root));
        return root;
    }
    static TKivStation* StationAt(TKivTamsor& root, int channel)
    {
        return root.Channels->Items(channel)->Stations.Items(0);
    }

    QTemporaryDir m_dir;
    PeerSet m_peers;
    QString m_address;
    QString m_project;
    QByteArray m_tcpImage;
    QByteArray m_fileImage;
};

TEST_F(CliRead, ReadsEveryStationAndStoresTheImages)
{
    WriteProject(false);
    const CliRun run = Run({m_project});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(
        run.out.contains(QRegularExpression("^1/1 .*: read in \\d+\\.\\d\\d s: Read complete\\.$",
                                            QRegularExpression::MultilineOption)))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(
        QRegularExpression("^2/1 .*: read in", QRegularExpression::MultilineOption)));
    // Not a terminal: a line per state change, no redrawn bar.
    EXPECT_FALSE(run.out.contains('\r'));
    EXPECT_LT(run.out.count('\n'), 12) << run.out.toStdString();

    auto root = Load();
    EXPECT_EQ(StationAt(*root, 0)->RegisterImage, m_tcpImage);
    EXPECT_EQ(StationAt(*root, 1)->RegisterImage, m_fileImage);
    EXPECT_GT(StationAt(*root, 0)->UpdateTime, 0);
    EXPECT_GT(StationAt(*root, 1)->UpdateTime, 0);
}

TEST_F(CliRead, AFailedStationGivesNonZeroExitAndTheOthersAreStillSaved)
{
    WriteProject(true);
    CliRun run = Run({m_project, "3/1", "2/1"});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QRegularExpression("^3/1 .*: FAILED in .*Cannot connect",
                                                    QRegularExpression::MultilineOption)))
        << run.out.toStdString();
    auto root = Load();
    EXPECT_EQ(StationAt(*root, 1)->RegisterImage, m_fileImage);
    EXPECT_GT(StationAt(*root, 1)->UpdateTime, 0);
    EXPECT_EQ(StationAt(*root, 0)->UpdateTime, 0) << "not named, not read";
    EXPECT_EQ(StationAt(*root, 2)->UpdateTime, 0);

    // Nothing read: the project file is not written at all.
    const QDateTime saved = QFileInfo(m_project).lastModified();
    QFile::remove(m_dir.filePath("panel.bin"));
    run = Run({m_project, "2/1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("The register file does not exist.")) << run.out.toStdString();
    EXPECT_EQ(QFileInfo(m_project).lastModified(), saved);

    run = Run({m_project, "4/1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("no channel 4")) << run.err.toStdString();
}

} // namespace

// The demo station over TCP, set up and read with every option on through the command line:
// the stored image decodes to the demo's tables.
TEST(CliReadOptions, DefinedAreasReadStoresAnImageThatDecodesAsTheDevice)
{
    const QString examples = QStringLiteral(TAMSOR_SOURCE_DIR "/examples/");
    QTemporaryDir dir;
    PeerSet peers;
    const QString address = peers.ServeTcp(examples + "demo.bin");
    ASSERT_FALSE(address.isEmpty());
    const QString project = dir.filePath("line.zop");
    const auto cli = [&](const QStringList& arguments) {
        const CliRun run = RunTamsorCli(dir.filePath("config"), arguments);
        EXPECT_EQ(run.exitCode, 0) << arguments.join(' ').toStdString() << run.err.toStdString();
    };
    cli({"new", project});
    cli({"add-channel", project, "--tcp", address});
    cli({"add-station", project, "1"});
    cli({"import-define", project, "1/1", examples + "demo.def"});
    cli({"set-channel", project, "1", "--defined-only", "--block-registers", "125", "--in-flight",
         "8"});
    cli({"read", project});

    TKivTamsor root;
    ASSERT_TRUE(ReadProjectFile(project, root));
    const TKivStation& station = *root.Channels->Items(0)->Stations.Items(0);
    QFile demo(examples + "demo.bin");
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    const QByteArray device = demo.readAll();
    EXPECT_EQ(DecodedTables(station, station.RegisterImage), DecodedTables(station, device));
}
