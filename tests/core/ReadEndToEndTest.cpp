// Station reads against tamsor-sim, an independent Modbus peer built on libmodbus, over
// loopback TCP and over a socat pseudo-terminal pair.
#include "comm/KivSerial.h"
#include "comm/ReadStation.h"
#include "comm/StationReader.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include "DecoderTestSupport.h"
#include "PeerProcess.h"

#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace
{

constexpr quint16 kModel = 4321;

class EndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_image = PatternRegisterImage(kModel);
        m_imagePath = m_dir.filePath("device.bin");
        ASSERT_TRUE(WriteBytes(m_imagePath, m_image));
    }

    StationReadRequest ServeTcp(const QStringList& faults = {})
    {
        StationReadRequest request;
        request.channelType = 1;
        request.address = m_peers.ServeTcp(m_imagePath, faults);
        request.modelId = kModel;
        return request;
    }

    QStringList PtyPair() { return m_peers.PtyPair(); }

    StationReadRequest ServeRtu(const QStringList& faults = {})
    {
        StationReadRequest request;
        request.channelType = 0;
        request.line.UartPort = m_peers.ServeRtu(m_imagePath, faults);
        request.line.Baudrate = 115200;
        request.modelId = kModel;
        return request;
    }

    QTemporaryDir m_dir;
    QByteArray m_image;
    QString m_imagePath;
    PeerSet m_peers;
};

} // namespace

TEST_F(EndToEnd, TcpReadsTheImageByteForByteAlsoWhenRepliesComeInTwoSegments)
{
    for (const QStringList& faults : {QStringList{}, QStringList{"--split-tcp", "1"}}) {
        const StationReadOutcome outcome = RunStationRead(ServeTcp(faults));
        ASSERT_EQ(outcome.state, ReadDone) << outcome.message.toStdString();
        EXPECT_EQ(outcome.image, m_image);
        EXPECT_EQ(outcome.requestsWritten, 1025);
    }
}

TEST_F(EndToEnd, TcpFaultsEndTheReadAsFailedWithTheirCause)
{
    StationReadOutcome outcome = RunStationRead(ServeTcp({"--exception-every", "100"}));
    EXPECT_EQ(outcome.state, ReadFailed);
    EXPECT_EQ(outcome.problem, ReadProblem::DeviceException);
    EXPECT_EQ(outcome.exceptionCode, 4);
    EXPECT_EQ(outcome.failedRegister, 64 * 98);
    EXPECT_TRUE(outcome.image.isEmpty());

    outcome = RunStationRead(ServeTcp({"--close-after", "10"}));
    EXPECT_EQ(outcome.state, ReadFailed);
    // Noticed as the closed connection it is, not after the no-reply timeout.
    EXPECT_EQ(outcome.problem, ReadProblem::ConnectionClosed);

    StationReadRequest wrongModel = ServeTcp({"--model-id", "999"});
    outcome = RunStationRead(wrongModel);
    EXPECT_EQ(outcome.state, ReadWrongModel);
    EXPECT_EQ(outcome.requestsWritten, 1);
}

TEST_F(EndToEnd, TcpConnectionRefusedAndBadAddressFailAtOnce)
{
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 unused = probe.serverPort();
    probe.close();
    StationReadRequest request;
    request.channelType = 1;
    request.address = QStringLiteral("127.0.0.1:%1").arg(unused);
    StationReadOutcome outcome = RunStationRead(request);
    EXPECT_EQ(outcome.problem, ReadProblem::ConnectFailed);

    request.address = "127.0.0.1:99999";
    outcome = RunStationRead(request);
    EXPECT_EQ(outcome.problem, ReadProblem::BadAddress);
}

TEST_F(EndToEnd, RtuReadsTheImageAndRecoversFromDropsBadCrcsAndExceptions)
{
    struct Case {
        QStringList faults;
        int resends;
    } cases[] = {
        {{}, 0},
        {{"--drop-every", "400"}, 2},
        {{"--bad-crc-every", "500"}, 2},
        {{"--exception-every", "600"}, 1},
    };
    for (const Case& c : cases) {
        const std::string faults = c.faults.join(' ').toStdString();
        // Modbus RTU frames are cut by silence (25 ms) and answered within 500 ms of real time,
        // and the device is another process on a pseudo terminal: a machine so busy that it
        // stalls the device past those times makes a read fail without a fault in the code.
        // Such a read (no answer, or a frame cut short) is read again, at most three times.
        StationReadOutcome outcome;
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_peers.Clear();
            const StationReadRequest request = ServeRtu(c.faults);
            if (request.line.UartPort.isEmpty())
                GTEST_SKIP() << "socat is not installed";
            outcome = RunStationRead(request);
            if (outcome.problem != ReadProblem::NoAnswer &&
                outcome.problem != ReadProblem::ReplyMismatch)
                break;
        }
        ASSERT_EQ(outcome.state, ReadDone)
            << faults << ": problem " << int(outcome.problem) << " at register "
            << outcome.failedRegister << " after " << outcome.resends << " resends";
        EXPECT_EQ(outcome.image, m_image) << faults;
        // The faults cost at least their resends; a busy machine that delays an answer past
        // the response time may cost more, but every write beyond the 1,025 requests is one.
        EXPECT_GE(outcome.resends, c.resends) << faults;
        EXPECT_EQ(outcome.requestsWritten, 1025 + outcome.resends) << faults;
    }
}

TEST_F(EndToEnd, RtuDeviceThatGoesSilentEndsAfterItsRetries)
{
    const StationReadRequest request = ServeRtu({"--close-after", "5"});
    if (request.line.UartPort.isEmpty())
        GTEST_SKIP() << "socat is not installed";
    const StationReadOutcome outcome = RunStationRead(request);
    EXPECT_EQ(outcome.state, ReadFailed);
    EXPECT_EQ(outcome.problem, ReadProblem::NoAnswer);
    // Five answered, then the sixth request, its six resends and the final send.
    EXPECT_EQ(outcome.requestsWritten, 5 + 8);
}

TEST_F(EndToEnd, SerialPortOnPseudoTerminal)
{
    const QStringList pair = PtyPair();
    if (pair.size() != 2)
        GTEST_SKIP() << "socat is not installed";
    TKivSerial device;
    TKivSerial station;
    device.PortName = pair[0];
    station.PortName = pair[1];
    station.Parity = 4; // space parity
    ASSERT_TRUE(device.Open()) << device.ErrorText().toStdString();
    ASSERT_TRUE(station.Open()) << station.ErrorText().toStdString();
    char buffer[4096];
    EXPECT_EQ(station.Read(buffer, 2048), 0);

    for (auto [sent, expected] : {std::pair{300, 300}, std::pair{3000, 2048}}) {
        const QByteArray bytes(sent, 'x');
        ASSERT_EQ(device.Write(bytes.constData(), sent), sent);
        QDeadlineTimer deadline(5000);
        while (station.InQueue() < sent && !deadline.hasExpired())
            QThread::msleep(1);
        EXPECT_EQ(station.Read(buffer, 2048), expected);
        while (station.Read(buffer, 2048) > 0) {
        }
    }
    EXPECT_TRUE(station.Close());
    EXPECT_FALSE(station.Close());
}

TEST_F(EndToEnd, SimulatorEndsWhenItsSerialLineHangsUp)
{
    if (QStandardPaths::findExecutable("socat").isEmpty())
        GTEST_SKIP() << "socat is not installed";
    PeerProcess socat;
    const auto pair = socat.Start("socat", {"-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"},
                                  QRegularExpression("PTY is (\\S+)[\\s\\S]*PTY is (\\S+)"), true);
    ASSERT_TRUE(pair.hasMatch());
    PeerProcess sim;
    ASSERT_TRUE(sim.Start(TamsorSimPath(), {"--image", m_imagePath, "--rtu", pair.captured(1)},
                          QRegularExpression("ready device="))
                    .hasMatch());
    socat.Process().terminate();
    ASSERT_TRUE(socat.Process().waitForFinished(5000));
    // Left running, it would spin on the hung-up line for ever.
    ASSERT_TRUE(sim.Process().waitForFinished(5000));
    EXPECT_NE(sim.Process().exitCode(), 0);
}

TEST_F(EndToEnd, SimulatorRefusesAMalformedTcpAddress)
{
    for (const char* address :
         {"127.0.0.1:99999", "127.0.0.1:", "127.0.0.1:5x", "[::1", "[::1]x"}) {
        QProcess sim;
        sim.start(TamsorSimPath(), {"--image", m_imagePath, "--tcp", address});
        ASSERT_TRUE(sim.waitForFinished(5000)) << address;
        EXPECT_NE(sim.exitCode(), 0) << address;
        EXPECT_FALSE(sim.readAllStandardOutput().contains("ready")) << address;
    }
}

TEST_F(EndToEnd, TcpRepliesThatAnswerNothingAskedLeaveTheImageAligned)
{
    // Requests 2 and 601 read blocks 1 and 600.
    for (const char* fault : {"--duplicate-reply", "--reply-ahead"}) {
        for (const char* request : {"2", "601"}) {
            const StationReadOutcome outcome = RunStationRead(ServeTcp({fault, request}));
            ASSERT_EQ(outcome.state, ReadDone) << fault << ' ' << request;
            EXPECT_EQ(outcome.image, m_image) << fault << ' ' << request;
            m_peers.Clear();
        }
    }
}

TEST_F(EndToEnd, DeviceThatSendsWithoutPauseFailsTheReadQuickly)
{
    // Which of its replies is judged first depends on timing: one that carries the number of
    // the request outstanding does not fit it, the others answer nothing asked.
    StationReadOutcome outcome = RunStationRead(ServeTcp({"--flood"}));
    EXPECT_EQ(outcome.state, ReadFailed);
    EXPECT_TRUE(outcome.problem == ReadProblem::UnaskedReplies ||
                outcome.problem == ReadProblem::ReplyMismatch)
        << int(outcome.problem);
    EXPECT_TRUE(outcome.image.isEmpty()); // its problem, not a timeout, ended the read

    const StationReadRequest request = ServeRtu({"--flood"});
    if (request.line.UartPort.isEmpty())
        GTEST_SKIP() << "socat is not installed";
    // The line never falls silent for a request, unless the simulator is held up for a moment
    // on a busy machine: then the request goes out and the frames that follow do not fit it.
    outcome = RunStationRead(request);
    EXPECT_EQ(outcome.state, ReadFailed);
    EXPECT_TRUE(outcome.problem == ReadProblem::LineBusy ||
                outcome.problem == ReadProblem::ReplyMismatch)
        << int(outcome.problem);
    EXPECT_TRUE(outcome.image.isEmpty()); // its problem, not a timeout, ended the read
}

namespace
{

// The demo station, read through its channel's options from tamsor-sim serving the demo's
// register image.
class DemoEndToEnd : public EndToEnd
{
protected:
    void SetUp() override
    {
        EndToEnd::SetUp();
        ASSERT_TRUE(ReadProjectFile(m_examples + "demo.zop", m_root));
        m_station = m_root.Channels->Items(0)->Stations.Items(0);
        QFile image(m_examples + "demo.bin");
        ASSERT_TRUE(image.open(QIODevice::ReadOnly));
        m_demoImage = image.readAll();
    }
    StationReadOutcome Read(const TReadOptions& options, bool rtu)
    {
        TKivChannel& channel = *m_station->Owner;
        channel.ReadOptions = options;
        channel.Type = rtu ? TKivChannel::TypeUart : TKivChannel::TypeInternet;
        if (rtu)
            channel.UartPort = m_peers.ServeRtu(m_examples + "demo.bin");
        else
            channel.Ip = m_peers.ServeTcp(m_examples + "demo.bin");
        m_station->RegisterImage = ZeroRegisterImage();
        return RunStationRead(MakeStationReadRequest(*m_station));
    }

    const QString m_examples = QStringLiteral(TAMSOR_SOURCE_DIR "/examples/");
    TKivTamsor m_root;
    TKivStation* m_station = nullptr;
    QByteArray m_demoImage;
};

} // namespace

TEST_F(DemoEndToEnd, EveryReadOptionDecodesAsTheFullImage)
{
    struct Case {
        TReadOptions options;
        bool rtu;
        int requests;
    } cases[] = {
        {{true, 64, 1}, false, 35},
        {{false, 125, 8}, false, 526},
        {{true, 125, 16}, false, 23},
        {{true, 125, 1}, true, 23},
    };
    const QList<QList<QStringList>> expected = DecodedTables(*m_station, m_demoImage);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "defined " << c.options.DefinedOnly << " block " << c.options.BlockRegisters
                     << " in flight " << c.options.InFlight << (c.rtu ? " RTU" : " TCP"));
        const StationReadOutcome outcome = Read(c.options, c.rtu);
        if (c.rtu && m_station->Owner->UartPort.isEmpty())
            GTEST_SKIP() << "socat is not installed";
        ASSERT_EQ(outcome.state, ReadDone) << outcome.message.toStdString();
        EXPECT_EQ(outcome.requestsWritten, c.requests);
        EXPECT_EQ(DecodedTables(*m_station, outcome.image), expected);
        if (!c.options.DefinedOnly) {
            EXPECT_EQ(outcome.image, m_demoImage);
        }
        m_peers.Clear();
    }
}

TEST_F(EndToEnd, DeviceRefusingLargeBlocksFailsNamingTheBlockSize)
{
    StationReadRequest request = ServeTcp({"--max-registers", "100"});
    request.options.BlockRegisters = 125;
    StationReadOutcome outcome = RunStationRead(request);
    EXPECT_EQ(outcome.state, ReadFailed);
    EXPECT_EQ(outcome.problem, ReadProblem::BlockRefused);
    EXPECT_EQ(outcome.exceptionCode, 3);
    EXPECT_TRUE(outcome.image.isEmpty());

    request.options.BlockRegisters = 100;
    outcome = RunStationRead(request);
    ASSERT_EQ(outcome.state, ReadDone) << outcome.message.toStdString();
    EXPECT_EQ(outcome.image, m_image);
}

// A device or gateway may answer the requests in flight in any order: a full read with eight
// in flight gives the image served, read after read.
TEST_F(EndToEnd, TcpRepliesInAnyOrderReadTheImageEveryTime)
{
    const QStringList devices[] = {
        {"--link-delay", "1", "--out-of-order", "3"},
        {"--random-delay", "0-2", "--seed", "1"},
    };
    for (const QStringList& device : devices) {
        SCOPED_TRACE(device.join(' ').toStdString());
        StationReadRequest request = ServeTcp(device);
        request.options.BlockRegisters = 125;
        request.options.InFlight = 8;
        for (int read = 1; read <= 20; ++read) {
            const StationReadOutcome outcome = RunStationRead(request);
            ASSERT_EQ(outcome.state, ReadDone)
                << "read " << read << ": " << outcome.message.toStdString();
            ASSERT_EQ(outcome.image, m_image) << "read " << read;
            EXPECT_EQ(outcome.requestsWritten, 526);
        }
        m_peers.Clear();
    }
}

// A device that mixes up the identifiers of requests in flight, or takes only one request at
// a time, fails a read that keeps several outstanding; the same read with one request at a
// time works.
TEST_F(EndToEnd, DeviceMixingUpRequestsInFlightFailsUntilReadOneAtATime)
{
    struct Case {
        QStringList fault;
        ReadProblem problem;
    } cases[] = {
        {{"--repeat-id", "3"}, ReadProblem::RepeatedTransaction},
        {{"--single-request"}, ReadProblem::ConnectionClosed},
    };
    TRegisterSet someBlocks;
    someBlocks.AddRange(0, 64 * 30);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault.join(' ').toStdString());
        StationReadRequest request = ServeTcp(QStringList{"--link-delay", "10"} + c.fault);
        request.registers = someBlocks;
        request.options.InFlight = 4;
        StationReadOutcome outcome = RunStationRead(request);
        EXPECT_EQ(outcome.state, ReadFailed);
        EXPECT_EQ(outcome.problem, c.problem);
        EXPECT_TRUE(outcome.image.isEmpty());

        request.options.InFlight = 1;
        outcome = RunStationRead(request);
        ASSERT_EQ(outcome.state, ReadDone) << outcome.message.toStdString();
        EXPECT_EQ(outcome.image.left(2 * 64 * 30), m_image.left(2 * 64 * 30));
        m_peers.Clear();
    }
}
