#pragma once

#include <QtGlobal>

// A station's register memory: 65,536 16-bit registers, register r at bytes 2r (low byte) and
// 2r + 1 (high byte) of the register image.
constexpr int RegisterCount = 65536;
constexpr int RegisterImageSize = 2 * RegisterCount; // 131,072 bytes
constexpr quint32 ModelRegister = 0xFF80;            // the device's model number
constexpr quint32 TimeOffsetRegister = 0xFE20;       // device time offset in minutes, signed
