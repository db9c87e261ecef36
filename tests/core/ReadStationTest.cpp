// ReadStation: register-file reads, the read runner seam, and reads over TCP against
// tamsor-sim storing (or, on failure, keeping) a station's image and update time.
#include "comm/ReadStation.h"
#include "comm/StationReadNotifier.h"
#include "comm/StationReadRunner.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivDateTime.h"
#include "model/KivTamsor.h"

#include "PeerProcess.h"
#include "ShippedEnglish.h"

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

constexpr quint16 kModel = 4321;
constexpr double kEarlierRead = 45000.5; // 2023-03-15 12:00

struct ShownMessage {
    QString text;
    QString caption;
    unsigned flags;
};

class ReadStationTest : public ShippedEnglishTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_previousHook =
            SetLangMessageHook([this](const QString& text, const QString& caption, unsigned flags) {
                m_shown.push_back({text, caption, flags});
                return int(KivMsg::IdOk);
            });
        m_channel = new TKivChannel(m_root.Channels.get());
        m_station = new TKivStation(m_channel);
        m_station->ModelID = kModel;
        m_station->RegisterImage = QByteArray(131072, '\x11');
        m_station->UpdateTime = kEarlierRead;
        m_announcement =
            QObject::connect(&StationReadNotifier(), &TKivStationReadNotifier::StationRead,
                             [this](TKivStation* station) {
                                 m_announced.push_back(station);
                                 m_imageWhenAnnounced = station->RegisterImage;
                             });
    }
    void TearDown() override
    {
        QObject::disconnect(m_announcement);
        SetLangMessageHook(m_previousHook);
    }

    void ExpectStationUntouched()
    {
        EXPECT_EQ(m_station->RegisterImage, QByteArray(131072, '\x11'));
        EXPECT_EQ(m_station->UpdateTime, kEarlierRead);
    }
    void ExpectStored(const QByteArray& image, double before)
    {
        EXPECT_EQ(m_station->RegisterImage, image);
        EXPECT_GE(m_station->UpdateTime, before);
        EXPECT_LE(m_station->UpdateTime, NowAsKivTime());
    }

    QTemporaryDir m_dir;
    TKivMessageHook m_previousHook;
    std::vector<ShownMessage> m_shown;
    TKivTamsor m_root;
    TKivChannel* m_channel = nullptr;
    TKivStation* m_station = nullptr;
    QMetaObject::Connection m_announcement;
    std::vector<TKivStation*> m_announced; // stations StationReadNotifier announced
    QByteArray m_imageWhenAnnounced;
};

using RegisterFileRead = ReadStationTest;

TEST_F(RegisterFileRead, BadFilesGiveTheirMessageOnlyWhenNotSilentAndKeepTheImage)
{
    QByteArray wrongModel = PatternRegisterImage(kModel + 1);
    QByteArray modelAbove16Bits = PatternRegisterImage(kModel);
    struct Case {
        const char* name;
        QByteArray bytes; // null: no file at all
        quint32 modelId;
        int state;
        int textId;
    } cases[] = {
        {"missing", QByteArray(), kModel, ReadFailed, StrId::RegisterFileMissing},
        {"one byte short", QByteArray(131071, '\0'), kModel, ReadFailed,
         StrId::RegisterFileWrongSize},
        {"one byte long", QByteArray(131073, '\0'), kModel, ReadFailed,
         StrId::RegisterFileWrongSize},
        {"empty", QByteArray(""), kModel, ReadFailed, StrId::RegisterFileWrongSize},
        {"other model", wrongModel, kModel, ReadWrongModel, StrId::ReadWrongModel},
        {"model id above 65535", modelAbove16Bits, kModel + 0x10000, ReadWrongModel,
         StrId::ReadWrongModel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = m_dir.filePath(QStringLiteral("%1.bin").arg(c.name));
        if (!c.bytes.isNull()) {
            ASSERT_TRUE(WriteBytes(path, c.bytes));
        }
        m_channel->Type = TKivChannel::TypeRegisterFile;
        m_channel->RegisterFileName = path;
        m_station->ModelID = c.modelId;
        for (const bool silent : {true, false}) {
            m_shown.clear();
            EXPECT_FALSE(ReadStation(*m_station, silent));
            ExpectStationUntouched();
            EXPECT_EQ(LastStationReadOutcome().state, c.state);
            EXPECT_EQ(LastStationReadOutcome().messageId, c.textId);
            if (silent) {
                EXPECT_TRUE(m_shown.empty());
            } else {
                ASSERT_EQ(m_shown.size(), 1u);
                EXPECT_EQ(m_shown[0].text, GetLangString(c.textId));
                EXPECT_EQ(m_shown[0].caption, GetLangString(StrId::RegisterFileCaption));
                EXPECT_EQ(m_shown[0].flags, 48u);
            }
        }
    }
    EXPECT_TRUE(m_announced.empty()) << "a failed read announces no new image";
}

TEST_F(RegisterFileRead, ModelInBytes130816And130817LowFirstIsAccepted)
{
    QByteArray image(131072, '\x7E');
    image[130816] = char(kModel & 0xFF);
    image[130817] = char(kModel >> 8);
    ASSERT_TRUE(WriteBytes(m_dir.filePath("good.bin"), image));
    m_channel->Type = TKivChannel::TypeRegisterFile;
    m_channel->RegisterFileName = m_dir.filePath("good.bin");
    const double before = NowAsKivTime();
    EXPECT_TRUE(ReadStation(*m_station, false));
    ExpectStored(image, before);
    EXPECT_TRUE(m_shown.empty());
    EXPECT_EQ(LastStationReadOutcome().state, ReadDone);
    EXPECT_TRUE(LastStationReadOutcome().image.isEmpty()) << "the image is kept only once";
    // Whoever shows the station's tables hears of the read once, with the image in place.
    EXPECT_EQ(m_announced, std::vector<TKivStation*>{m_station});
    EXPECT_EQ(m_imageWhenAnnounced, image);
}

TEST_F(RegisterFileRead, RelativeNameIsTakenAgainstTheProjectFolder)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("site/images"));
    const QByteArray image = PatternRegisterImage(kModel);
    ASSERT_TRUE(WriteBytes(m_dir.filePath("site/images/demo.bin"), image));
    const QString project = m_dir.filePath("site/line.zop");
    m_channel->Type = TKivChannel::TypeRegisterFile;

    struct Case {
        QString stored;
        QString project;
        QString resolved;
    } cases[] = {
        {"images/demo.bin", project, m_dir.filePath("site/images/demo.bin")},
        {"./images/../images/demo.bin", project, m_dir.filePath("site/images/demo.bin")},
        {m_dir.filePath("elsewhere.bin"), project, m_dir.filePath("elsewhere.bin")},
        {"images/demo.bin", QString(), QDir::current().absoluteFilePath("images/demo.bin")},
        {QString(), project, QString()},
    };
    for (const Case& c : cases) {
        m_channel->RegisterFileName = c.stored;
        EXPECT_EQ(ResolveRegisterFileName(*m_channel, c.project), c.resolved)
            << c.stored.toStdString();
    }

    m_channel->RegisterFileName = "images/demo.bin";
    EXPECT_FALSE(ReadStation(*m_station, true)) << "not found beside the working folder";
    ExpectStationUntouched();
    const double before = NowAsKivTime();
    EXPECT_TRUE(ReadStation(*m_station, true, project));
    ExpectStored(image, before);
}

// Records what ReadStation asks of the runner and answers with a prepared outcome.
class FakeRunner : public TStationReadRunner
{
public:
    StationReadOutcome RunRead(const StationReadRequest& request, bool silent) override
    {
        requests.push_back(request);
        silents.push_back(silent);
        return answer;
    }
    int State() const override { return answer.state; }

    StationReadOutcome answer;
    std::vector<StationReadRequest> requests;
    std::vector<bool> silents;
};

TEST_F(ReadStationTest, SerialAndTcpReadsGoThroughTheInstalledRunnerWithTheChannelSettings)
{
    FakeRunner runner;
    TStationReadRunner* previous = SetStationReadRunner(&runner);
    m_channel->Type = TKivChannel::TypeUart;
    m_channel->UartPort = "ttyUSB3";
    m_channel->Baudrate = 19200;
    m_channel->DataBits = 2;
    m_channel->StopBit = 1;
    m_channel->Parity = 3;
    m_station->StationNum = 0x1207;

    runner.answer.state = ReadFailed;
    runner.answer.problem = ReadProblem::NoAnswer;
    runner.answer.message = "Read failed.";
    runner.answer.durationMs = 6000;
    EXPECT_FALSE(ReadStation(*m_station, true));
    ExpectStationUntouched();
    EXPECT_EQ(LastStationReadOutcome().durationMs, 6000);
    EXPECT_EQ(LastStationReadOutcome().message, "Read failed.");
    ASSERT_EQ(runner.requests.size(), 1u);
    const StationReadRequest& serial = runner.requests[0];
    EXPECT_EQ(serial.channelType, 0);
    EXPECT_EQ(serial.line.UartPort, "ttyUSB3");
    EXPECT_EQ(serial.line.Baudrate, 19200);
    EXPECT_EQ(serial.line.DataBits, 2);
    EXPECT_EQ(serial.line.StopBit, 1);
    EXPECT_EQ(serial.line.Parity, 3);
    EXPECT_EQ(serial.stationNum, 0x1207);
    EXPECT_EQ(serial.modelId, kModel);
    EXPECT_TRUE(runner.silents[0]);

    // Success with an image of the wrong size is never stored.
    runner.answer = StationReadOutcome();
    runner.answer.state = ReadDone;
    runner.answer.image = QByteArray(100, '\x01');
    EXPECT_FALSE(ReadStation(*m_station, false));
    ExpectStationUntouched();

    m_channel->Type = TKivChannel::TypeInternet;
    m_channel->Ip = "[::1]:1502";
    runner.answer.image = PatternRegisterImage(kModel);
    const double before = NowAsKivTime();
    EXPECT_TRUE(ReadStation(*m_station, false));
    ExpectStored(runner.answer.image, before);
    EXPECT_EQ(runner.requests.back().channelType, 1);
    EXPECT_EQ(runner.requests.back().address, "[::1]:1502");
    EXPECT_FALSE(runner.silents.back());

    // A channel type nothing can read fails without asking the runner.
    m_channel->Type = 7;
    EXPECT_FALSE(ReadStation(*m_station, false));
    EXPECT_EQ(LastStationReadOutcome().problem, ReadProblem::NoSuchChannelType);
    EXPECT_EQ(runner.requests.size(), 3u);
    EXPECT_EQ(SetStationReadRunner(previous), &runner);
}

TEST_F(ReadStationTest, TcpReadAgainstTheSimulatorStoresImageAndUpdateTime)
{
    const QByteArray image = PatternRegisterImage(kModel);
    const QString imagePath = m_dir.filePath("device.bin");
    ASSERT_TRUE(WriteBytes(imagePath, image));
    PeerSet peers;
    m_channel->Type = TKivChannel::TypeInternet;
    m_channel->Ip = peers.ServeTcp(imagePath);
    ASSERT_FALSE(m_channel->Ip.isEmpty());

    // Wrong model first: the image and update time stay.
    m_station->ModelID = kModel + 1;
    EXPECT_FALSE(ReadStation(*m_station, true));
    ExpectStationUntouched();
    EXPECT_EQ(LastStationReadOutcome().state, ReadWrongModel);
    EXPECT_EQ(CurrentStationReadRunner().State(), ReadWrongModel);

    m_station->ModelID = kModel;
    const double before = NowAsKivTime();
    EXPECT_TRUE(ReadStation(*m_station, true));
    ExpectStored(image, before);
    EXPECT_EQ(LastStationReadOutcome().state, ReadDone);
    EXPECT_GT(LastStationReadOutcome().durationMs, 0);
    EXPECT_EQ(CurrentStationReadRunner().State(), ReadDone);
}

TEST_F(ReadStationTest, FailedTcpReadKeepsImageAndUpdateTime)
{
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 unused = probe.serverPort();
    probe.close();
    m_channel->Type = TKivChannel::TypeInternet;
    m_channel->Ip = QStringLiteral("127.0.0.1:%1").arg(unused);
    EXPECT_FALSE(ReadStation(*m_station, false));
    ExpectStationUntouched();
    EXPECT_EQ(LastStationReadOutcome().state, ReadFailed);
    EXPECT_EQ(LastStationReadOutcome().problem, ReadProblem::ConnectFailed);
    EXPECT_TRUE(m_shown.empty()) << "device reads report in their outcome, not message boxes";
}

} // namespace
