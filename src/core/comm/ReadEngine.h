#pragma once

#include "KivModbus.h"
#include "ReadPlan.h"
#include "ReadTransport.h"
#include "StationRead.h"

#include <QObject>

#include <deque>
#include <vector>

// The station read as a state machine without windows or timers: one identify request for
// register 0xFF80, then the block requests of the read's plan (by default 1,024 requests of 64
// registers, one outstanding at a time). The caller owns the transport and the clock: it calls
// Poll with the current monotonic time whenever bytes arrive and at least every 10 ms, and
// earlier when NextWakeUs asks for it. Progress and the outcome leave only through the two
// signals. One read runs in the whole process at a time; a second Start is refused, except
// between reads marked to run alongside others (SetAlongside).
//
// The request's options change the plan: only the blocks holding the registers asked for,
// up to 125 registers a request, and on TCP up to 16 requests outstanding at once. A device
// or gateway may answer the requests outstanding in any order.
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
    // Advances the read to nowUs: takes the bytes that arrived, handles complete replies,
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
    // First register of the next block whose reply is awaited; 0 outside ReadBlocks.
    int RegisterIndex() const { return m_registerIndex; }
    const TModbusTransaction& Transaction() const { return m_transaction; }

    static bool AnyReadRunning();
    static StationReadOutcome BusyOutcome();
    // The window text of a state.
    static QString ProgressText(int state, int registerIndex);

signals:
    void Progress(int state, int percent, const QString& text);
    void Finished(const StationReadOutcome& outcome);

private:
    // A TCP request written and not yet answered.
    struct Outstanding {
        quint16 transactionId;
        TBlockRequest block;
    };

    bool IsRtu() const;
    int Window() const { return IsRtu() ? 1 : m_options.InFlight; }
    void ConfigureTiming(const StationReadRequest& request);
    void PlanRead(const StationReadRequest& request);
    // RTU
    void ReceiveRtu(qint64 nowUs);
    void DispatchRtu(qint64 nowUs);
    bool CanSendNow(qint64 nowUs) const;
    void NoteLineBusy(qint64 nowUs);
    void SendRtuRequest(qint64 nowUs, bool resend);
    // TCP
    void ReceiveTcp();
    void TakeTcpFrames();
    void HandleTcpFrame(const TMbapFrame& frame);
    void TakeTcpReply(std::deque<Outstanding>::iterator asked, const QByteArray& reply);
    // Whether the request that carried id was answered before with another reply.
    bool AnsweredOtherwise(quint16 id, const QByteArray& reply) const;
    void DropStrayFrame();
    void DispatchTcp(qint64 nowUs);
    bool HasTcpRequestToWrite() const;
    void WriteTcpRequest(const TBlockRequest& block, qint64 nowUs);

    void CountDownResponse(qint64 elapsedUs, qint64 nowUs);
    bool ReplyStillArriving(qint64 nowUs) const;
    // How long a request for count registers written now may go unanswered.
    qint64 ResponseTimeUs(int count) const;
    // The whole read may take no longer than this: the no-byte wait, then every request of
    // the plan and every resend at its full response time.
    qint64 ReadDeadlineUs() const;
    void ProcessReply();
    void StoreBlock();
    // After the identify reply or a block reply: the next block is asked for, or the read
    // is done.
    void AdvancePlan();
    bool PlanFollowUp();
    void RejectReply(const ReplyCheck& check, ReadProblem problem);
    void RequestBlock(quint16 count, quint16 start);
    void Finish(int state, ReadProblem problem, const QString& detail, qint64 nowUs);
    QByteArray BufferImage() const;
    int ProgressPercent() const;
    void ShowProgress();

    TModbusTransaction m_transaction{};
    std::vector<quint16> m_readBuffer;
    TMbapFramer m_framer;
    TReadTransport* m_transport = nullptr;
    StationReadRequest m_request;
    TReadOptions m_options;
    bool m_running = false;
    bool m_alongside = false;
    int m_state = ReadIdle;
    int m_registerIndex = 0;
    // The plan: block requests in the order they are asked and answered.
    std::vector<TBlockRequest> m_plan;
    size_t m_nextPlan = 0;       // next block to build (RTU) or write (TCP)
    size_t m_answeredBlocks = 0; // blocks answered, in plan order
    TRegisterSet m_planned;      // registers the plan reads
    qint64 m_plannedRegisters = 0;
    qint64 m_answeredRegisters = 0;
    bool m_followUpAsked = false;
    quint16 m_requestStart = 0; // the request a reply answers now
    quint16 m_requestCount = 0;
    qint64 m_startUs = 0;
    qint64 m_lastPollUs = 0;
    qint64 m_lastByteUs = 0;
    qint64 m_interFrameUs = 0;
    qint64 m_deadlineUs = 0;
    bool m_anyByte = false;
    // RTU
    bool m_awaitingReply = false; // a request is out and its answer not yet taken
    int m_sendsOfRequest = 0;     // times the current request has been written
    qint64 m_lastSendUs = 0;
    // No request goes out before this time (answers to earlier sends may still come).
    qint64 m_holdUntilUs = 0;
    qint64 m_lineBusySinceUs = -1; // a request has waited for silence since then
    bool m_replyTimeGiven = false; // the response time was stretched for a reply under way
    // TCP
    std::deque<Outstanding> m_outstanding; // in the order written
    // By transaction identifier: a hash of the reply taken for that request, which tells a
    // stale duplicate from a reply under an identifier the device repeated.
    std::vector<size_t> m_replyHashes;
    bool m_identifyWritten = false;
    quint16 m_nextTransactionId = 0;
    int m_strayFrames = 0;
    // The cause that ends the read when the retries run out.
    ReadProblem m_exhaustProblem = ReadProblem::NoAnswer;
    QString m_exhaustDetail;
    StationReadOutcome m_outcome;
    int m_shownState = ReadIdle - 100;
    int m_shownIndex = -1;
};
