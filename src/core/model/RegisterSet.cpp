#include "RegisterSet.h"

#include <algorithm>
#include <bit>

TRegisterSet TRegisterSet::All()
{
    TRegisterSet all;
    all.m_words.fill(~quint64(0));
    return all;
}

void TRegisterSet::AddRange(qint64 first, qint64 end)
{
    first = std::max<qint64>(first, 0);
    end = std::min<qint64>(end, RegisterCount);
    while (first < end) {
        const qint64 word = first / kBlockRegisters;
        const int bit = int(first % kBlockRegisters);
        const int bits = int(std::min<qint64>(end - first, kBlockRegisters - bit));
        const quint64 mask = bits == kBlockRegisters ? ~quint64(0) : ((quint64(1) << bits) - 1);
        m_words[size_t(word)] |= mask << bit;
        first += bits;
    }
}

void TRegisterSet::Add(const TRegisterSet& other)
{
    for (size_t w = 0; w < m_words.size(); ++w)
        m_words[w] |= other.m_words[w];
}

bool TRegisterSet::Contains(qint64 r) const
{
    if (r < 0 || r >= RegisterCount)
        return false;
    return (m_words[size_t(r / kBlockRegisters)] >> (r % kBlockRegisters)) & 1;
}

bool TRegisterSet::IsEmpty() const
{
    return std::all_of(m_words.begin(), m_words.end(), [](quint64 w) { return w == 0; });
}

int TRegisterSet::Count() const
{
    int count = 0;
    for (quint64 w : m_words)
        count += std::popcount(w);
    return count;
}
