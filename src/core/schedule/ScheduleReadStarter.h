#pragma once

#include <QString>

class TKivStation;

// How the schedule runner reads a station. The window reads through ReadStation and its read
// window (TReadStationStarter); the headless collector starts reads and lets them run while
// the runner ticks on (TBackgroundReadStarter). Tests give the runner a fake.
class TScheduleReadStarter
{
public:
    virtual ~TScheduleReadStarter() = default;

    // Starts a silent read of station. May return only when the read has ended (a modal read
    // window); the runner's ticks then arrive while it runs.
    virtual void Start(TKivStation& station) = 0;
    // The state of the read of station that Start began: ReadDone, ReadFailed or ReadWrongModel
    // once it has ended and a read image is stored; any other value while it runs.
    virtual int State(const TKivStation& station) const = 0;
    // True while a read runs that a read of station would have to wait for: any read where
    // one read runs at a time, else a read on the same line (ScheduleLineOf).
    virtual bool LineBusy(const TKivStation& station) const = 0;
    // The runner has stopped waiting for the read of station (it took too long). A starter
    // that can stop it does, so it no longer holds the line.
    virtual void Abandon(TKivStation& station) { (void)station; }
};

// What a station is reached through, as one master at a time may use it: the serial port of
// a UART channel ("/dev/ttyS0" and "ttyS0" are one port), the device address of an Internet
// channel (host and port), and the channel itself for register files and other types. Two
// stations with the same line are never read at the same time.
QString ScheduleLineOf(const TKivStation& station);
