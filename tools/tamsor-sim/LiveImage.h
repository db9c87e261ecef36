#pragma once

// What the live panel works with: the served register image, read through the core's decoders
// and written in place, and the seeded random numbers behind every change it makes.

#include "model/KivRegisters.h"

#include <QByteArray>
#include <QtGlobal>

#include <bit>
#include <cstdint>
#include <random>
#include <span>

// The served image: register r at bytes 2r (low) and 2r + 1 (high).
class LiveImage
{
public:
    explicit LiveImage(std::span<uint8_t> bytes) : m_bytes(bytes) {}

    // The image as the decoders take it, without a copy. Take a new one after writing: a view
    // is meant for reading the image as it stands.
    QByteArray View() const
    {
        return QByteArray::fromRawData(reinterpret_cast<const char*>(m_bytes.data()),
                                       qsizetype(m_bytes.size()));
    }
    // Whether registers first to first + count - 1 all lie in the image.
    bool Holds(qint64 first, qint64 count) const
    {
        return first >= 0 && count >= 0 && first + count <= qint64(m_bytes.size() / 2);
    }
    void Set(qint64 r, quint16 value)
    {
        m_bytes[2 * size_t(r)] = uint8_t(value & 0xFF);
        m_bytes[2 * size_t(r) + 1] = uint8_t(value >> 8);
    }
    // A 32-bit value: low 16 bits in register r, high 16 bits in r + 1.
    void Set32(qint64 r, quint32 value)
    {
        Set(r, quint16(value));
        Set(r + 1, quint16(value >> 16));
    }

private:
    std::span<uint8_t> m_bytes;
};

// The panel's changes come from one generator seeded from the command line, so a run can be
// repeated exactly. Numbers are taken from the engine's raw output, whose sequence the standard
// fixes, rather than through the library's distributions, whose results it does not.
class LiveRandom
{
public:
    explicit LiveRandom(quint32 seed) : m_engine(seed) {}
    // A number from 0 up to, not including, 1.
    double Uniform() { return double(m_engine()) / 4294967296.0; }
    // A number from low to high, both included.
    int Between(int low, int high) { return low + int(Uniform() * double(high - low + 1)); }
    // Uniform() stretched to low up to high.
    double Within(double low, double high) { return low + Uniform() * (high - low); }

private:
    std::mt19937 m_engine;
};

// A column value as the number it stands for, by data format (3 signed 16-bit, 4 unsigned
// 16-bit, 5 signed 32-bit, 6 unsigned 32-bit, 7 float); raw is the value as TakeImageValue gives
// it.
double LiveNumber(quint32 raw, int dataFormat);
// The number stored in the registers at r as a column of this data format holds it, rounded and
// kept within the format's range.
void SetLiveNumber(LiveImage& image, qint64 r, int dataFormat, double number);
