#pragma once

#include <QByteArray>
#include <QtGlobal>

// Modbus function 3 (Read Holding Registers): the request in its RTU and TCP forms, the
// reply checks, and the framing of TCP replies by their MBAP header.

constexpr int kModbusAreaSize = 2048;
constexpr quint8 kReadHoldingRegisters = 3;
constexpr quint16 kIdentifyRegister = 0xFF80;
constexpr int kIdentifyCount = 2;
constexpr int kBlockCount = 64;
constexpr int kRegisterCount = 65536;
constexpr int kRegisterImageSize = 2 * kRegisterCount;
constexpr int kMbapHeaderSize = 6;  // transaction id, protocol id, length
constexpr int kMaxMbapLength = 254; // unit identifier + the largest PDU

// The exchange record of one station read; zeroed as a whole when a read starts. Times are
// microseconds unless the name says otherwise.
struct TModbusTransaction {
    quint8 SendArea[kModbusAreaSize];    // request, RTU form
    quint8 ReceiveArea[kModbusAreaSize]; // reply so far, RTU layout (no MBAP header)
    qint32 SendLength;
    qint32 ReceiveLength;
    bool ReplyComplete;         // a whole reply sits in ReceiveArea
    bool SendPending;           // SendArea goes out at the next dispatch
    bool ResendPending;         // SendArea goes out again (a retry)
    bool RetriesExhausted;      // the read ends as failed after the final send
    quint32 ByteTime;           // transmit time per byte in 1/65,536 ms
    qint64 ResponseCountdownUs; // left before the request counts as unanswered; 0 = not armed
    qint32 BaseTimeout;         // fixed part of the response timeout, ms
    qint64 SilenceUs;           // since the last received byte
    qint64 GapUs;               // silence that completes a reply (RTU fallback)
    qint32 MaxRetries;          // resends allowed per read
    qint32 RetryCount;          // resends done in this read, over all requests
};

// Writes the RTU request (unit, function 3, start, count) into SendArea and appends its CRC.
void BuildReadRequest(TModbusTransaction& transaction, quint8 unit, quint16 count, quint16 start);

// Appends the CRC of the first SendLength bytes of SendArea, low byte first, and marks the
// request as pending.
void AppendCrc(TModbusTransaction& transaction);

// The TCP form of the request in SendArea: MBAP header (transaction identifier, protocol 0,
// length) followed by the request without its CRC. The device echoes the identifier in its
// reply, which ties the reply to this request.
QByteArray BuildTcpRequest(const TModbusTransaction& transaction, quint16 transactionId);

// True when length is at least 4 and the last two bytes are the CRC of the bytes before.
bool RtuReplyCrcOk(const quint8* area, int length);

// The length at which an RTU reply to a function-3 request is whole, judged from the bytes
// that have arrived: 5 for an exception, 5 + byte count for a normal reply; 0 while the
// function code or byte count has not arrived yet.
int ExpectedRtuReplyLength(const quint8* area, int length);

// The verdict on a reply (RTU layout; withCrc when the last two bytes are its CRC) to a
// request for `count` registers.
struct ReplyCheck {
    enum Verdict { Valid, Exception, Mismatch } verdict = Mismatch;
    int function = -1;     // function code received, -1 when absent
    int exceptionCode = 0; // for Exception
    int byteCount = -1;    // byte count received, -1 when absent
};
ReplyCheck CheckReadReply(const quint8* area, int length, int count, bool withCrc);

// Register i of an accepted reply: high byte first at offsets 3 + 2i and 4 + 2i.
inline quint16 ReplyRegister(const TModbusTransaction& t, int i)
{
    return quint16(t.ReceiveArea[3 + 2 * i] << 8 | t.ReceiveArea[4 + 2 * i]);
}

// One Modbus TCP frame: the transaction identifier of its MBAP header and the frame from the
// unit identifier on (RTU layout without CRC).
struct TMbapFrame {
    quint16 transactionId = 0;
    QByteArray unitAndPdu;
};

// Collects the bytes of a Modbus TCP stream and cuts them into frames by the MBAP length
// field, however the stream was segmented. Callers take the frames out as bytes arrive, so
// the buffer holds at most one unfinished frame beyond what was appended last.
class TMbapFramer
{
public:
    enum Result { NeedMore, Frame, BadHeader };

    void Append(const char* bytes, int count) { m_buffer.append(bytes, count); }
    // On Frame, `frame` receives the next frame. On BadHeader (protocol identifier not 0,
    // impossible length) the stream cannot be trusted any more and is dropped.
    Result Next(TMbapFrame& frame);
    void Clear() { m_buffer.clear(); }
    int Buffered() const { return int(m_buffer.size()); }
    // True when Next would give a frame or find a bad header now, without more bytes.
    bool FrameWaiting() const;

private:
    QByteArray m_buffer;
};
