#include "HistoryDiff.h"

#include <unordered_set>

namespace
{

// The failure function of Knuth-Morris-Pratt: fail[i] is the length of the longest proper
// start of pattern[0..i] that also ends it.
std::vector<size_t> FailureFunction(const std::vector<THistoryKey>& pattern)
{
    std::vector<size_t> fail(pattern.size(), 0);
    for (size_t i = 1, k = 0; i < pattern.size(); ++i) {
        while (k > 0 && pattern[i] != pattern[k])
            k = fail[k - 1];
        if (pattern[i] == pattern[k])
            ++k;
        fail[i] = k;
    }
    return fail;
}

// The length of the longest start of pattern that also ends text.
size_t LongestStartEndingText(const std::vector<THistoryKey>& pattern,
                              const std::vector<THistoryKey>& text)
{
    if (pattern.empty())
        return 0;
    const std::vector<size_t> fail = FailureFunction(pattern);
    size_t matched = 0;
    for (const THistoryKey key : text) {
        while (matched > 0 && (matched == pattern.size() || key != pattern[matched]))
            matched = fail[matched - 1];
        if (key == pattern[matched])
            ++matched;
    }
    return matched;
}

// The largest end position e <= limit of an occurrence of pattern in text, or 0 when none.
size_t LastOccurrenceEnd(const std::vector<THistoryKey>& pattern,
                         const std::vector<THistoryKey>& text, size_t limit)
{
    if (pattern.empty())
        return 0;
    const std::vector<size_t> fail = FailureFunction(pattern);
    size_t matched = 0;
    size_t best = 0;
    for (size_t i = 0; i < text.size() && i < limit; ++i) {
        while (matched > 0 && (matched == pattern.size() || text[i] != pattern[matched]))
            matched = fail[matched - 1];
        if (text[i] == pattern[matched])
            ++matched;
        if (matched == pattern.size())
            best = i + 1;
    }
    return best;
}

} // namespace

std::vector<THistoryKey> RingTail(const std::vector<THistoryKey>& keys)
{
    const size_t keep = std::min(keys.size(), size_t(RingTailKeys));
    return std::vector<THistoryKey>(keys.end() - qsizetype(keep), keys.end());
}

TRingDiff DiffRing(const std::vector<THistoryKey>& previousTail, qsizetype previousCount,
                   const std::vector<THistoryKey>& current)
{
    TRingDiff diff;
    if (previousCount <= 0 || previousTail.empty())
        return diff; // nothing seen before: the whole ring is new
    // Entries seen before that are still in the ring: m of them, current[0..m) being the last m
    // of the previous ring. With m at least the tail's length the whole tail lies in current,
    // ending at m; with fewer, current's start is an end of the tail.
    const size_t limit = std::min(size_t(previousCount), current.size());
    size_t seen = LastOccurrenceEnd(previousTail, current, limit);
    if (seen == 0)
        seen = std::min(LongestStartEndingText(current, previousTail), limit);
    diff.FirstNew = qsizetype(seen);
    diff.Gap = !current.empty() && seen == 0;
    return diff;
}

TAlarmDiff DiffAlarms(const std::vector<THistoryKey>& previousTail, qsizetype previousCount,
                      const std::unordered_map<THistoryKey, TStoredAlarm>& stored,
                      const THistoryAlarmRing& current)
{
    TAlarmDiff diff;
    if (!current.Valid)
        return diff;
    const std::vector<THistoryKey> keys = current.Keys();
    diff.Gap = DiffRing(previousTail, previousCount, keys).Gap;
    std::unordered_set<THistoryKey> taken;
    for (qsizetype i = 0; i < qsizetype(keys.size()); ++i) {
        if (!taken.insert(keys[i]).second)
            continue; // the same line twice in the ring is one line
        const auto found = stored.find(keys[i]);
        if (found == stored.end())
            diff.Added.push_back(i);
        else if (!found->second.Ended && current.Entries[i].End != 0)
            diff.Ended.push_back(i);
    }
    return diff;
}

bool RecipeChanged(std::optional<quint64> lastHash, const THistoryRecipe& current)
{
    return !lastHash || *lastHash != current.ContentsHash;
}

quint64 RingFingerprint(const std::vector<THistoryKey>& keys)
{
    quint64 h = HistoryHash(quint64(keys.size()), 0x5245434f5244ULL);
    for (const THistoryKey key : keys)
        h = HistoryHash(h, key);
    return h;
}
