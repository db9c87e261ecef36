// Replies of a device as the read engine receives them: a byte stream over Modbus RTU (first
// byte even) or Modbus TCP (first byte odd), cut into pieces that arrive with time passing in
// between. This runs the reply checks, the RTU reply length rule and the MBAP framer as a read
// runs them. A piece may ask to be sealed (the right CRC appended, or an MBAP header put in
// front) or to be the right answer to the request last sent, so inputs reach every state.
#include "FuzzInput.h"

#include "comm/KivCrc.h"
#include "comm/ReadEngine.h"

#include <cstring>

namespace
{

constexpr quint32 kModel = 0x0301;

class FuzzTransport : public TReadTransport
{
public:
    explicit FuzzTransport(Framing framing) : m_framing(framing) {}
    Framing Kind() const override { return m_framing; }
    bool Open() override { return true; }
    void Close() override {}
    bool IsReady() const override { return true; }
    int Write(const char* bytes, int count) override
    {
        lastRequest = QByteArray(bytes, count);
        return count;
    }
    int Take(char* buffer, int maximum) override
    {
        const int n = qMin(maximum, int(arrived.size()));
        std::memcpy(buffer, arrived.constData(), size_t(n));
        arrived.remove(0, n);
        return n;
    }
    ReadProblem Problem() const override { return ReadProblem::None; }
    QString ErrorText() const override { return QString(); }

    QByteArray arrived;
    QByteArray lastRequest;

private:
    Framing m_framing;
};

// unitAndPdu behind an MBAP header: the transaction and protocol identifiers of `head` (those
// of the request answered), then the length.
QByteArray WithMbap(const QByteArray& unitAndPdu, const QByteArray& head = QByteArray(4, '\0'))
{
    QByteArray header = head.left(4).leftJustified(4, '\0');
    header.append(char(unitAndPdu.size() >> 8)).append(char(unitAndPdu.size() & 0xFF));
    return header + unitAndPdu;
}

// The right answer to a request (unit, 3, start, count), register values taken from `values`.
QByteArray Answer(const QByteArray& request, bool tcp, const QByteArray& values)
{
    const QByteArray pdu = tcp ? request.mid(6) : request;
    if (pdu.size() < 6)
        return QByteArray();
    const int start = quint8(pdu[2]) << 8 | quint8(pdu[3]);
    const int count = quint8(pdu[4]) << 8 | quint8(pdu[5]);
    QByteArray reply = pdu.left(2);
    reply.append(char(2 * count));
    for (int i = 0; i < count; ++i) {
        quint16 value = values.isEmpty() ? quint16(start + i) : quint8(values[i % values.size()]);
        if (start + i == kIdentifyRegister)
            value = kModel;
        reply.append(char(value >> 8)).append(char(value & 0xFF));
    }
    return tcp ? WithMbap(reply, request.left(4)) : WithModbusCrc(reply);
}

} // namespace

int FuzzModbusReplies(const uint8_t* data, size_t size)
{
    static const qint64 stepsUs[16] = {0,      100,     1'000,     1'800,     5'000,     10'000,
                                       26'000, 100'000, 501'000,   1'000'000, 2'000'000, 6'100'000,
                                       30,     500,     3'000'000, 12'000'000};
    FuzzInput input(data, size);
    const bool tcp = input.Byte() & 1;
    FuzzTransport transport(tcp ? TReadTransport::Framing::Tcp : TReadTransport::Framing::Rtu);
    StationReadRequest request;
    request.channelType = tcp ? 1 : 0;
    request.line.Baudrate = 115200;
    request.address = QStringLiteral("127.0.0.1");
    request.modelId = kModel;

    TStationReadEngine engine;
    StationReadOutcome outcome;
    int finished = 0;
    QObject::connect(&engine, &TStationReadEngine::Finished,
                     [&](const StationReadOutcome& o) { outcome = o, ++finished; });
    qint64 now = 1'000'000;
    FUZZ_CHECK(engine.Start(request, transport, now));
    while (!input.AtEnd() && engine.IsRunning()) {
        const uint8_t head = input.Byte();
        QByteArray bytes = input.Bytes(input.Byte());
        if (head & 0x20)
            bytes = Answer(transport.lastRequest, tcp, bytes);
        else if (head & 0x10)
            bytes = tcp ? WithMbap(bytes) : WithModbusCrc(bytes);
        transport.arrived += bytes;
        now += stepsUs[head & 0x0F];
        engine.Poll(now);
        FUZZ_CHECK(transport.lastRequest.size() <= kModbusAreaSize);
    }
    if (engine.IsRunning())
        engine.Cancel(now);
    FUZZ_CHECK(!engine.IsRunning() && !TStationReadEngine::AnyReadRunning());
    FUZZ_CHECK(finished == 1);
    FUZZ_CHECK(outcome.Succeeded() == (outcome.image.size() == kRegisterImageSize));
    FUZZ_CHECK(outcome.Succeeded() || outcome.state < 0 ||
               outcome.problem == ReadProblem::Cancelled);
    return 0;
}
