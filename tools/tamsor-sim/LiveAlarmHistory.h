#pragma once

#include "LiveImage.h"

#include <QString>
#include <vector>

class TKivAlarms;

// The alarm history of the live panel, kept the way the panel keeps it: an alarm that starts
// takes the slot after the newest entry (the oldest entry's slot once the ring is full, which
// moves the start on), and an alarm that ends gets its second time in its entry. An entry with a
// first time and no second one is an active alarm; an alarm does not start again while active.
class LiveAlarmHistory
{
public:
    // Takes the backup area as the image holds it. An area whose header does not check out, or
    // says what the panel could not have written (more entries than slots, a start beyond the
    // ring), is formatted empty.
    LiveAlarmHistory(const TKivAlarms& alarms, LiveImage& image);

    // Why the history cannot be kept (no alarms or slots, or the area does not lie inside the
    // image); empty when it can.
    const QString& Problem() const { return m_problem; }

    // Ends one of the active alarms at tick; false when none is active.
    bool EndOne(LiveImage& image, quint32 tick, LiveRandom& random) const;
    // Starts, at tick, an alarm that is not active; false when all of them are.
    bool StartOne(LiveImage& image, quint32 tick, LiveRandom& random) const;

private:
    struct Active {
        qint64 entryRegister; // first register of its entry
        quint32 alarmNumber;
    };
    std::vector<Active> ActiveAlarms(const LiveImage& image) const;
    void Format(LiveImage& image) const;
    quint32 MessageNumber(quint32 alarmNumber, LiveRandom& random) const;

    const TKivAlarms& m_alarms;
    qint64 m_address;
    qint64 m_capacity = 0;
    QString m_problem;
};
