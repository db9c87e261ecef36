#pragma once

// What one read adds to a station's history, decided without a database: the rings of this
// read are compared with the rings the store kept at the last stored read. Every function here
// is pure; the store (HistoryStore.h) writes what they decide.

#include "HistoryTables.h"

#include <QtGlobal>
#include <optional>
#include <unordered_map>
#include <vector>

// How a ring now follows the ring at the last stored read.
struct TRingDiff {
    // The first entry of the current ring not seen before (its index); the ring's size when
    // nothing is new.
    qsizetype FirstNew = 0;
    // The ring wrapped past everything seen at the last read: entries written on the panel
    // between the two reads may be lost. Never set for a table seen for the first time.
    bool Gap = false;
};

// The store keeps this many identities of the newest entries of a ring (its tail) to find
// where the next read's ring continues it.
constexpr qsizetype RingTailKeys = 1024;

// The newest identities of keys, at most RingTailKeys of them, oldest first.
std::vector<THistoryKey> RingTail(const std::vector<THistoryKey>& keys);

// previousTail: the newest entry identities of the ring at the last stored read (RingTail),
// previousCount: how many entries it held (0 for a table never stored or an empty ring);
// current: the ring now, oldest first. A ring drops its oldest entries and appends new ones,
// so the longest start of current that ends the previous ring (as far as its tail shows) is
// what was seen before, and what follows it is new. Works without time stamps (repeated
// values) and with a clock set back: order, not time, decides.
TRingDiff DiffRing(const std::vector<THistoryKey>& previousTail, qsizetype previousCount,
                   const std::vector<THistoryKey>& current);

// A stored alarm line, as far as the diff needs it.
struct TStoredAlarm {
    bool Ended = false; // its end time is stored
};

// What the alarm history of this read adds.
struct TAlarmDiff {
    std::vector<qsizetype> Added; // indices of entries not stored before (number and start)
    std::vector<qsizetype> Ended; // indices of stored active lines whose end time appeared
    bool Gap = false;             // as TRingDiff::Gap
};

// previousTail, previousCount: the alarm ring at the last stored read, as for DiffRing; stored:
// the lines the store holds among current's identities (by THistoryAlarmEntry::Key); current:
// the history now. A ring that could not be read (not Valid) adds nothing.
TAlarmDiff DiffAlarms(const std::vector<THistoryKey>& previousTail, qsizetype previousCount,
                      const std::unordered_map<THistoryKey, TStoredAlarm>& stored,
                      const THistoryAlarmRing& current);

// A recipe's contents are a new version when no version is stored (lastHash none) or the last
// stored version's hash differs. A change back to an older version's contents is a new version
// too: the history shows when it happened.
bool RecipeChanged(std::optional<quint64> lastHash, const THistoryRecipe& current);

// The fingerprint of a whole ring (its identities in order and its size): equal fingerprints
// mean the ring did not change since the read that stored it, and nothing needs to be compared.
quint64 RingFingerprint(const std::vector<THistoryKey>& keys);
