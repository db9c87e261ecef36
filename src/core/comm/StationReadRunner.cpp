#include "StationReadRunner.h"

namespace
{

TStationReadRunner*& installedRunner()
{
    static TStationReadRunner* runner = nullptr;
    return runner;
}

} // namespace

THeadlessReadRunner::THeadlessReadRunner(ProgressHandler progress,
                                         TStationReader::TransportFactory factory)
    : m_progress(std::move(progress)), m_factory(std::move(factory))
{
}

StationReadOutcome THeadlessReadRunner::RunRead(const StationReadRequest& request, bool)
{
    const int before = m_state;
    const StationReadOutcome outcome = RunStationRead(
        request,
        [this](int state, int percent, const QString& text) {
            m_state = state;
            if (m_progress)
                m_progress(state, percent, text);
        },
        m_factory);
    // A refused read never started: the state of the read that did run stays.
    m_state = outcome.problem == ReadProblem::Busy ? before : outcome.state;
    return outcome;
}

TStationReadRunner* SetStationReadRunner(TStationReadRunner* runner)
{
    TStationReadRunner* previous = installedRunner();
    installedRunner() = runner;
    return previous;
}

TStationReadRunner& CurrentStationReadRunner()
{
    static THeadlessReadRunner headless;
    TStationReadRunner* runner = installedRunner();
    return runner ? *runner : headless;
}
