#pragma once

#include "KivModbus.h"
#include "ReadTransport.h"
#include "StationRead.h"

#include <QObject>

#include <vector>

// The station read as a state machine without windows or timers: one identify request for
// register 0xFF80, then 1,024 requests of 64 registers, one outstanding at a time. The
// caller owns the transport and the clock: it calls Poll with the current monotonic time
// whenever bytes arrive and at least every 10 ms, and earlier when NextWakeUs asks for it.
// Progress and the outcome leave only through the two signals. One read runs in the whole
// process at a time; a second Start is refused, except between reads marked to run alongside
// others (SetAlongside).
class TStationReadEngine : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kNoByteTimeoutUs = 6'000'000;
    static constexpr int kRtuMaxRetries = 6;

    explicit TStationReadEngine(QObject* parent = nullptr);
    ~TStationReadEngine() override;

    // Starts a read over `transport` (not owned; it must live until Finished). False when
    // another read is running: nothing is touched and BusyOutcome() describes the refusal.
    // A read that cannot begin (baud rate 0, port not opening, bad address) ends inside
    // Start with Finished.
    bool Start(const StationReadRequest& request, TReadTransport& transport, qint64 nowUs);
    // Advances the read to nowUs: takes the bytes that arrived, handles a complete reply,
    // response timeouts and the no-byte timeout, and sends what is due.
    void Poll(qint64 nowUs);
    // Stops a running read as the window's close box does: the state stays where it was
    // (identifying or reading) and no image is delivered.
    void Cancel(qint64 nowUs);

    // Marks the reads of this engine as reads alongside others: such a read starts while other
    // alongside reads run, and is refused only while an ordinary read runs (which in turn is
    // refused while any read runs). The caller keeps alongside reads on different lines.
    void SetAlongside(bool alongside) { m_alongside = alongside; }
    bool Alongside() const { return m_alongside; }
    // Whether a read of that kind may start now.
    static bool CanStart(bool alongside);

    // The latest time Poll should run next, or -1 when nothing is timed.
    qint64 NextWakeUs() const;
    bool IsRunning() const { return m_running; }
    int State() const { return m_state; }
    int RegisterIndex() const { return m_registerIndex; }
    const TModbusTransaction& Transaction() const { return m_transaction; }

    static bool AnyReadRunning();
    static StationReadOutcome BusyOutcome();
    // The window text and progress position of a state.
    static QString ProgressText(int state, int registerIndex);
    static int ProgressPercent(int state, int registerIndex);

signals:
    void Progress(int state, int percent, const QString& text);
    void Finished(const StationReadOutcome& outcome);

private:
    bool IsRtu() const;
    void ConfigureTiming(const StationReadRequest& request);
    void ReceiveRtu(qint64 nowUs);
    void ReceiveTcp();
    void CountDownResponse(qint64 elapsedUs);
    void Dispatch(qint64 nowUs);
    bool CanSendNow(qint64 nowUs) const;
    void SendRequest(qint64 nowUs, bool resend);
    // How long a request written now may go unanswered.
    qint64 ResponseTimeUs() const;
    void ProcessReply();
    void RejectReply(const ReplyCheck& check, ReadProblem problem);
    void RequestBlock(quint16 count, quint16 start);
    void Finish(int state, ReadProblem problem, const QString& detail, qint64 nowUs);
    void ShowProgress();

    TModbusTransaction m_transaction{};
    std::vector<quint16> m_readBuffer;
    TMbapFramer m_framer;
    TReadTransport* m_transport = nullptr;
    StationReadRequest m_request;
    bool m_running = false;
    bool m_alongside = false;
    int m_state = ReadIdle;
    int m_registerIndex = 0;
    quint16 m_requestStart = 0;
    quint16 m_requestCount = 0;
    qint64 m_startUs = 0;
    qint64 m_lastPollUs = 0;
    qint64 m_lastByteUs = 0;
    qint64 m_interFrameUs = 0;
    bool m_anyByte = false;
    bool m_awaitingReply = false; // a request is out and its answer not yet taken
    int m_sendsOfRequest = 0;     // times the current request has been written
    qint64 m_lastSendUs = 0;
    // RTU: no request goes out before this time (answers to earlier sends may still come).
    qint64 m_holdUntilUs = 0;
    bool m_badHeader = false;
    // The cause that ends the read when the retries run out.
    ReadProblem m_exhaustProblem = ReadProblem::NoAnswer;
    QString m_exhaustDetail;
    StationReadOutcome m_outcome;
    int m_shownState = ReadIdle - 100;
    int m_shownIndex = -1;
};
