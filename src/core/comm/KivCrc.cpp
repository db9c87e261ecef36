#include "KivCrc.h"

#include <array>

namespace
{

struct CrcTables {
    std::array<quint8, 256> low{};
    std::array<quint8, 256> high{};
};

constexpr CrcTables MakeTables()
{
    CrcTables tables;
    for (int i = 0; i < 256; ++i) {
        quint16 crc = quint16(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
        tables.low[i] = quint8(crc & 0xFF);
        tables.high[i] = quint8(crc >> 8);
    }
    return tables;
}

constexpr CrcTables kTables = MakeTables();

} // namespace

quint16 ModbusCrc16(const void* bytes, int length, quint16 initial)
{
    const auto* data = static_cast<const quint8*>(bytes);
    quint8 lo = quint8(initial & 0xFF);
    quint8 hi = quint8(initial >> 8);
    for (int n = 0; n < length; ++n) {
        const quint8 i = lo ^ data[n];
        lo = kTables.low[i] ^ hi;
        hi = kTables.high[i];
    }
    return quint16(hi << 8 | lo);
}

QByteArray WithModbusCrc(QByteArray frame)
{
    const quint16 crc = ModbusCrc16(frame.constData(), int(frame.size()));
    return frame.append(char(crc & 0xFF)).append(char(crc >> 8));
}
