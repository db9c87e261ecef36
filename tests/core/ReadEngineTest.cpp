#include "comm/KivCrc.h"
#include "comm/ReadEngine.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace
{

constexpr qint64 kMs = 1000;

// A transport whose bytes the test hands in; every write is recorded and shown to a fake
// device that may queue an answer.
class FakeTransport : public TReadTransport
{
public:
    explicit FakeTransport(Framing framing) : framing(framing) {}
    Framing Kind() const override { return framing; }
    bool Open() override
    {
        ++opens;
        return true;
    }
    void Close() override { closed = true; }
    bool IsReady() const override { return ready; }
    int Write(const char* bytes, int count) override
    {
        writes.push_back(QByteArray(bytes, count));
        if (device)
            device(writes.back());
        return count;
    }
    int Take(char* buffer, int maximum) override
    {
        if (pieces.empty())
            return 0;
        QByteArray& piece = pieces.front();
        const int n = qMin(maximum, int(piece.size()));
        std::memcpy(buffer, piece.constData(), size_t(n));
        piece.remove(0, n);
        if (piece.isEmpty())
            pieces.pop_front();
        return n;
    }
    ReadProblem Problem() const override { return problem; }
    QString ErrorText() const override { return QString(); }

    Framing framing;
    bool ready = true;
    bool closed = false;
    int opens = 0;
    ReadProblem problem = ReadProblem::None;
    std::vector<QByteArray> writes;
    std::deque<QByteArray> pieces; // what one Take may return at most
    std::function<void(const QByteArray&)> device;
};

QByteArray WithCrc(QByteArray frame)
{
    const quint16 crc = ModbusCrc16(frame.constData(), int(frame.size()));
    return frame.append(char(crc & 0xFF)).append(char(crc >> 8));
}

// A device over a register image: answers function-3 requests in RTU or TCP form.
struct FakeDevice {
    std::vector<quint16> registers = std::vector<quint16>(65536);
    bool tcp = false;

    FakeDevice()
    {
        for (int n = 0; n < 65536; ++n)
            registers[size_t(n)] = quint16(n * 7 + 3);
        registers[0xFF80] = 1234;
    }
    static int Start(const QByteArray& pdu) { return quint8(pdu[2]) << 8 | quint8(pdu[3]); }
    static int Count(const QByteArray& pdu) { return quint8(pdu[4]) << 8 | quint8(pdu[5]); }
    // The request from the unit identifier on, without CRC or header.
    QByteArray Pdu(const QByteArray& request) const
    {
        return tcp ? request.mid(6) : request.left(6);
    }
    QByteArray Frame(const QByteArray& unitAndPdu) const
    {
        if (!tcp)
            return WithCrc(unitAndPdu);
        QByteArray header(6, '\0');
        header[5] = char(unitAndPdu.size());
        return header + unitAndPdu;
    }
    QByteArray Answer(const QByteArray& request) const
    {
        const QByteArray pdu = Pdu(request);
        QByteArray reply;
        reply.append(pdu[0]).append(char(3)).append(char(2 * Count(pdu)));
        for (int i = 0; i < Count(pdu); ++i) {
            const quint16 value = registers[size_t(Start(pdu) + i)];
            reply.append(char(value >> 8)).append(char(value & 0xFF));
        }
        return Frame(reply);
    }
    QByteArray Exception(const QByteArray& request, int code) const
    {
        return Frame(QByteArray().append(Pdu(request)[0]).append(char(0x83)).append(char(code)));
    }
    QByteArray Image() const
    {
        QByteArray image;
        for (quint16 value : registers)
            image.append(char(value & 0xFF)).append(char(value >> 8));
        return image;
    }
};

StationReadRequest Request(int channelType, quint32 modelId = 1234)
{
    StationReadRequest request;
    request.channelType = channelType;
    request.line.UartPort = "ttyFAKE";
    request.line.Baudrate = 115200;
    request.address = "127.0.0.1";
    request.stationNum = 1;
    request.modelId = modelId;
    return request;
}

// Runs an engine against a fake transport with a clock the test moves.
struct Harness {
    explicit Harness(TReadTransport::Framing framing) : transport(framing)
    {
        device.tcp = framing == TReadTransport::Framing::Tcp;
        QObject::connect(&engine, &TStationReadEngine::Finished,
                         [this](const StationReadOutcome& o) {
                             outcome = o;
                             finished = true;
                         });
        QObject::connect(&engine, &TStationReadEngine::Progress,
                         [this](int, int percent, const QString&) { lastPercent = percent; });
    }
    bool Start(const StationReadRequest& request) { return engine.Start(request, transport, now); }
    // Polls every stepUs until the read ends or limitUs have passed.
    void Run(qint64 stepUs = 1 * kMs, qint64 limitUs = 600'000 * kMs)
    {
        const qint64 end = now + limitUs;
        engine.Poll(now);
        while (engine.IsRunning() && now < end) {
            now += stepUs;
            engine.Poll(now);
        }
    }
    void AnswerAll()
    {
        transport.device = [this](const QByteArray& request) {
            transport.pieces.push_back(device.Answer(request));
        };
    }
    int RequestStart(size_t i) const { return FakeDevice::Start(device.Pdu(transport.writes[i])); }

    FakeTransport transport;
    TStationReadEngine engine;
    FakeDevice device;
    StationReadOutcome outcome;
    bool finished = false;
    int lastPercent = -1;
    qint64 now = 1'000'000;
};

class ReadEngineBothFramings : public ::testing::TestWithParam<TReadTransport::Framing>
{
};

INSTANTIATE_TEST_SUITE_P(Framing, ReadEngineBothFramings,
                         ::testing::Values(TReadTransport::Framing::Rtu,
                                           TReadTransport::Framing::Tcp));

int ChannelType(TReadTransport::Framing framing)
{
    return framing == TReadTransport::Framing::Rtu ? 0 : 1;
}

} // namespace

TEST_P(ReadEngineBothFramings, FullReadSendsIdentifyThen1024BlocksAndDeliversImage)
{
    Harness h(GetParam());
    h.AnswerAll();
    ASSERT_TRUE(h.Start(Request(ChannelType(GetParam()))));
    h.Run();
    ASSERT_TRUE(h.finished);
    EXPECT_EQ(h.outcome.state, ReadDone);
    EXPECT_EQ(h.engine.State(), ReadDone);
    ASSERT_EQ(h.transport.writes.size(), 1025u);
    const QByteArray identify = QByteArray::fromHex("0103ff800002f5f7");
    if (GetParam() == TReadTransport::Framing::Rtu)
        EXPECT_EQ(h.transport.writes[0], identify);
    else
        EXPECT_EQ(h.transport.writes[0], QByteArray::fromHex("0000000000060103ff800002"));
    for (size_t i = 1; i < 1025; ++i) {
        ASSERT_EQ(h.RequestStart(i), int(64 * (i - 1)));
        ASSERT_EQ(FakeDevice::Count(h.device.Pdu(h.transport.writes[i])), 64);
    }
    EXPECT_EQ(h.outcome.image, h.device.Image());
    EXPECT_EQ(h.lastPercent, 100);
    EXPECT_EQ(h.outcome.resends, 0);
    EXPECT_TRUE(h.transport.closed);
}

TEST_P(ReadEngineBothFramings, WrongModelEndsAfterFirstReply)
{
    for (quint32 model : {1235u, 1234u + 65536u}) {
        Harness h(GetParam());
        h.AnswerAll();
        ASSERT_TRUE(h.Start(Request(ChannelType(GetParam()), model)));
        h.Run();
        EXPECT_EQ(h.outcome.state, ReadWrongModel);
        EXPECT_EQ(h.transport.writes.size(), 1u);
        EXPECT_TRUE(h.outcome.image.isEmpty());
    }
}

TEST(ReadEngine, RtuWithoutDeviceWritesIdentifyEightTimesThenFails)
{
    Harness h(TReadTransport::Framing::Rtu);
    ASSERT_TRUE(h.Start(Request(0)));
    h.Run(10 * kMs);
    EXPECT_EQ(h.outcome.state, ReadFailed);
    EXPECT_EQ(h.outcome.problem, ReadProblem::NoAnswer);
    ASSERT_EQ(h.transport.writes.size(), 8u);
    for (const QByteArray& w : h.transport.writes)
        EXPECT_EQ(w, QByteArray::fromHex("0103ff800002f5f7"));
    // 7 response timeouts of 501 ms at 115,200 baud end it before the 6 s no-byte limit.
    EXPECT_LT(h.outcome.durationMs, 6000);
}

TEST(ReadEngine, TcpWithoutAnswerSendsOnceAndFailsAfterSixSeconds)
{
    Harness h(TReadTransport::Framing::Tcp);
    ASSERT_TRUE(h.Start(Request(1)));
    h.Run(10 * kMs);
    EXPECT_EQ(h.outcome.state, ReadFailed);
    EXPECT_EQ(h.transport.writes.size(), 1u);
    EXPECT_NEAR(double(h.outcome.durationMs), 6000.0, 11.0);
}

TEST(ReadEngine, TcpWaitsForTheConnectionBeforeSending)
{
    Harness h(TReadTransport::Framing::Tcp);
    h.AnswerAll();
    h.transport.ready = false;
    ASSERT_TRUE(h.Start(Request(1)));
    h.Run(10 * kMs, 100 * kMs);
    EXPECT_TRUE(h.transport.writes.empty());
    h.transport.ready = true;
    h.Run();
    EXPECT_EQ(h.outcome.state, ReadDone);
}

TEST(ReadEngine, ResendsAreCountedOverTheWholeRead)
{
    for (int dropped : {6, 7}) {
        Harness h(TReadTransport::Framing::Rtu);
        int requestNo = 0;
        h.transport.device = [&](const QByteArray& request) {
            ++requestNo;
            // Requests 3, 103, 203 ... go unanswered, each once, spread over the read.
            if (requestNo % 100 == 3 && requestNo / 100 < dropped)
                return;
            h.transport.pieces.push_back(h.device.Answer(request));
        };
        ASSERT_TRUE(h.Start(Request(0)));
        h.Run();
        if (dropped == 6) {
            EXPECT_EQ(h.outcome.state, ReadDone);
            EXPECT_EQ(h.outcome.resends, 6);
            EXPECT_EQ(h.outcome.image, h.device.Image());
        } else {
            EXPECT_EQ(h.outcome.state, ReadFailed);
            EXPECT_EQ(h.outcome.problem, ReadProblem::NoAnswer);
            EXPECT_TRUE(h.outcome.image.isEmpty());
        }
    }
}

TEST(ReadEngine, RtuReplyInPiecesIsAssembledAndAPauseSplitsIt)
{
    for (qint64 pauseMs : {10, 30}) {
        Harness h(TReadTransport::Framing::Rtu);
        bool first = true;
        std::vector<QByteArray> late;
        h.transport.device = [&](const QByteArray& request) {
            const QByteArray reply = h.device.Answer(request);
            if (!first) {
                h.transport.pieces.push_back(reply);
                return;
            }
            first = false; // identify reply: first 3 bytes now, the rest after the pause
            h.transport.pieces.push_back(reply.left(3));
            late.push_back(reply.mid(3));
        };
        ASSERT_TRUE(h.Start(Request(0)));
        h.engine.Poll(h.now);        // identify out
        h.engine.Poll(h.now += kMs); // first piece in
        h.now += pauseMs * kMs;
        h.engine.Poll(h.now); // silence so far
        for (const QByteArray& rest : late)
            h.transport.pieces.push_back(rest);
        h.Run();
        EXPECT_EQ(h.outcome.state, ReadDone) << pauseMs;
        // A pause of 25 ms or more ends the reply early: its CRC fails, the request goes again.
        EXPECT_EQ(h.outcome.resends, pauseMs >= 25 ? 1 : 0) << pauseMs;
    }
}

TEST(ReadEngine, MoreThan2048BytesWithoutPauseEmptyTheReceiveArea)
{
    Harness h(TReadTransport::Framing::Rtu);
    bool flood = true;
    h.transport.device = [&](const QByteArray& request) {
        if (flood) {
            flood = false;
            h.transport.pieces.push_back(QByteArray(2048, '\x11'));
            h.transport.pieces.push_back(QByteArray(100, '\x22'));
            return;
        }
        h.transport.pieces.push_back(h.device.Answer(request));
    };
    ASSERT_TRUE(h.Start(Request(0)));
    h.engine.Poll(h.now);
    h.engine.Poll(h.now += kMs);
    EXPECT_EQ(h.engine.Transaction().ReceiveLength, 2048);
    h.engine.Poll(h.now += kMs);
    EXPECT_EQ(h.engine.Transaction().ReceiveLength, 0);
    h.Run();
    EXPECT_EQ(h.outcome.state, ReadDone);
    EXPECT_EQ(h.outcome.resends, 1);
}

TEST(ReadEngine, CancelledReadKeepsItsStateAndDeliversNoImage)
{
    Harness h(TReadTransport::Framing::Rtu);
    h.AnswerAll();
    ASSERT_TRUE(h.Start(Request(0)));
    for (int i = 0; i < 50; ++i)
        h.engine.Poll(h.now += kMs);
    ASSERT_EQ(h.engine.State(), ReadBlocks);
    h.engine.Cancel(h.now);
    EXPECT_FALSE(h.engine.IsRunning());
    EXPECT_EQ(h.outcome.state, ReadBlocks);
    EXPECT_EQ(h.outcome.problem, ReadProblem::Cancelled);
    EXPECT_TRUE(h.outcome.image.isEmpty());
    EXPECT_TRUE(h.transport.closed);

    // The next read starts over with the identify request.
    h.transport.writes.clear();
    h.finished = false;
    ASSERT_TRUE(h.Start(Request(0)));
    h.Run();
    EXPECT_EQ(h.outcome.state, ReadDone);
    EXPECT_EQ(h.transport.writes.front(), QByteArray::fromHex("0103ff800002f5f7"));
}

// Exception replies and replies that do not fit are never stored; they are retried where
// retries remain.
TEST_P(ReadEngineBothFramings, BadRepliesAreNeverStored)
{
    enum Kind { ExceptionOnce, ExceptionAlways, WrongByteCount, WrongFunction, IdentifyException };
    for (Kind kind :
         {ExceptionOnce, ExceptionAlways, WrongByteCount, WrongFunction, IdentifyException}) {
        Harness h(GetParam());
        int exceptions = 0;
        h.transport.device = [&](const QByteArray& request) {
            const int start = FakeDevice::Start(h.device.Pdu(request));
            QByteArray reply = h.device.Answer(request);
            const bool target = kind == IdentifyException ? start == 0xFF80 : start == 640;
            if (target && (kind != ExceptionOnce || exceptions == 0)) {
                ++exceptions;
                if (kind == WrongByteCount || kind == WrongFunction) {
                    QByteArray body = GetParam() == TReadTransport::Framing::Tcp
                                          ? reply.mid(6)
                                          : reply.left(reply.size() - 2);
                    if (kind == WrongByteCount) {
                        body[2] = char(126);
                        body.chop(2);
                    } else {
                        body[1] = char(4);
                    }
                    reply = h.device.Frame(body);
                } else {
                    reply = h.device.Exception(request, 2);
                }
            }
            h.transport.pieces.push_back(reply);
        };
        ASSERT_TRUE(h.Start(Request(ChannelType(GetParam()))));
        h.Run();
        const bool rtu = GetParam() == TReadTransport::Framing::Rtu;
        if (kind == ExceptionOnce && rtu) {
            EXPECT_EQ(h.outcome.state, ReadDone) << kind;
            EXPECT_EQ(h.outcome.resends, 1) << kind;
            EXPECT_EQ(h.outcome.image, h.device.Image()) << kind;
            continue;
        }
        EXPECT_EQ(h.outcome.state, ReadFailed) << kind;
        EXPECT_TRUE(h.outcome.image.isEmpty()) << kind;
        EXPECT_EQ(h.outcome.failedRegister, kind == IdentifyException ? 0xFF80 : 640) << kind;
        const bool exception =
            kind == ExceptionOnce || kind == ExceptionAlways || kind == IdentifyException;
        EXPECT_EQ(h.outcome.problem,
                  exception ? ReadProblem::DeviceException : ReadProblem::ReplyMismatch)
            << kind;
        EXPECT_EQ(h.outcome.exceptionCode, exception ? 2 : 0) << kind;
        // RTU retries six times, TCP gives up at once.
        EXPECT_EQ(exceptions, rtu ? 7 : 1) << kind;
    }
}

TEST(ReadEngine, TcpReplySplitAcrossReceivesIsReadCorrectly)
{
    Harness h(TReadTransport::Framing::Tcp);
    h.transport.device = [&](const QByteArray& request) {
        const QByteArray reply = h.device.Answer(request);
        h.transport.pieces.push_back(reply.left(4));
        h.transport.pieces.push_back(reply.mid(4, 50));
        h.transport.pieces.push_back(reply.mid(54));
    };
    ASSERT_TRUE(h.Start(Request(1)));
    h.Run();
    EXPECT_EQ(h.outcome.state, ReadDone);
    EXPECT_EQ(h.outcome.image, h.device.Image());
}

TEST(ReadEngine, HalfATcpReplyDoesNotAskForAnImmediatePoll)
{
    // The rest of the reply comes when the device sends it; polling at once meanwhile would
    // spin the caller for as long as the device pauses.
    Harness h(TReadTransport::Framing::Tcp);
    QByteArray rest;
    h.transport.device = [&](const QByteArray& request) {
        const QByteArray reply = h.device.Answer(request);
        h.transport.pieces.push_back(reply.left(8));
        rest = reply.mid(8);
    };
    ASSERT_TRUE(h.Start(Request(1)));
    h.engine.Poll(h.now);        // identify out, half its reply in
    h.engine.Poll(h.now += kMs); // that half taken
    EXPECT_GT(h.engine.NextWakeUs(), h.now + 10 * kMs);
    h.transport.pieces.push_back(rest);
    h.engine.Poll(h.now += kMs);
    EXPECT_EQ(h.engine.State(), ReadBlocks);
}

TEST(ReadEngine, TcpHeaderWithForeignProtocolFailsTheRead)
{
    Harness h(TReadTransport::Framing::Tcp);
    h.transport.device = [&](const QByteArray& request) {
        QByteArray reply = h.device.Answer(request);
        reply[3] = 1;
        h.transport.pieces.push_back(reply);
    };
    ASSERT_TRUE(h.Start(Request(1)));
    h.Run();
    EXPECT_EQ(h.outcome.state, ReadFailed);
    EXPECT_EQ(h.outcome.problem, ReadProblem::BadTcpHeader);
}

TEST(ReadEngine, SecondReadIsRefusedWhileOneRuns)
{
    Harness first(TReadTransport::Framing::Rtu);
    Harness second(TReadTransport::Framing::Rtu);
    first.AnswerAll();
    second.AnswerAll();
    ASSERT_TRUE(first.Start(Request(0)));
    EXPECT_TRUE(TStationReadEngine::AnyReadRunning());
    EXPECT_FALSE(second.Start(Request(0)));
    EXPECT_FALSE(first.engine.Start(Request(0), second.transport, first.now));
    EXPECT_EQ(second.transport.opens, 0);
    EXPECT_EQ(TStationReadEngine::BusyOutcome().problem, ReadProblem::Busy);
    first.Run();
    EXPECT_EQ(first.outcome.state, ReadDone);
    EXPECT_TRUE(second.Start(Request(0)));
    second.Run();
    EXPECT_EQ(second.outcome.state, ReadDone);
}

TEST(ReadEngine, AlongsideReadsRunTogetherButNeverBesideAnOrdinaryRead)
{
    Harness a(TReadTransport::Framing::Tcp), b(TReadTransport::Framing::Tcp);
    Harness ordinary(TReadTransport::Framing::Tcp);
    for (Harness* h : {&a, &b, &ordinary})
        h->AnswerAll();
    a.engine.SetAlongside(true);
    b.engine.SetAlongside(true);

    ASSERT_TRUE(a.Start(Request(1)));
    ASSERT_TRUE(b.Start(Request(1)));
    EXPECT_FALSE(ordinary.Start(Request(1))) << "an ordinary read waits for every read";
    a.Run();
    b.Run();
    EXPECT_EQ(a.outcome.state, ReadDone);
    EXPECT_EQ(b.outcome.state, ReadDone);
    EXPECT_EQ(a.outcome.image, b.outcome.image);

    ASSERT_TRUE(ordinary.Start(Request(1)));
    EXPECT_FALSE(a.Start(Request(1))) << "no alongside read beside an ordinary one";
    ordinary.Run();
    EXPECT_TRUE(a.Start(Request(1)));
    a.Run();
    EXPECT_FALSE(TStationReadEngine::AnyReadRunning());
}

TEST(ReadEngine, BaudRateZeroEndsAtOnce)
{
    Harness h(TReadTransport::Framing::Rtu);
    StationReadRequest request = Request(0);
    request.line.Baudrate = 0;
    ASSERT_TRUE(h.Start(request));
    EXPECT_TRUE(h.finished);
    EXPECT_EQ(h.outcome.state, ReadFailed);
    EXPECT_EQ(h.outcome.problem, ReadProblem::BaudRefused);
    EXPECT_EQ(h.transport.opens, 0);
    EXPECT_FALSE(TStationReadEngine::AnyReadRunning());
}

TEST(ReadEngine, NoByteTimeoutOfAFailedReadDoesNotEndTheNextRead)
{
    Harness h(TReadTransport::Framing::Rtu);
    ASSERT_TRUE(h.Start(Request(0)));
    h.Run(10 * kMs); // fails after 3.5 s without any byte
    ASSERT_EQ(h.outcome.state, ReadFailed);
    // The device comes back and answers slowly: the new read outlives the old 6 s mark.
    h.transport.writes.clear();
    h.transport.device = [&](const QByteArray& request) {
        h.transport.pieces.push_back(h.device.Answer(request));
    };
    ASSERT_TRUE(h.Start(Request(0)));
    h.Run(10 * kMs);
    EXPECT_EQ(h.outcome.state, ReadDone);
    EXPECT_GT(h.outcome.durationMs, 6000);
}

TEST(ReadEngine, LateDuplicateAnswerIsNotTakenForTheNextBlock)
{
    Harness h(TReadTransport::Framing::Rtu);
    h.transport.device = [&](const QByteArray& request) {
        const QByteArray reply = h.device.Answer(request);
        h.transport.pieces.push_back(reply);
        if (FakeDevice::Start(h.device.Pdu(request)) == 128)
            h.transport.pieces.push_back(reply); // a repeated answer arrives right behind
    };
    ASSERT_TRUE(h.Start(Request(0)));
    h.Run();
    EXPECT_EQ(h.outcome.state, ReadDone);
    EXPECT_EQ(h.outcome.image, h.device.Image());
}

TEST(ReadEngine, AnswerToAResendArrivingAfterTheFirstAnswerIsNotTakenForTheNextBlock)
{
    // A device that works through its requests one after the other, 20 ms each, is slow
    // once: its answer to request 6 comes after the resend went out, and the answer to the
    // resend follows 20 ms later, when the next block has been asked for.
    Harness h(TReadTransport::Framing::Rtu);
    std::deque<std::pair<qint64, QByteArray>> due;
    qint64 busyUntil = 0;
    int requestNo = 0;
    h.transport.device = [&](const QByteArray& request) {
        const qint64 work = ++requestNo == 6 ? 600 * kMs : 20 * kMs;
        busyUntil = qMax(busyUntil, h.now) + work;
        due.emplace_back(busyUntil, h.device.Answer(request));
    };
    ASSERT_TRUE(h.Start(Request(0)));
    const qint64 end = h.now + 120'000 * kMs;
    h.engine.Poll(h.now);
    while (h.engine.IsRunning() && h.now < end) {
        h.now += kMs;
        for (; !due.empty() && due.front().first <= h.now; due.pop_front())
            h.transport.pieces.push_back(due.front().second);
        h.engine.Poll(h.now);
    }
    EXPECT_EQ(h.outcome.state, ReadDone);
    EXPECT_EQ(h.outcome.resends, 1);
    EXPECT_EQ(h.outcome.image, h.device.Image());
}

TEST(ReadEngine, RtuWaitsTheInterFrameSilenceBeforeTheNextRequest)
{
    Harness h(TReadTransport::Framing::Rtu);
    h.AnswerAll();
    ASSERT_TRUE(h.Start(Request(0)));
    h.engine.Poll(h.now); // identify goes out
    ASSERT_EQ(h.transport.writes.size(), 1u);
    h.engine.Poll(h.now += 100); // reply taken, whole by its length
    EXPECT_EQ(h.engine.State(), ReadBlocks);
    EXPECT_EQ(h.transport.writes.size(), 1u);
    EXPECT_EQ(h.engine.NextWakeUs(), h.now + 1750);
    h.engine.Poll(h.now += 1749);
    EXPECT_EQ(h.transport.writes.size(), 1u);
    h.engine.Poll(h.now += 1);
    EXPECT_EQ(h.transport.writes.size(), 2u);
}
