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
// process at a time; a second Start is refused.
//
// Only answers to what was asked are taken: on TCP each request carries its own transaction
// identifier and only the frame echoing it and the unit is its reply; on RTU bytes that
// arrive while no request is outstanding are dropped. Every buffer is bounded, a line that
// never falls silent ends the read, and the read as a whole has a deadline that follows from
// its request count and response timeouts.
class TStationReadEngine : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kNoByteTimeoutUs = 6'000'000;
    static constexpr int kRtuMaxRetries = 6;
    // Frames on TCP that answer nothing asked (duplicates, replies sent ahead) are dropped; a
    // device that sends more of them than this in one read is not trusted at all.
    static constexpr int kMaxStrayFrames = 16;
    // Bytes taken from the transport in one Poll, so a device that sends without pause
    // cannot hold the caller.
    static constexpr int kMaxBytesPerPoll = 16 * kModbusAreaSize;

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
    void TakeTcpFrames();
    bool AnswersOutstandingRequest(const TMbapFrame& frame) const;
    void DropStrayFrame();
    void NoteLineBusy(qint64 nowUs);
    // The whole read may take no longer than this: the no-byte wait, then every planned
    // request and every resend at its full response time.
    qint64 ReadDeadlineUs(qint64 startUs) const;
    void CountDownResponse(qint64 elapsedUs);
    void Dispatch(qint64 nowUs);
    bool CanSendNow(qint64 nowUs) const;
    void SendRequest(qint64 nowUs, bool resend);
    // How long a request written now may go unanswered.
    qint64 ResponseTimeUs() const { return ResponseTimeUs(m_transaction.SendLength); }
    qint64 ResponseTimeUs(qint32 sendLength) const;
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
    quint16 m_nextTransactionId = 0;
    quint16 m_requestTransactionId = 0; // TCP: identifier of the outstanding request
    int m_strayFrames = 0;
    qint64 m_lineBusySinceUs = -1; // RTU: a request has waited for silence since then
    qint64 m_deadlineUs = 0;
    // The cause that ends the read when the retries run out.
    ReadProblem m_exhaustProblem = ReadProblem::NoAnswer;
    QString m_exhaustDetail;
    StationReadOutcome m_outcome;
    int m_shownState = ReadIdle - 100;
    int m_shownIndex = -1;
};
