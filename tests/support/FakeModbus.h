#pragma once

// A read transport whose bytes the test hands in, and a device over a register image that
// answers function-3 requests in RTU or TCP form: the read engine's tests drive both with a
// clock they move themselves.
#include "comm/KivCrc.h"
#include "comm/ReadEngine.h"

#include <QByteArray>

#include <cstring>
#include <deque>
#include <functional>
#include <vector>

// Every write is recorded and shown to `device`, which may queue an answer in `pieces`.
class FakeTransport : public TReadTransport
{
public:
    explicit FakeTransport(Framing framing) : framing(framing) {}
    ~FakeTransport() override
    {
        if (destroyed)
            *destroyed = true;
    }
    Framing Kind() const override { return framing; }
    bool Open() override
    {
        ++opens;
        return opens > failOpens;
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
        if (pieces.empty() && babble)
            pieces.push_back(babble());
        while (!pieces.empty() && pieces.front().isEmpty())
            pieces.pop_front();
        if (pieces.empty())
            return 0;
        QByteArray& piece = pieces.front();
        const int n = qMin(maximum, int(piece.size()));
        std::memcpy(buffer, piece.constData(), size_t(n));
        piece.remove(0, n);
        if (piece.isEmpty())
            pieces.pop_front();
        bytesTaken += n;
        return n;
    }
    ReadProblem Problem() const override { return problem; }
    QString ErrorText() const override { return QString(); }

    Framing framing;
    bool ready = true;
    bool closed = false;
    int opens = 0;
    int failOpens = 0; // the first this many Open calls fail
    bool* destroyed = nullptr;
    qint64 bytesTaken = 0;
    ReadProblem problem = ReadProblem::None;
    std::vector<QByteArray> writes;
    std::deque<QByteArray> pieces; // what one Take may return at most
    // Asked for more bytes whenever nothing is queued: a device that sends on its own.
    std::function<QByteArray()> babble;
    std::function<void(const QByteArray&)> device;
};

inline QByteArray WithCrc(QByteArray frame)
{
    const quint16 crc = ModbusCrc16(frame.constData(), int(frame.size()));
    return frame.append(char(crc & 0xFF)).append(char(crc >> 8));
}

// A device over a register image: answers function-3 requests in RTU or TCP form, echoing
// the transaction identifier of a TCP request.
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
    static quint16 TransactionId(const QByteArray& tcpFrame)
    {
        return quint16(quint8(tcpFrame[0]) << 8 | quint8(tcpFrame[1]));
    }
    // The request from the unit identifier on, without CRC or header.
    QByteArray Pdu(const QByteArray& request) const
    {
        return tcp ? request.mid(6) : request.left(6);
    }
    QByteArray Frame(const QByteArray& unitAndPdu, quint16 transactionId = 0) const
    {
        if (!tcp)
            return WithCrc(unitAndPdu);
        QByteArray header(6, '\0');
        header[0] = char(transactionId >> 8);
        header[1] = char(transactionId & 0xFF);
        header[4] = char(unitAndPdu.size() >> 8);
        header[5] = char(unitAndPdu.size() & 0xFF);
        return header + unitAndPdu;
    }
    // The answer to a read of count registers from start for unit, in the device's framing.
    QByteArray Reply(quint8 unit, int start, int count, quint16 transactionId = 0) const
    {
        QByteArray reply;
        reply.append(char(unit)).append(char(3)).append(char(2 * count));
        for (int i = 0; i < count; ++i) {
            const quint16 value = registers[size_t(start + i)];
            reply.append(char(value >> 8)).append(char(value & 0xFF));
        }
        return Frame(reply, transactionId);
    }
    QByteArray Answer(const QByteArray& request) const
    {
        const QByteArray pdu = Pdu(request);
        return Reply(quint8(pdu[0]), Start(pdu), Count(pdu), tcp ? TransactionId(request) : 0);
    }
    QByteArray Exception(const QByteArray& request, int code) const
    {
        return Frame(QByteArray().append(Pdu(request)[0]).append(char(0x83)).append(char(code)),
                     tcp ? TransactionId(request) : 0);
    }
    QByteArray Image() const
    {
        QByteArray image;
        for (quint16 value : registers)
            image.append(char(value & 0xFF)).append(char(value >> 8));
        return image;
    }
};

// A read request for the fake device (model 1234, unit 1).
inline StationReadRequest FakeDeviceRequest(int channelType, quint32 modelId = 1234)
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
struct ReadHarness {
    static constexpr qint64 kMs = 1000;

    explicit ReadHarness(TReadTransport::Framing framing) : transport(framing)
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
