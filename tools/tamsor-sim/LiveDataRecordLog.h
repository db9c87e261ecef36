#pragma once

#include "LiveImage.h"

#include <QString>
#include <vector>

class TKivDataRecord;

// One data-record log of the live panel, written the way the panel writes it: the new entry
// goes into the slot at the head, the head moves on and wraps at the ring's end, "entries
// stored" grows up to the ring's size, and the header gets its CRC again. Values start where the
// log's newest entry stood and follow a slow sine with a little noise per column; 32-bit
// unsigned columns count up instead, as the counters of a line do.
class LiveDataRecordLog
{
public:
    // Takes the ring as the image holds it. A ring whose header fails its CRC, or says what the
    // panel could not have written (a head beyond the ring, more entries than slots, a head
    // away from the newest entry before the ring is full), is started afresh with no entries.
    LiveDataRecordLog(const TKivDataRecord& record, const LiveImage& image, LiveRandom& random);

    // Why the log cannot be kept (no slots, or the ring does not lie inside the image); empty
    // when it can.
    const QString& Problem() const { return m_problem; }

    // Writes the entry of the panel's step `step` (counted from 1) stamped with tick.
    void Append(LiveImage& image, quint32 tick, qint64 step, LiveRandom& random);

private:
    struct Column {
        int format;
        qint64 offset; // registers from the start of the slot
        double level;  // where the values swing around; the count so far for a counter
        double amplitude;
        double periodSteps;
    };
    void TakeRing(const LiveImage& image);
    void AddColumns(const TKivDataRecord& record, const LiveImage& image, LiveRandom& random);
    void WriteHeader(LiveImage& image) const;
    double NextValue(Column& column, qint64 step, LiveRandom& random) const;

    quint32 m_register;
    quint32 m_slots;
    quint32 m_capacity;
    bool m_ticks;
    quint16 m_head = 0;
    quint16 m_entries = 0;
    quint16 m_third = 0; // the header's third register, kept as it stands
    std::vector<Column> m_columns;
    QString m_problem;
};
