#include "comm/ReadEngine.h"

#include "FakeModbus.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <utility>

namespace
{

constexpr qint64 kMs = 1000;

using Harness = ReadHarness;

StationReadRequest Request(int channelType, quint32 modelId = 1234)
{
    return FakeDeviceRequest(channelType, modelId);
}

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
        EXPECT_EQ(h.transport.writes[0], QByteArray::fromHex("0001000000060103ff800002"));
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
                    reply =
                        h.device.Frame(body, h.device.tcp ? FakeDevice::TransactionId(request) : 0);
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

// Frames that answer nothing that was asked are dropped: the image stays aligned and the
// read completes.
TEST(ReadEngine, TcpFramesThatAnswerNoOutstandingRequestAreDropped)
{
    enum Fault { Duplicate, ReplyAhead, OtherUnit };
    for (Fault fault : {Duplicate, ReplyAhead, OtherUnit}) {
        for (int block : {1, 600}) {
            SCOPED_TRACE(testing::Message() << "fault " << fault << " at block " << block);
            Harness h(TReadTransport::Framing::Tcp);
            h.transport.device = [&](const QByteArray& request) {
                const QByteArray pdu = h.device.Pdu(request);
                const quint16 id = FakeDevice::TransactionId(request);
                const int start = FakeDevice::Start(pdu);
                const QByteArray reply = h.device.Answer(request);
                if (start != 64 * block || FakeDevice::Count(pdu) != 64) {
                    h.transport.pieces.push_back(reply);
                } else if (fault == Duplicate) {
                    h.transport.pieces.push_back(reply + reply);
                } else if (fault == ReplyAhead) {
                    // An answer sent ahead of the next request: it carries the identifier
                    // that request will have, but other registers.
                    h.transport.pieces.push_back(reply +
                                                 h.device.Reply(1, start + 128, 64, id + 1));
                } else {
                    h.transport.pieces.push_back(h.device.Reply(2, start + 64, 64, id) + reply);
                }
            };
            ASSERT_TRUE(h.Start(Request(1)));
            h.Run();
            EXPECT_EQ(h.outcome.state, ReadDone);
            EXPECT_EQ(h.outcome.image, h.device.Image());
        }
    }
}

TEST(ReadEngine, TcpReplyWithTheIdentifierOfAnEarlierRequestIsNeverStored)
{
    Harness h(TReadTransport::Framing::Tcp);
    h.transport.device = [&](const QByteArray& request) {
        QByteArray reply = h.device.Answer(request);
        if (FakeDevice::Start(h.device.Pdu(request)) == 640)
            reply[1] = char(reply[1] - 1); // labelled as the answer to the request before
        h.transport.pieces.push_back(reply);
    };
    ASSERT_TRUE(h.Start(Request(1)));
    h.Run(10 * kMs);
    EXPECT_EQ(h.outcome.state, ReadFailed);
    EXPECT_EQ(h.outcome.problem, ReadProblem::NoAnswer);
    EXPECT_TRUE(h.outcome.image.isEmpty());
}

TEST(ReadEngine, TcpDeviceSendingRepliesNobodyAskedForFailsTheReadAtOnce)
{
    Harness h(TReadTransport::Framing::Tcp);
    h.AnswerAll();
    quint16 id = 0;
    int calls = 0;
    // Well-formed replies without pause, numbered as a device guessing the identifiers would.
    h.transport.babble = [&] {
        if (++calls % 2 == 0)
            return QByteArray(); // nothing more waiting right now
        QByteArray burst;
        for (int i = 0; i < 8; ++i, ++id)
            burst += h.device.Reply(1, 64 * (id % 1024), 64, id);
        return burst;
    };
    ASSERT_TRUE(h.Start(Request(1)));
    h.Run(1 * kMs, 60'000 * kMs);
    EXPECT_EQ(h.outcome.state, ReadFailed);
    EXPECT_EQ(h.outcome.problem, ReadProblem::UnaskedReplies);
    EXPECT_TRUE(h.outcome.image.isEmpty());
    EXPECT_LT(h.outcome.durationMs, 100);
}

TEST(ReadEngine, RtuDeviceThatNeverStopsSendingEndsTheRead)
{
    Harness sample(TReadTransport::Framing::Rtu);
    const QByteArray validFrame = sample.device.Reply(1, 0xFF80, 2);
    for (const QByteArray& stream : {QByteArray(40, '\x5a'), validFrame.repeated(4)}) {
        Harness h(TReadTransport::Framing::Rtu);
        h.AnswerAll();
        h.transport.babble = [&] { return stream; };
        ASSERT_TRUE(h.Start(Request(0)));
        h.Run(1 * kMs, 60'000 * kMs);
        EXPECT_EQ(h.outcome.state, ReadFailed);
        EXPECT_EQ(h.outcome.problem, ReadProblem::LineBusy);
        EXPECT_TRUE(h.outcome.image.isEmpty());
        // The request waited one response time (501 ms at 115,200 baud) for silence.
        EXPECT_LT(h.outcome.durationMs, 1000);
    }
}

TEST(ReadEngine, ReadThatOutlastsAllItsResponseTimesEnds)
{
    // Each answer comes 450 ms after its request and the device then talks on for 450 ms:
    // every request is answered within its 501 ms, yet the read would take 15 minutes.
    Harness h(TReadTransport::Framing::Rtu);
    std::deque<std::pair<qint64, QByteArray>> due;
    qint64 talkUntil = 0;
    h.transport.device = [&](const QByteArray& request) {
        due.emplace_back(h.now + 450 * kMs, h.device.Answer(request));
    };
    h.transport.babble = [&] { return h.now < talkUntil ? QByteArray(1, '\0') : QByteArray(); };
    ASSERT_TRUE(h.Start(Request(0)));
    h.engine.Poll(h.now);
    while (h.engine.IsRunning() && h.now < 1'000'000 * kMs) {
        h.now += 5 * kMs;
        for (; !due.empty() && due.front().first <= h.now; due.pop_front()) {
            h.transport.pieces.push_back(due.front().second);
            talkUntil = h.now + 450 * kMs;
        }
        h.engine.Poll(h.now);
    }
    EXPECT_EQ(h.outcome.state, ReadFailed);
    EXPECT_EQ(h.outcome.problem, ReadProblem::Overtime);
    EXPECT_TRUE(h.outcome.image.isEmpty());
    // 6 s without a byte, then 1,025 requests and 7 sends more at 501 ms each.
    EXPECT_NEAR(double(h.outcome.durationMs), 6000 + 1032 * 501, 10);
}

namespace
{

std::vector<TBlockRequest> BlocksWritten(const Harness& h)
{
    std::vector<TBlockRequest> blocks;
    for (size_t i = 1; i < h.transport.writes.size(); ++i) {
        const QByteArray pdu = h.device.Pdu(h.transport.writes[i]);
        blocks.push_back({quint16(FakeDevice::Start(pdu)), quint16(FakeDevice::Count(pdu))});
    }
    return blocks;
}

// A device that answers requests only when the test lets it: each Release answers the
// oldest request not yet answered.
struct HeldAnswers {
    explicit HeldAnswers(Harness& h) : h(h)
    {
        h.transport.device = [this](const QByteArray& request) { waiting.push_back(request); };
    }
    void Release(size_t n = 1)
    {
        for (; n > 0 && !waiting.empty(); --n) {
            h.transport.pieces.push_back(h.device.Answer(waiting.front()));
            waiting.pop_front();
        }
    }
    Harness& h;
    std::deque<QByteArray> waiting;
};

} // namespace

TEST(ReadEngine, RequestSequenceFollowsTheOptions)
{
    TRegisterSet defined;
    defined.AddRange(70, 71);           // block 1
    defined.AddRange(64 * 10, 64 * 13); // blocks 10 to 12
    struct Case {
        TReadTransport::Framing framing;
        bool definedOnly;
        int blockRegisters;
        int inFlight;
    } cases[] = {
        {TReadTransport::Framing::Rtu, false, 125, 1},
        {TReadTransport::Framing::Rtu, true, 64, 1},
        {TReadTransport::Framing::Rtu, true, 125, 8}, // a serial line keeps one in flight
        {TReadTransport::Framing::Tcp, false, 100, 16},
        {TReadTransport::Framing::Tcp, true, 125, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "defined " << c.definedOnly << " block "
                                        << c.blockRegisters << " in flight " << c.inFlight);
        Harness h(c.framing);
        HeldAnswers device(h);
        StationReadRequest request = Request(ChannelType(c.framing));
        request.options.BlockRegisters = c.blockRegisters;
        request.options.InFlight = c.inFlight;
        const QByteArray base(kRegisterImageSize, '\x77');
        if (c.definedOnly) {
            request.registers = defined;
            request.baseImage = base;
        }
        ASSERT_TRUE(h.Start(request));
        h.engine.Poll(h.now);
        size_t mostWaiting = 0;
        while (h.engine.IsRunning()) {
            mostWaiting = std::max(mostWaiting, device.waiting.size());
            device.Release();
            h.engine.Poll(h.now += kMs);
        }
        ASSERT_EQ(h.outcome.state, ReadDone);
        const std::vector<TBlockRequest> expected =
            PlanBlockRequests(c.definedOnly ? defined : TRegisterSet::All(), c.blockRegisters);
        EXPECT_TRUE(BlocksWritten(h) == expected) << BlocksWritten(h).size();
        const bool tcp = c.framing == TReadTransport::Framing::Tcp;
        EXPECT_EQ(mostWaiting, size_t(tcp ? c.inFlight : 1));
        // Registers not read keep what the station held.
        const QByteArray full = h.device.Image();
        QByteArray image = c.definedOnly ? base : full;
        const TRegisterSet read = RegistersOf(expected);
        for (int r = 0; r < kRegisterCount; ++r) {
            if (read.Contains(r))
                image.replace(2 * r, 2, full.constData() + 2 * r, 2);
        }
        EXPECT_EQ(h.outcome.image, image);
    }
}

TEST(ReadEngine, RegistersTheFirstPassShowsAreNeededAreReadAfterIt)
{
    Harness h(TReadTransport::Framing::Tcp);
    h.AnswerAll();
    StationReadRequest request = Request(1);
    request.registers = TRegisterSet();
    request.registers->AddRange(5000, 5001);
    int asked = 0;
    request.moreRegisters = [&](const QByteArray& image) {
        ++asked;
        // The first pass has read block 78 (5000 is register 8 of it).
        EXPECT_EQ(quint8(image[2 * 5000]), quint8(h.device.registers[5000] & 0xFF));
        TRegisterSet more;
        more.AddRange(4990, 5010); // blocks 77 and 78: only 77 is new
        more.AddRange(0xFF80, 0xFF81);
        return more;
    };
    ASSERT_TRUE(h.Start(request));
    h.Run();
    ASSERT_EQ(h.outcome.state, ReadDone);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(BlocksWritten(h) ==
                (std::vector<TBlockRequest>{{64 * 78, 64}, {64 * 77, 64}, {64 * 1022, 64}}));
}

namespace
{

// Registers whose plan at 125 registers a request holds requests of 64, 125, 3 and 67
// registers, so that replies of different lengths are in flight together.
TRegisterSet MixedBlocks()
{
    TRegisterSet set;
    for (int b = 0; b < 1024; b += 8) {
        set.AddRange(64 * b, 64 * (b + 1));       // 64
        set.AddRange(64 * (b + 2), 64 * (b + 4)); // 125 + 3
        set.AddRange(64 * (b + 5), 64 * (b + 8)); // 125 + 67
    }
    return set;
}

} // namespace

// A device or gateway may answer the requests in flight in any order; each reply is paired
// with its request by its transaction identifier. A stale duplicate of a reply taken is
// dropped.
TEST(ReadEngine, TcpRepliesToRequestsInFlightAreTakenInAnyOrder)
{
    for (bool duplicates : {false, true}) {
        SCOPED_TRACE(duplicates ? "with stale duplicates" : "shuffled");
        Harness h(TReadTransport::Framing::Tcp);
        std::vector<QByteArray> waiting;
        std::mt19937 random(7);
        h.transport.device = [&](const QByteArray& request) { waiting.push_back(request); };
        StationReadRequest request = Request(1);
        request.registers = MixedBlocks();
        request.options.BlockRegisters = 125;
        request.options.InFlight = 8;
        ASSERT_TRUE(h.Start(request));
        h.engine.Poll(h.now);
        int sentTwice = 0;
        while (h.engine.IsRunning()) {
            // One reply to a request in flight, picked at random, each step.
            if (!waiting.empty()) {
                const size_t pick = random() % waiting.size();
                const QByteArray reply = h.device.Answer(waiting[pick]);
                h.transport.pieces.push_back(reply);
                if (duplicates && random() % 32 == 0 && sentTwice < 10) {
                    ++sentTwice;
                    h.transport.pieces.push_back(reply);
                }
                waiting.erase(waiting.begin() + std::ptrdiff_t(pick));
            }
            h.engine.Poll(h.now += kMs);
        }
        ASSERT_EQ(h.outcome.state, ReadDone) << h.outcome.message.toStdString();
        EXPECT_EQ(sentTwice > 0, duplicates);
        const TRegisterSet read = RegistersOf(BlocksWritten(h));
        const QByteArray full = h.device.Image();
        QByteArray expected(kRegisterImageSize, '\0');
        for (int r = 0; r < kRegisterCount; ++r) {
            if (read.Contains(r))
                expected.replace(2 * r, 2, full.constData() + 2 * r, 2);
        }
        EXPECT_EQ(h.outcome.image, expected);
    }
}

// A reply is checked against the request whose identifier it carries, wherever that request
// stands among those in flight.
TEST(ReadEngine, TcpReplyInFlightMustFitTheRequestItsIdentifierNames)
{
    Harness h(TReadTransport::Framing::Tcp);
    std::vector<QByteArray> requests;
    h.transport.device = [&](const QByteArray& request) {
        requests.push_back(request);
        if (requests.size() < 3)
            h.transport.pieces.push_back(h.device.Answer(request));
    };
    StationReadRequest request = Request(1);
    request.registers = MixedBlocks();
    request.options.BlockRegisters = 125;
    request.options.InFlight = 4;
    ASSERT_TRUE(h.Start(request));
    h.engine.Poll(h.now);
    // In flight now: 125 registers from 128, 3 from 253, 125 from 320, 67 from 445. The
    // registers of the first come under the identifier of the second.
    ASSERT_EQ(requests.size(), 6u);
    ASSERT_EQ(FakeDevice::Start(h.device.Pdu(requests[3])), 253);
    QByteArray reply = h.device.Answer(requests[2]);
    reply[0] = requests[3][0];
    reply[1] = requests[3][1];
    h.transport.pieces.push_back(reply);
    h.Run();
    EXPECT_EQ(h.outcome.state, ReadFailed);
    EXPECT_EQ(h.outcome.problem, ReadProblem::ReplyMismatch);
    EXPECT_EQ(h.outcome.failedRegister, 253);
    EXPECT_TRUE(h.outcome.image.isEmpty());
}

// A request whose reply never comes ends the read one response time after it became the
// oldest in flight, however many later requests are answered meanwhile.
TEST(ReadEngine, TcpRequestLeftUnansweredAmongRepliesInFlightEndsTheRead)
{
    Harness h(TReadTransport::Framing::Tcp);
    std::vector<QByteArray> answers; // sent on the next step
    h.transport.device = [&](const QByteArray& request) {
        if (FakeDevice::Start(h.device.Pdu(request)) != 640)
            answers.push_back(h.device.Answer(request));
    };
    StationReadRequest request = Request(1);
    request.options.InFlight = 4;
    ASSERT_TRUE(h.Start(request));
    h.engine.Poll(h.now);
    while (h.engine.IsRunning()) {
        for (const QByteArray& answer : std::exchange(answers, {}))
            h.transport.pieces.push_back(answer);
        h.engine.Poll(h.now += 10 * kMs);
    }
    // The other 1,014 requests take 3.4 s more.
    EXPECT_GT(h.transport.writes.size(), 1000u);
    EXPECT_EQ(h.outcome.state, ReadFailed);
    EXPECT_EQ(h.outcome.problem, ReadProblem::NoAnswer);
    EXPECT_LT(h.outcome.durationMs, 6100);
    EXPECT_TRUE(h.outcome.image.isEmpty());
}

// A device that labels a reply with the identifier of another request in flight, before or
// after the true reply to that request, fails the read at once and stores nothing.
TEST(ReadEngine, TcpDeviceThatMixesUpRequestsInFlightFailsTheRead)
{
    enum Fault { RepeatedIdentifier, RepeatedIdentifierFirst, ConnectionDropped };
    for (Fault fault : {RepeatedIdentifier, RepeatedIdentifierFirst, ConnectionDropped}) {
        SCOPED_TRACE(fault);
        Harness h(TReadTransport::Framing::Tcp);
        std::vector<QByteArray> requests;
        h.transport.device = [&](const QByteArray& request) {
            requests.push_back(request);
            const size_t n = requests.size();
            if (n < 5) {
                h.transport.pieces.push_back(h.device.Answer(request));
            } else if (n == 6 && fault == ConnectionDropped) {
                h.transport.problem = ReadProblem::ConnectionClosed;
            } else if (n == 6) {
                QByteArray second = h.device.Answer(requests[5]);
                second[0] = requests[4][0];
                second[1] = requests[4][1];
                const QByteArray first = h.device.Answer(requests[4]);
                h.transport.pieces.push_back(fault == RepeatedIdentifier ? first + second
                                                                         : second + first);
            }
        };
        StationReadRequest request = Request(1);
        request.options.InFlight = 4;
        ASSERT_TRUE(h.Start(request));
        h.Run();
        EXPECT_EQ(h.outcome.state, ReadFailed);
        EXPECT_TRUE(h.outcome.image.isEmpty());
        EXPECT_EQ(h.outcome.problem, fault == ConnectionDropped ? ReadProblem::ConnectionClosed
                                                                : ReadProblem::RepeatedTransaction);
        EXPECT_LT(h.outcome.durationMs, 100);
    }
}

TEST_P(ReadEngineBothFramings, DeviceRefusingLargeBlocksNamesTheBlockSize)
{
    Harness h(GetParam());
    int refusals = 0;
    h.transport.device = [&](const QByteArray& request) {
        if (FakeDevice::Count(h.device.Pdu(request)) > 100) {
            ++refusals;
            h.transport.pieces.push_back(h.device.Exception(request, 3));
        } else {
            h.transport.pieces.push_back(h.device.Answer(request));
        }
    };
    StationReadRequest request = Request(ChannelType(GetParam()));
    request.options.BlockRegisters = 125;
    ASSERT_TRUE(h.Start(request));
    h.Run();
    EXPECT_EQ(h.outcome.state, ReadFailed);
    EXPECT_EQ(h.outcome.problem, ReadProblem::BlockRefused);
    EXPECT_EQ(h.outcome.exceptionCode, 3);
    EXPECT_EQ(h.outcome.failedRegister, 0);
    // RTU tries six times more, TCP gives up at once.
    EXPECT_EQ(refusals, GetParam() == TReadTransport::Framing::Rtu ? 7 : 1);
}

TEST(ReadEngine, SlowLineReplyStillArrivingWhenTheResponseTimeRunsOutIsTaken)
{
    // At 2,400 baud a request may go unanswered for 534 ms, but a reply of 64 registers
    // takes 554 ms on the line: the device sends byte after byte, and the last ones come
    // after the response time.
    for (int baud : {2400, 1200}) {
        SCOPED_TRACE(baud);
        Harness h(TReadTransport::Framing::Rtu);
        const qint64 byteUs = 10'000'000 / baud;
        std::deque<std::pair<qint64, char>> due;
        h.transport.device = [&](const QByteArray& request) {
            const QByteArray reply = h.device.Answer(request);
            const qint64 first = h.now + 8 * byteUs + 5 * kMs; // request on the line, turnaround
            for (int i = 0; i < reply.size(); ++i)
                due.emplace_back(first + i * byteUs, reply[i]);
        };
        StationReadRequest request = Request(0);
        request.line.Baudrate = baud;
        request.registers = TRegisterSet();
        request.registers->AddRange(0, 64 * 3);
        ASSERT_TRUE(h.Start(request));
        h.engine.Poll(h.now);
        while (h.engine.IsRunning() && h.now < 600'000 * kMs) {
            h.now += kMs;
            for (; !due.empty() && due.front().first <= h.now; due.pop_front())
                h.transport.pieces.push_back(QByteArray(1, due.front().second));
            h.engine.Poll(h.now);
        }
        EXPECT_EQ(h.outcome.state, ReadDone);
        EXPECT_EQ(h.outcome.resends, 0);
        EXPECT_EQ(h.outcome.image.left(2 * 64 * 3), h.device.Image().left(2 * 64 * 3));
    }
}
