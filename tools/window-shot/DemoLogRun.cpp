#include "DemoLogRun.h"

#include "comm/KivCrc.h"

#include <cmath>
#include <numbers>

namespace
{

// The oven log as the demo's define file places it.
constexpr quint32 LogRegister = 2000;
constexpr quint32 LogSlots = 48;
constexpr quint32 SlotRegisters = 3; // one per zone
constexpr quint32 Step = 600;        // seconds between entries

quint16 Get(const QByteArray& image, quint32 r)
{
    return quint16(uchar(image[2 * r]) | (uchar(image[2 * r + 1]) << 8));
}

void Set(QByteArray& image, quint32 r, quint16 value)
{
    image[2 * r] = char(value & 0xFF);
    image[2 * r + 1] = char(value >> 8);
}

quint32 Get32(const QByteArray& image, quint32 r)
{
    return Get(image, r) | (quint32(Get(image, r + 1)) << 16);
}

void Set32(QByteArray& image, quint32 r, quint32 value)
{
    Set(image, r, quint16(value));
    Set(image, r + 1, quint16(value >> 16));
}

// Tenths of a degree of zone `zone` at tick: a baking day from six to eighteen o'clock,
// cooler at night, each zone a little hotter than the one before.
qint16 Temperature(quint32 tick, quint32 zone)
{
    const double hour = double(tick % 86400) / 3600;
    const double baking = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (hour - 3) / 24);
    const double ripple = 30 * std::sin(double(tick) / 2700 + zone);
    return qint16(2000 + 150 * zone + 300 * baking + ripple);
}

} // namespace

void RunDemoOvenLog(QByteArray& image, quint32 entries)
{
    const quint32 firstSlot = LogRegister + 4;
    const quint32 ticks = firstSlot + LogSlots * SlotRegisters;
    quint16 head = Get(image, LogRegister);
    quint16 stored = Get(image, LogRegister + 1);
    quint32 tick = Get32(image, ticks + 2 * ((head + LogSlots - 1) % LogSlots));
    for (quint32 e = 0; e < entries; ++e) {
        tick += Step;
        for (quint32 zone = 0; zone < SlotRegisters; ++zone)
            Set(image, firstSlot + head * SlotRegisters + zone, quint16(Temperature(tick, zone)));
        Set32(image, ticks + 2 * head, tick);
        head = quint16((head + 1) % LogSlots);
        stored = quint16(std::min<quint32>(stored + 1u, LogSlots));
    }
    const uchar header[6] = {uchar(head), uchar(head >> 8), uchar(stored), uchar(stored >> 8), 0, 0};
    Set(image, LogRegister, head);
    Set(image, LogRegister + 1, stored);
    Set(image, LogRegister + 2, 0);
    Set(image, LogRegister + 3, ModbusCrc16(header, 6));
}
