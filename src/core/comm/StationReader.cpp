#include "StationReader.h"

#include <QEventLoop>

namespace
{
constexpr int kTickMs = 10;
}

TStationReader::TStationReader(QObject* parent, TransportFactory factory)
    : QObject(parent), m_factory(std::move(factory))
{
    m_clock.start();
    m_tick.setInterval(kTickMs);
    m_tick.setTimerType(Qt::PreciseTimer);
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, &TStationReader::PollNow);
    connect(&m_wake, &QTimer::timeout, this, &TStationReader::PollNow);
    connect(&m_engine, &TStationReadEngine::Progress, this, &TStationReader::Progress);
    connect(&m_engine, &TStationReadEngine::Finished, this, &TStationReader::OnEngineFinished);
}

TStationReader::~TStationReader()
{
    if (m_engine.IsRunning())
        m_engine.Cancel(NowUs());
}

bool TStationReader::Start(const StationReadRequest& request)
{
    if (m_engine.IsRunning() || !TStationReadEngine::CanStart(m_engine.Alongside())) {
        m_outcome = TStationReadEngine::BusyOutcome();
        return false;
    }
    auto transport = m_factory(request);
    if (!transport) {
        m_outcome = StationReadOutcome();
        m_outcome.state = ReadFailed;
        m_outcome.problem = ReadProblem::BadAddress;
        return false;
    }
    m_transport = std::move(transport);
    m_transport->onActivity = [this] { PollNow(); };
    m_outcome = StationReadOutcome();
    if (!m_engine.Start(request, *m_transport, NowUs())) {
        m_outcome = TStationReadEngine::BusyOutcome();
        return false;
    }
    if (m_engine.IsRunning()) {
        m_tick.start();
        PollNow();
    }
    return true;
}

void TStationReader::Cancel()
{
    if (m_engine.IsRunning())
        m_engine.Cancel(NowUs());
}

void TStationReader::PollNow()
{
    // Reading the port can report arrivals synchronously; those bytes are taken by the
    // poll that is running already.
    if (m_polling || !m_engine.IsRunning())
        return;
    m_polling = true;
    m_engine.Poll(NowUs());
    m_polling = false;
    if (m_engine.IsRunning())
        ScheduleWake();
}

void TStationReader::ScheduleWake()
{
    const qint64 wake = m_engine.NextWakeUs();
    if (wake < 0)
        return;
    const qint64 waitUs = wake - NowUs();
    if (waitUs >= kTickMs * 1000)
        return;
    const int waitMs = waitUs <= 0 ? 0 : int((waitUs + 999) / 1000);
    if (!m_wake.isActive() || m_wake.remainingTime() > waitMs)
        m_wake.start(waitMs);
}

void TStationReader::OnEngineFinished(const StationReadOutcome& outcome)
{
    m_tick.stop();
    m_wake.stop();
    m_outcome = outcome;
    if (m_transport) {
        m_transport->onActivity = nullptr;
        // Replaces (and destroys) the one before, which no handler can be running in now.
        m_finishedTransport = std::move(m_transport);
    }
    emit Finished(outcome);
}

StationReadOutcome RunStationRead(const StationReadRequest& request,
                                  const std::function<void(int, int, const QString&)>& progress,
                                  TStationReader::TransportFactory factory)
{
    TStationReader reader(nullptr, std::move(factory));
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&reader, &TStationReader::Finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    if (progress)
        QObject::connect(&reader, &TStationReader::Progress, &loop, progress);
    if (!reader.Start(request))
        return reader.Outcome();
    if (!finished)
        loop.exec();
    return reader.Outcome();
}
