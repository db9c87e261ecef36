// Station reads against tamsor-sim, an independent Modbus peer built on libmodbus, over
// loopback TCP and over a socat pseudo-terminal pair.
#include "comm/Kivserial.h"
#include "comm/StationReader.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace
{

const QString kSim = QStringLiteral(TAMSOR_BIN_DIR "/tamsor-sim");
constexpr quint16 kModel = 4321;

// A child process stopped by its own pid when the test ends.
class Peer
{
public:
    ~Peer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // Starts program and waits until a line of its output matches `ready`.
    QRegularExpressionMatch Start(const QString& program, const QStringList& args,
                                  const QRegularExpression& ready, bool fromStderr = false)
    {
        m_process.setReadChannel(fromStderr ? QProcess::StandardError : QProcess::StandardOutput);
        m_process.start(program, args);
        QDeadlineTimer deadline(10000);
        QString seen;
        while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
            while (m_process.canReadLine()) {
                seen += QString::fromLocal8Bit(m_process.readLine());
                const auto match = ready.match(seen);
                if (match.hasMatch())
                    return match;
            }
            m_process.waitForReadyRead(100);
        }
        ADD_FAILURE() << program.toStdString() << " never got ready: " << seen.toStdString()
                      << m_process.readAllStandardError().toStdString();
        return {};
    }
    QProcess& Process() { return m_process; }

private:
    QProcess m_process;
};

class EndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_image.resize(131072);
        for (int n = 0; n < 65536; ++n) {
            const quint16 value = quint16(n * 131 + 17);
            m_image[2 * n] = char(value & 0xFF);
            m_image[2 * n + 1] = char(value >> 8);
        }
        m_image[0x1FF00] = char(kModel & 0xFF);
        m_image[0x1FF01] = char(kModel >> 8);
        m_imagePath = m_dir.filePath("device.bin");
        QFile file(m_imagePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(m_image);
    }

    StationReadRequest ServeTcp(const QStringList& faults = {})
    {
        auto peer = std::make_unique<Peer>();
        const auto match =
            peer->Start(kSim, QStringList{"--image", m_imagePath, "--tcp", "127.0.0.1:0"} + faults,
                        QRegularExpression("ready port=(\\d+)"));
        m_peers.push_back(std::move(peer));
        StationReadRequest request;
        request.channelType = 1;
        request.address = "127.0.0.1:" + match.captured(1);
        request.modelId = kModel;
        return request;
    }

    // Two connected pseudo terminals; returns the ends.
    QStringList PtyPair()
    {
        if (QStandardPaths::findExecutable("socat").isEmpty())
            return {};
        auto peer = std::make_unique<Peer>();
        const auto match =
            peer->Start("socat", {"-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"},
                        QRegularExpression("PTY is (\\S+)[\\s\\S]*PTY is (\\S+)"), true);
        m_peers.push_back(std::move(peer));
        return {match.captured(1), match.captured(2)};
    }

    StationReadRequest ServeRtu(const QStringList& faults = {})
    {
        const QStringList pair = PtyPair();
        if (pair.size() != 2)
            return {};
        auto peer = std::make_unique<Peer>();
        peer->Start(kSim, QStringList{"--image", m_imagePath, "--rtu", pair[0]} + faults,
                    QRegularExpression("ready device="));
        m_peers.push_back(std::move(peer));
        StationReadRequest request;
        request.channelType = 0;
        request.line.UartPort = pair[1];
        request.line.Baudrate = 115200;
        request.modelId = kModel;
        return request;
    }

    QTemporaryDir m_dir;
    QByteArray m_image;
    QString m_imagePath;
    std::vector<std::unique_ptr<Peer>> m_peers;
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
    EXPECT_EQ(outcome.problem, ReadProblem::ConnectionClosed);
    EXPECT_LT(outcome.durationMs, 3000);

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
    EXPECT_LT(outcome.durationMs, 3000);

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
        const StationReadRequest request = ServeRtu(c.faults);
        if (request.line.UartPort.isEmpty())
            GTEST_SKIP() << "socat is not installed";
        const StationReadOutcome outcome = RunStationRead(request);
        ASSERT_EQ(outcome.state, ReadDone)
            << c.faults.join(' ').toStdString() << outcome.message.toStdString();
        EXPECT_EQ(outcome.image, m_image) << c.faults.join(' ').toStdString();
        EXPECT_EQ(outcome.resends, c.resends) << c.faults.join(' ').toStdString();
        m_peers.clear();
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
