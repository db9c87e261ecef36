#pragma once

#include "ScheduleReadStarter.h"

#include <functional>

// Reads scheduled stations through ReadStation, one at a time, as the window does: a serial or
// TCP read runs in the installed station read runner (the read window, shown modally, while
// the schedule's ticks keep arriving); a register file is loaded in place. The outcome of each
// read is ReadStation's own, for every channel type, and is given to the runner only once
// ReadStation has returned and the image is stored.
class TReadStationStarter : public TScheduleReadStarter
{
public:
    // projectFilePath: the open project's file (relative register files are taken against its
    // folder), asked at each read.
    explicit TReadStationStarter(std::function<QString()> projectFilePath);

    // Also waits while this says a read is going on that the engine does not know of (the
    // read window still showing the outcome of a manual read).
    void SetBusyCheck(std::function<bool()> busy) { m_busy = std::move(busy); }
    // Called once a read has stored its image in the station, and only then: a read that
    // fails leaves the station, and so the project, as it was.
    void SetImageStored(std::function<void(TKivStation&)> stored) { m_stored = std::move(stored); }

    void Start(TKivStation& station) override;
    int State(const TKivStation& station) const override;
    bool LineBusy(const TKivStation& station) const override;

private:
    std::function<QString()> m_projectFilePath;
    std::function<bool()> m_busy;
    std::function<void(TKivStation&)> m_stored;
    const TKivStation* m_station = nullptr;
    int m_state = 0;
    bool m_reading = false;
};
