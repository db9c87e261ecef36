#pragma once

// Filling a station's register image for the benches: single registers, 32-bit values (low
// half first) and random contents with the device's time offset.
#include "model/KivChannel.h"

#include <QRandomGenerator>

namespace BenchRegisters
{

inline void Set(TKivStation& s, quint32 r, quint16 v)
{
    s.RegisterImage[2 * r] = char(v);
    s.RegisterImage[2 * r + 1] = char(v >> 8);
}

inline void Set32(TKivStation& s, quint32 r, quint32 v)
{
    Set(s, r, quint16(v));
    Set(s, r + 1, quint16(v >> 16));
}

// Every register random (the same for every run), the time offset 8 hours.
inline void FillRandom(TKivStation& s)
{
    QRandomGenerator random(42);
    for (quint32 r = 0; r < quint32(RegisterCount); ++r)
        Set(s, r, quint16(random.bounded(65536)));
    Set(s, TimeOffsetRegister, 480);
}

} // namespace BenchRegisters
