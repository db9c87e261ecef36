#pragma once

#include "StationReader.h"

#include <functional>

// Runs one serial or TCP station read to its end and says how it went. ReadStation hands
// every such read to the runner the program installed at start-up: the desktop program
// installs one that shows the read window, everything else uses a headless one.
class TStationReadRunner
{
public:
    virtual ~TStationReadRunner() = default;

    // Reads and returns when the read has ended. A silent read asks the user nothing and,
    // with a window, closes it itself.
    virtual StationReadOutcome RunRead(const StationReadRequest& request, bool silent) = 0;
    // The state of the read in progress, else the final state of the last one (ReadIdle
    // before the first read). Callers running inside a read (the schedule) poll it.
    virtual int State() const = 0;
};

// Reads without a window on a nested event loop; `progress` sees every progress change.
class THeadlessReadRunner : public TStationReadRunner
{
public:
    using ProgressHandler = std::function<void(int state, int percent, const QString& text)>;

    explicit THeadlessReadRunner(ProgressHandler progress = {},
                                 TStationReader::TransportFactory factory = MakeReadTransport);

    StationReadOutcome RunRead(const StationReadRequest& request, bool silent) override;
    int State() const override { return m_state; }

private:
    ProgressHandler m_progress;
    TStationReader::TransportFactory m_factory;
    int m_state = ReadIdle;
};

// Makes runner (not owned) the one ReadStation uses and returns the one before; null
// restores the built-in headless runner.
TStationReadRunner* SetStationReadRunner(TStationReadRunner* runner);
TStationReadRunner& CurrentStationReadRunner();
