#include "comm/KivCrc.h"
#include "comm/KivModbus.h"

#include <QList>

#include <gtest/gtest.h>

#include <cstring>

namespace
{

QByteArray SentBytes(const TModbusTransaction& t)
{
    return QByteArray(reinterpret_cast<const char*>(t.SendArea), t.SendLength);
}

TModbusTransaction Fresh()
{
    TModbusTransaction t;
    std::memset(&t, 0, sizeof t);
    return t;
}

} // namespace

TEST(ModbusCrc16, KnownValues)
{
    EXPECT_EQ(ModbusCrc16("123456789", 9, 0xFFFF), 0x4B37);
    const quint8 identify[] = {0x01, 0x03, 0xFF, 0x80, 0x00, 0x02};
    EXPECT_EQ(ModbusCrc16(identify, 6, 0xFFFF), 0xF7F5);
    EXPECT_EQ(ModbusCrc16(identify, 0, 0xFFFF), 0xFFFF);
    EXPECT_EQ(ModbusCrc16(identify, -3, 0x1234), 0x1234);
}

TEST(BuildReadRequest, RtuAndTcpForms)
{
    struct Case {
        quint8 unit;
        quint16 count;
        quint16 start;
        const char* rtu;
    } cases[] = {
        {1, 2, 0xFF80, "0103ff800002f5f7"},
        {1, 64, 0, "01030000004044 3a"},
        {1, 64, 0xFFC0, nullptr},
    };
    for (const Case& c : cases) {
        TModbusTransaction t = Fresh();
        BuildReadRequest(t, c.unit, c.count, c.start);
        EXPECT_EQ(t.SendLength, 8);
        EXPECT_TRUE(t.SendPending);
        if (c.rtu) {
            EXPECT_EQ(SentBytes(t).toHex(), QByteArray(c.rtu).replace(" ", ""));
        }
        EXPECT_TRUE(RtuReplyCrcOk(t.SendArea, 8));
        const QByteArray tcp = BuildTcpRequest(t, 0x12AB);
        EXPECT_EQ(tcp.size(), 12);
        EXPECT_EQ(tcp.left(6).toHex(), "12ab00000006");
        EXPECT_EQ(tcp.mid(6), SentBytes(t).left(6));
    }
    TModbusTransaction last = Fresh();
    BuildReadRequest(last, quint8(257 & 0xFF), 64, 0xFFC0);
    EXPECT_EQ(SentBytes(last).left(6).toHex(), "0103ffc00040");
}

TEST(ReplyChecks, VerdictOnFunctionByteCountAndLength)
{
    struct Case {
        const char* hex; // RTU layout without CRC
        int count;
        ReplyCheck::Verdict verdict;
        int exceptionCode;
    } cases[] = {
        {"010304abcd1234", 2, ReplyCheck::Valid, 0},
        {"018302", 2, ReplyCheck::Exception, 2},
        {"010404abcd1234", 2, ReplyCheck::Mismatch, 0},   // other function
        {"010306abcd1234", 2, ReplyCheck::Mismatch, 0},   // byte count for 3 registers
        {"010304abcd12", 2, ReplyCheck::Mismatch, 0},     // one byte short
        {"010304abcd123456", 2, ReplyCheck::Mismatch, 0}, // one byte too many
        {"01", 2, ReplyCheck::Mismatch, 0},
    };
    for (const Case& c : cases) {
        const QByteArray pdu = QByteArray::fromHex(c.hex);
        const ReplyCheck tcp = CheckReadReply(reinterpret_cast<const quint8*>(pdu.constData()),
                                              int(pdu.size()), c.count, false);
        EXPECT_EQ(tcp.verdict, c.verdict) << c.hex;
        EXPECT_EQ(tcp.exceptionCode, c.exceptionCode) << c.hex;
        QByteArray rtu = pdu;
        const quint16 crc = ModbusCrc16(rtu.constData(), int(rtu.size()));
        rtu.append(char(crc & 0xFF)).append(char(crc >> 8));
        const auto* bytes = reinterpret_cast<const quint8*>(rtu.constData());
        EXPECT_EQ(CheckReadReply(bytes, int(rtu.size()), c.count, true).verdict, c.verdict)
            << c.hex;
        EXPECT_EQ(RtuReplyCrcOk(bytes, int(rtu.size())), rtu.size() >= 4) << c.hex;
    }
}

TEST(ReplyChecks, ExpectedRtuLength)
{
    const quint8 normal[] = {1, 3, 128};
    const quint8 exception[] = {1, 0x83};
    EXPECT_EQ(ExpectedRtuReplyLength(normal, 1), 0);
    EXPECT_EQ(ExpectedRtuReplyLength(normal, 2), 0);
    EXPECT_EQ(ExpectedRtuReplyLength(normal, 3), 133);
    EXPECT_EQ(ExpectedRtuReplyLength(exception, 2), 5);
}

TEST(MbapFramer, CutsFramesWhateverTheSegments)
{
    const QByteArray first = QByteArray::fromHex("00070000000701030401020304");
    const QByteArray second = QByteArray::fromHex("ff0800000003018302");
    const QByteArray stream = first + second;
    // Every split point of the stream gives the same two frames.
    for (int split = 0; split <= stream.size(); ++split) {
        TMbapFramer framer;
        QList<TMbapFrame> frames;
        TMbapFrame frame;
        framer.Append(stream.constData(), split);
        while (framer.Next(frame) == TMbapFramer::Frame)
            frames << frame;
        framer.Append(stream.constData() + split, int(stream.size()) - split);
        while (framer.Next(frame) == TMbapFramer::Frame)
            frames << frame;
        ASSERT_EQ(frames.size(), 2) << split;
        EXPECT_EQ(frames[0].transactionId, 0x0007);
        EXPECT_EQ(frames[0].unitAndPdu.toHex(), "01030401020304");
        EXPECT_EQ(frames[1].transactionId, 0xFF08);
        EXPECT_EQ(frames[1].unitAndPdu.toHex(), "018302");
    }
}

TEST(MbapFramer, RejectsForeignProtocolAndImpossibleLength)
{
    for (const char* hex : {"000000010006010300000001", "000000000001ff", "0000000000ff01"}) {
        TMbapFramer framer;
        const QByteArray bytes = QByteArray::fromHex(hex);
        framer.Append(bytes.constData(), int(bytes.size()));
        TMbapFrame frame;
        EXPECT_EQ(framer.Next(frame), TMbapFramer::BadHeader) << hex;
        EXPECT_EQ(framer.Buffered(), 0);
    }
}
