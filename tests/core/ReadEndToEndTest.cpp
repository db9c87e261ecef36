// Station reads against tamsor-sim, an independent Modbus peer built on libmodbus, over
// loopback TCP and over a socat pseudo-terminal pair.
#include "comm/KivSerial.h"
#include "comm/StationReader.h"

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
