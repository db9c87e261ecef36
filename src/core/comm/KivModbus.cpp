#include "KivModbus.h"

#include "KivCrc.h"

void BuildReadRequest(TModbusTransaction& transaction, quint8 unit, quint16 count, quint16 start)
{
    quint8* area = transaction.SendArea;
    area[0] = unit;
    area[1] = kReadHoldingRegisters;
    area[2] = quint8(start >> 8);
    area[3] = quint8(start & 0xFF);
    area[4] = quint8(count >> 8);
    area[5] = quint8(count & 0xFF);
    transaction.SendLength = 6;
    AppendCrc(transaction);
}

void AppendCrc(TModbusTransaction& transaction)
{
    const quint16 crc = ModbusCrc16(transaction.SendArea, transaction.SendLength, 0xFFFF);
    transaction.SendArea[transaction.SendLength++] = quint8(crc & 0xFF);
    transaction.SendArea[transaction.SendLength++] = quint8(crc >> 8);
    transaction.SendPending = true;
}

QByteArray BuildTcpRequest(const TModbusTransaction& transaction, quint16 transactionId)
{
    const int pduLength = transaction.SendLength - 2;
    QByteArray frame(kMbapHeaderSize, '\0');
    frame[0] = char(transactionId >> 8);
    frame[1] = char(transactionId & 0xFF);
    frame[4] = char(pduLength >> 8);
    frame[5] = char(pduLength & 0xFF);
    frame.append(reinterpret_cast<const char*>(transaction.SendArea), pduLength);
    return frame;
}

bool RtuReplyCrcOk(const quint8* area, int length)
{
    if (length < 4)
        return false;
    const quint16 crc = ModbusCrc16(area, length - 2, 0xFFFF);
    return crc == quint16(area[length - 1] << 8 | area[length - 2]);
}

int ExpectedRtuReplyLength(const quint8* area, int length)
{
    if (length < 2)
        return 0;
    if (area[1] & 0x80)
        return 5;
    if (length < 3)
        return 0;
    return 5 + area[2];
}

ReplyCheck CheckReadReply(const quint8* area, int length, int count, bool withCrc)
{
    ReplyCheck check;
    const int payload = withCrc ? length - 2 : length;
    if (payload >= 2)
        check.function = area[1];
    if (payload >= 3)
        check.byteCount = area[2];
    if (check.function == (kReadHoldingRegisters | 0x80) && payload == 3) {
        check.verdict = ReplyCheck::Exception;
        check.exceptionCode = area[2];
        check.byteCount = -1;
        return check;
    }
    const bool fits = check.function == kReadHoldingRegisters && check.byteCount == 2 * count &&
                      payload == 3 + 2 * count;
    check.verdict = fits ? ReplyCheck::Valid : ReplyCheck::Mismatch;
    return check;
}

bool TMbapFramer::FrameWaiting() const
{
    if (m_buffer.size() < kMbapHeaderSize)
        return false;
    const auto* header = reinterpret_cast<const quint8*>(m_buffer.constData());
    const int protocol = header[2] << 8 | header[3];
    const int length = header[4] << 8 | header[5];
    if (protocol != 0 || length < 2 || length > kMaxMbapLength)
        return true;
    return m_buffer.size() >= kMbapHeaderSize + length;
}

TMbapFramer::Result TMbapFramer::Next(TMbapFrame& frame)
{
    if (m_buffer.size() < kMbapHeaderSize)
        return NeedMore;
    const auto* header = reinterpret_cast<const quint8*>(m_buffer.constData());
    const int protocol = header[2] << 8 | header[3];
    const int length = header[4] << 8 | header[5];
    if (protocol != 0 || length < 2 || length > kMaxMbapLength) {
        m_buffer.clear();
        return BadHeader;
    }
    if (m_buffer.size() < kMbapHeaderSize + length)
        return NeedMore;
    frame.transactionId = quint16(header[0] << 8 | header[1]);
    frame.unitAndPdu = m_buffer.mid(kMbapHeaderSize, length);
    m_buffer.remove(0, kMbapHeaderSize + length);
    return Frame;
}
