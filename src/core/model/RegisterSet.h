#pragma once

#include "KivRegisters.h"

#include <QtGlobal>

#include <array>

// A set of registers of a station's register memory (0 to 65,535), kept as one bit per
// register. The registers of a 64-register block share one word, so block questions are cheap.
class TRegisterSet
{
public:
    static constexpr int kBlockRegisters = 64;
    static constexpr int kBlockCount = RegisterCount / kBlockRegisters;

    // Every register of the memory.
    static TRegisterSet All();

    // Adds the registers from first up to end (not included) that lie in the memory; a range
    // partly or wholly outside it adds only its part inside, or nothing.
    void AddRange(qint64 first, qint64 end);
    void Add(const TRegisterSet& other);

    bool Contains(qint64 r) const;
    bool IsEmpty() const;
    int Count() const;
    // Whether any register of 64-register block b (registers 64b to 64b + 63) is in the set.
    bool TouchesBlock(int b) const { return m_words[size_t(b)] != 0; }

    bool operator==(const TRegisterSet& other) const { return m_words == other.m_words; }

private:
    std::array<quint64, kBlockCount> m_words{};
};
