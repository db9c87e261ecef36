#include "ReadEngine.h"

#include "ReadTexts.h"
#include "lang/KivLanRes.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"

#include <QHashFunctions>

#include <algorithm>
#include <cstring>

namespace
{

int g_runningReads = 0;
int g_alongsideReads = 0; // of g_runningReads, those marked to run alongside others

constexpr qint32 kRtuBaseTimeoutMs = 500;
constexpr qint32 kTcpBaseTimeoutMs = 6000;
constexpr qint64 kRtuGapUs = 25'000;
constexpr qint64 kTcpGapUs = 10'000;
constexpr quint32 kTcpByteTime = 65;
constexpr qint64 kMinInterFrameUs = 1750;

QString Detail(ReadProblem problem, const QStringList& args = {})
{
    return FormatLangText(GetLangString(ReadProblemTextId(problem)), args);
}

QString Number(qint64 n)
{
    return QString::number(n);
}

} // namespace

TStationReadEngine::TStationReadEngine(QObject* parent)
    : QObject(parent), m_readBuffer(kRegisterCount, 0)
{
}

TStationReadEngine::~TStationReadEngine()
{
    if (m_running) {
        m_running = false;
        --g_runningReads;
        g_alongsideReads -= m_alongside ? 1 : 0;
        m_transport->Close();
    }
}

bool TStationReadEngine::AnyReadRunning()
{
    return g_runningReads > 0;
}

bool TStationReadEngine::CanStart(bool alongside)
{
    return alongside ? g_runningReads == g_alongsideReads : g_runningReads == 0;
}

StationReadOutcome TStationReadEngine::BusyOutcome()
{
    StationReadOutcome outcome;
    outcome.state = ReadFailed;
    outcome.problem = ReadProblem::Busy;
    outcome.messageId = StrId::ReadBusy;
    outcome.message = Detail(ReadProblem::Busy);
    return outcome;
}

bool TStationReadEngine::IsRtu() const
{
    return m_transport->Kind() == TReadTransport::Framing::Rtu;
}

bool TStationReadEngine::Start(const StationReadRequest& request, TReadTransport& transport,
                               qint64 nowUs)
{
    if (m_running || !CanStart(m_alongside))
        return false;
    m_running = true;
    ++g_runningReads;
    g_alongsideReads += m_alongside ? 1 : 0;
    m_transport = &transport;
    m_request = request;
    std::memset(&m_transaction, 0, sizeof m_transaction);
    m_framer.Clear();
    m_outcome = StationReadOutcome();
    m_startUs = m_lastPollUs = nowUs;
    m_lastByteUs = 0;
    m_anyByte = false;
    m_awaitingReply = false;
    m_sendsOfRequest = 0;
    m_lastSendUs = 0;
    m_holdUntilUs = 0;
    m_lineBusySinceUs = -1;
    m_outstanding.clear();
    m_replyHashes.clear();
    m_identifyWritten = false;
    m_nextTransactionId = 1;
    m_strayFrames = 0;
    m_exhaustProblem = ReadProblem::NoAnswer;
    m_exhaustDetail.clear();
    m_state = ReadIdentifying;
    m_registerIndex = 0;
    PlanRead(request);

    if (IsRtu() && request.line.Baudrate <= 0) {
        Finish(ReadFailed, ReadProblem::BaudRefused,
               Detail(ReadProblem::BaudRefused,
                      {request.line.UartPort, QString::number(request.line.Baudrate)}),
               nowUs);
        return true;
    }
    ConfigureTiming(request);
    if (!transport.Open()) {
        const ReadProblem problem = transport.Problem();
        QStringList args;
        if (problem == ReadProblem::BaudRefused)
            args = {request.line.UartPort, QString::number(request.line.Baudrate)};
        else if (problem == ReadProblem::BadAddress)
            args = {request.address};
        else
            args = {request.line.UartPort, transport.ErrorText()};
        Finish(ReadFailed, problem, Detail(problem, args), nowUs);
        return true;
    }
    RequestBlock(kIdentifyCount, kIdentifyRegister);
    m_deadlineUs = ReadDeadlineUs();
    ShowProgress();
    return true;
}

void TStationReadEngine::PlanRead(const StationReadRequest& request)
{
    m_options = request.options.Usable();
    m_plan = PlanBlockRequests(request.registers ? *request.registers : TRegisterSet::All(),
                               m_options.BlockRegisters);
    m_planned = RegistersOf(m_plan);
    m_plannedRegisters = m_planned.Count();
    m_answeredRegisters = 0;
    m_nextPlan = 0;
    m_answeredBlocks = 0;
    m_followUpAsked = false;
    // Registers left out keep what the station held; a full read replaces every one.
    const QByteArray& base = request.baseImage;
    if (request.registers && base.size() == kRegisterImageSize) {
        const auto* bytes = reinterpret_cast<const quint8*>(base.constData());
        for (int n = 0; n < kRegisterCount; ++n)
            m_readBuffer[size_t(n)] = quint16(bytes[2 * n] | bytes[2 * n + 1] << 8);
    } else {
        std::fill(m_readBuffer.begin(), m_readBuffer.end(), quint16(0));
    }
}

void TStationReadEngine::ConfigureTiming(const StationReadRequest& request)
{
    TModbusTransaction& t = m_transaction;
    if (IsRtu()) {
        const qint64 baud = request.line.Baudrate;
        t.ByteTime = quint32(655'360'000u / quint32(baud));
        t.BaseTimeout = kRtuBaseTimeoutMs;
        t.GapUs = kRtuGapUs;
        t.MaxRetries = kRtuMaxRetries;
        // Modbus asks for 3.5 character times of silence between frames, at least 1.75 ms.
        const int bitsPerChar = 1 + (request.line.DataBits + 5) + (request.line.Parity ? 1 : 0) +
                                (request.line.StopBit ? 2 : 1);
        m_interFrameUs = qMax(kMinInterFrameUs, qint64(3.5 * bitsPerChar * 1e6 / double(baud)));
    } else {
        t.ByteTime = kTcpByteTime;
        t.BaseTimeout = kTcpBaseTimeoutMs;
        t.GapUs = kTcpGapUs;
        t.MaxRetries = 0;
        m_interFrameUs = 0;
    }
}

qint64 TStationReadEngine::ReadDeadlineUs() const
{
    const qint64 sends =
        qint64(m_plan.size()) + 1 + m_transaction.MaxRetries + 1; // plan, identify, resends
    return m_startUs + kNoByteTimeoutUs + sends * ResponseTimeUs(m_options.BlockRegisters);
}

void TStationReadEngine::RequestBlock(quint16 count, quint16 start)
{
    m_requestStart = start;
    m_requestCount = count;
    m_sendsOfRequest = 0;
    BuildReadRequest(m_transaction, quint8(m_request.stationNum & 0xFF), count, start);
}

void TStationReadEngine::Poll(qint64 nowUs)
{
    if (!m_running)
        return;
    const qint64 elapsedUs = qMax<qint64>(0, nowUs - m_lastPollUs);
    m_lastPollUs = nowUs;

    // Bytes first: a reply that is there must win over a timeout that runs out now.
    if (IsRtu()) {
        ReceiveRtu(nowUs);
        if (m_transaction.ReplyComplete) {
            ProcessReply();
            m_transaction.ReceiveLength = 0;
            m_transaction.ReplyComplete = false;
        }
    } else {
        ReceiveTcp();
    }
    if (!m_running)
        return;
    CountDownResponse(elapsedUs, nowUs);
    if (IsRtu())
        DispatchRtu(nowUs);
    else
        DispatchTcp(nowUs);
    if (!m_running)
        return;
    if (m_transaction.RetriesExhausted && !m_transaction.SendPending) {
        Finish(ReadFailed, m_exhaustProblem,
               m_exhaustDetail.isEmpty() ? Detail(ReadProblem::NoAnswer) : m_exhaustDetail, nowUs);
        return;
    }
    if (m_transport->Problem() != ReadProblem::None) {
        const ReadProblem problem = m_transport->Problem();
        const QString where = IsRtu() ? m_request.line.UartPort : m_request.address;
        QString detail = Detail(problem, {where, m_transport->ErrorText()});
        if (problem == ReadProblem::ConnectionClosed && Window() > 1)
            detail +=
                u'\n' + FormatLangText(GetLangString(StrId::ReadInFlightHint), {Number(Window())});
        Finish(ReadFailed, problem, detail, nowUs);
        return;
    }
    if (!m_anyByte && nowUs - m_startUs >= kNoByteTimeoutUs) {
        Finish(ReadFailed, ReadProblem::NoAnswer, Detail(ReadProblem::NoAnswer), nowUs);
        return;
    }
    if (nowUs >= m_deadlineUs) {
        const qint64 seconds = (m_deadlineUs - m_startUs + 999'999) / 1'000'000;
        Finish(ReadFailed, ReadProblem::Overtime,
               Detail(ReadProblem::Overtime, {Number(seconds), Number(qint64(m_plan.size()) + 1)}),
               nowUs);
        return;
    }
    ShowProgress();
}

// ---- RTU --------------------------------------------------------------------------------------

void TStationReadEngine::ReceiveRtu(qint64 nowUs)
{
    TModbusTransaction& t = m_transaction;
    char scratch[kModbusAreaSize];
    const int n = m_transport->Take(scratch, kModbusAreaSize);
    if (n >= 1) {
        m_anyByte = true;
        m_lastByteUs = nowUs;
        t.SilenceUs = 0;
        if (!m_awaitingReply) {
            t.ReceiveLength = 0; // nothing was asked: a late answer to an earlier request
            return;
        }
        if (t.ReceiveLength + n > kModbusAreaSize) {
            t.ReceiveLength = 0;
            return;
        }
        std::memcpy(t.ReceiveArea + t.ReceiveLength, scratch, size_t(n));
        t.ReceiveLength += n;
        const int expected = ExpectedRtuReplyLength(t.ReceiveArea, t.ReceiveLength);
        if (expected > 0 && t.ReceiveLength >= expected && RtuReplyCrcOk(t.ReceiveArea, expected)) {
            // Bytes behind a whole reply answer nothing that was asked.
            t.ReceiveLength = expected;
            t.ReplyComplete = true;
        }
    } else if (t.ReceiveLength > 0) {
        t.SilenceUs = nowUs - m_lastByteUs;
        if (t.SilenceUs >= t.GapUs)
            t.ReplyComplete = true;
    }
}

bool TStationReadEngine::CanSendNow(qint64 nowUs) const
{
    if (!m_transport->IsReady())
        return false;
    return nowUs >= m_holdUntilUs && (!m_anyByte || nowUs - m_lastByteUs >= m_interFrameUs);
}

void TStationReadEngine::DispatchRtu(qint64 nowUs)
{
    TModbusTransaction& t = m_transaction;
    if (!(t.SendPending || t.ResendPending)) {
        m_lineBusySinceUs = -1;
        return;
    }
    if (!CanSendNow(nowUs)) {
        NoteLineBusy(nowUs);
        return;
    }
    m_lineBusySinceUs = -1;
    // One request goes out even when a resend and a new request fall together: two copies
    // would make the second reply pass for the answer to the next request.
    SendRtuRequest(nowUs, t.ResendPending && !t.SendPending);
    t.SendPending = false;
    t.ResendPending = false;
}

// A request waits for the line to be silent. When a device keeps sending for longer than a
// request may go unanswered, no request can go out at all.
void TStationReadEngine::NoteLineBusy(qint64 nowUs)
{
    if (!m_transport->IsReady() || nowUs < m_holdUntilUs)
        return;
    if (m_lineBusySinceUs < 0) {
        m_lineBusySinceUs = nowUs;
        return;
    }
    if (nowUs - m_lineBusySinceUs >= ResponseTimeUs(m_requestCount))
        Finish(ReadFailed, ReadProblem::LineBusy, Detail(ReadProblem::LineBusy), nowUs);
}

bool TStationReadEngine::ReplyStillArriving(qint64 nowUs) const
{
    return IsRtu() && m_awaitingReply && m_transaction.ReceiveLength > 0 &&
           nowUs - m_lastByteUs < m_transaction.GapUs;
}

void TStationReadEngine::SendRtuRequest(qint64 nowUs, bool resend)
{
    TModbusTransaction& t = m_transaction;
    // Whatever is still queued is a late answer to an earlier request.
    char scratch[kModbusAreaSize];
    for (int taken = 0; taken < kMaxBytesPerPoll;) {
        const int n = m_transport->Take(scratch, kModbusAreaSize);
        if (n <= 0)
            break;
        taken += n;
    }
    t.ReceiveLength = 0;
    m_transport->Write(reinterpret_cast<const char*>(t.SendArea), t.SendLength);
    m_awaitingReply = true;
    m_replyTimeGiven = false;
    ++m_sendsOfRequest;
    m_lastSendUs = nowUs;
    ++m_outcome.requestsWritten;
    if (resend)
        ++m_outcome.resends;
    t.ResponseCountdownUs = ResponseTimeUs(m_requestCount);
}

// ---- TCP --------------------------------------------------------------------------------------

void TStationReadEngine::ReceiveTcp()
{
    char scratch[kModbusAreaSize];
    int taken = 0;
    int n;
    // Frames are taken out as the bytes come, so the framer never holds more than one
    // unfinished frame beyond a receive.
    while (m_running && taken < kMaxBytesPerPoll &&
           (n = m_transport->Take(scratch, kModbusAreaSize)) > 0) {
        taken += n;
        m_anyByte = true;
        m_framer.Append(scratch, n);
        TakeTcpFrames();
    }
}

void TStationReadEngine::TakeTcpFrames()
{
    TMbapFrame frame;
    while (m_running) {
        switch (m_framer.Next(frame)) {
        case TMbapFramer::NeedMore:
            return;
        case TMbapFramer::BadHeader:
            if (!m_outstanding.empty())
                m_requestStart = m_outstanding.front().block.start;
            RejectReply(ReplyCheck(), ReadProblem::BadTcpHeader);
            return;
        case TMbapFramer::Frame:
            HandleTcpFrame(frame);
            break;
        }
    }
}

// Replies may come in any order: the frame carrying the identifier of a request outstanding
// and the unit is its reply, and is checked against that request. A frame repeating the
// identifier of a request answered before is a stale duplicate when it is the same reply
// again; with other contents the device mixes up requests in flight. Anything else answers
// nothing asked and is dropped.
void TStationReadEngine::HandleTcpFrame(const TMbapFrame& frame)
{
    const quint8 unit = quint8(m_request.stationNum & 0xFF);
    if (frame.unitAndPdu.isEmpty() || quint8(frame.unitAndPdu[0]) != unit) {
        DropStrayFrame();
        return;
    }
    const quint16 id = frame.transactionId;
    const auto asked = std::find_if(m_outstanding.begin(), m_outstanding.end(),
                                    [id](const Outstanding& o) { return o.transactionId == id; });
    if (asked != m_outstanding.end()) {
        TakeTcpReply(asked, frame.unitAndPdu);
        return;
    }
    if (Window() > 1 && AnsweredOtherwise(id, frame.unitAndPdu)) {
        Finish(ReadFailed, ReadProblem::RepeatedTransaction,
               Detail(ReadProblem::RepeatedTransaction, {Number(id)}), m_lastPollUs);
        return;
    }
    DropStrayFrame();
}

void TStationReadEngine::TakeTcpReply(std::deque<Outstanding>::iterator asked,
                                      const QByteArray& reply)
{
    TModbusTransaction& t = m_transaction;
    // The oldest request's response time runs on while later ones are answered; when it is
    // answered itself, the next oldest gets a response time of its own.
    const bool oldest = asked == m_outstanding.begin();
    const qint64 oldestLeftUs = t.ResponseCountdownUs;
    const Outstanding answered = *asked;
    m_outstanding.erase(asked);
    m_replyHashes[answered.transactionId] = qHash(reply);
    m_requestStart = answered.block.start;
    m_requestCount = answered.block.count;
    std::memcpy(t.ReceiveArea, reply.constData(), size_t(reply.size()));
    t.ReceiveLength = qint32(reply.size());
    ProcessReply();
    t.ReceiveLength = 0;
    if (!m_running || m_outstanding.empty())
        return;
    t.ResponseCountdownUs =
        oldest ? ResponseTimeUs(m_outstanding.front().block.count) : oldestLeftUs;
}

bool TStationReadEngine::AnsweredOtherwise(quint16 id, const QByteArray& reply) const
{
    // Every identifier written is outstanding until answered.
    const bool answered = id >= 1 && id < m_replyHashes.size();
    return answered && m_replyHashes[id] != qHash(reply);
}

void TStationReadEngine::DropStrayFrame()
{
    if (++m_strayFrames <= kMaxStrayFrames)
        return;
    Finish(ReadFailed, ReadProblem::UnaskedReplies, Detail(ReadProblem::UnaskedReplies),
           m_lastPollUs);
}

bool TStationReadEngine::HasTcpRequestToWrite() const
{
    if (int(m_outstanding.size()) >= Window())
        return false;
    if (m_state == ReadIdentifying)
        return !m_identifyWritten;
    return m_state == ReadBlocks && m_nextPlan < m_plan.size();
}

void TStationReadEngine::DispatchTcp(qint64 nowUs)
{
    TModbusTransaction& t = m_transaction;
    if (!m_transport->IsReady())
        return;
    if (t.RetriesExhausted) {
        // As on a serial line, the unanswered request goes out once more before the read ends.
        if (t.SendPending && !m_outstanding.empty())
            WriteTcpRequest(m_outstanding.front().block, nowUs);
        t.SendPending = false;
        return;
    }
    for (;;) {
        // Replies that came before a request was written cannot answer it.
        ReceiveTcp();
        if (!m_running || !HasTcpRequestToWrite())
            break;
        if (m_state == ReadIdentifying) {
            m_identifyWritten = true;
            WriteTcpRequest({kIdentifyRegister, kIdentifyCount}, nowUs);
        } else {
            WriteTcpRequest(m_plan[m_nextPlan++], nowUs);
        }
    }
    t.SendPending = false;
}

void TStationReadEngine::WriteTcpRequest(const TBlockRequest& block, qint64 nowUs)
{
    TModbusTransaction& t = m_transaction;
    BuildReadRequest(t, quint8(m_request.stationNum & 0xFF), block.count, block.start);
    const quint16 id = m_nextTransactionId++;
    if (m_replyHashes.size() <= id)
        m_replyHashes.resize(size_t(id) + 1);
    const QByteArray frame = BuildTcpRequest(t, id);
    m_transport->Write(frame.constData(), int(frame.size()));
    m_outstanding.push_back({id, block});
    if (m_outstanding.size() == 1)
        t.ResponseCountdownUs = ResponseTimeUs(block.count);
    m_lastSendUs = nowUs;
    ++m_outcome.requestsWritten;
}

// ---- Both -------------------------------------------------------------------------------------

void TStationReadEngine::CountDownResponse(qint64 elapsedUs, qint64 nowUs)
{
    TModbusTransaction& t = m_transaction;
    if (t.ResponseCountdownUs <= 0)
        return;
    t.ResponseCountdownUs = qMax<qint64>(0, t.ResponseCountdownUs - elapsedUs);
    if (t.ResponseCountdownUs > 0)
        return;
    // The response time counts the request's bytes only. On a slow line a reply can still be
    // coming in when it runs out (133 bytes take 554 ms at 2,400 baud): such a reply gets once
    // the time its bytes take.
    if (ReplyStillArriving(nowUs) && !m_replyTimeGiven) {
        m_replyTimeGiven = true;
        const quint64 replyBytes = 5 + 2 * quint64(m_requestCount);
        t.ResponseCountdownUs = qint64((quint64(t.ByteTime) * replyBytes) >> 16) * 1000 + t.GapUs;
        return;
    }
    m_awaitingReply = false;
    if (t.RetryCount < t.MaxRetries) {
        t.ResendPending = true;
        ++t.RetryCount;
    } else {
        t.SendPending = true;
        t.RetriesExhausted = true;
    }
}

qint64 TStationReadEngine::ResponseTimeUs(int count) const
{
    const TModbusTransaction& t = m_transaction;
    const quint32 sendTime = quint32(t.ByteTime * quint32(t.SendLength)) >> 16;
    // A reply longer than one of 64 registers is given the time its extra bytes take.
    const quint64 extraBytes = 2 * quint64(std::max(0, count - kBlockCount));
    const quint64 extraTime = (quint64(t.ByteTime) * extraBytes) >> 16;
    return (qint64(sendTime) + t.BaseTimeout + 1 + qint64(extraTime)) * 1000;
}

void TStationReadEngine::ProcessReply()
{
    TModbusTransaction& t = m_transaction;
    if (IsRtu() && !RtuReplyCrcOk(t.ReceiveArea, t.ReceiveLength))
        return; // ignored; the response timeout stays armed
    t.ResponseCountdownUs = 0;
    m_awaitingReply = false;
    // An RTU answer carries nothing that ties it to one send. When the request went out more
    // than once, the device may still answer the other sends; the next request waits one
    // response time after the last send, so such an answer is dropped, not taken for it.
    if (IsRtu() && m_sendsOfRequest > 1)
        m_holdUntilUs = m_lastSendUs + ResponseTimeUs(m_requestCount);
    const ReplyCheck check =
        CheckReadReply(t.ReceiveArea, t.ReceiveLength, m_requestCount, IsRtu());
    if (check.verdict != ReplyCheck::Valid) {
        RejectReply(check, check.verdict == ReplyCheck::Exception ? ReadProblem::DeviceException
                                                                  : ReadProblem::ReplyMismatch);
        return;
    }
    if (m_state == ReadIdentifying) {
        const quint16 model = ReplyRegister(t, 0);
        m_registerIndex = 0;
        if (quint32(model) != m_request.modelId) {
            Finish(ReadWrongModel, ReadProblem::None, QString(), m_lastPollUs);
            return;
        }
        m_state = ReadBlocks;
        AdvancePlan();
    } else if (m_state == ReadBlocks) {
        StoreBlock();
        AdvancePlan();
    }
    if (m_running)
        ShowProgress();
}

void TStationReadEngine::StoreBlock()
{
    for (int i = 0; i < m_requestCount; ++i)
        m_readBuffer[size_t(m_requestStart + i)] = ReplyRegister(m_transaction, i);
    m_answeredRegisters += m_requestCount;
    ++m_answeredBlocks;
}

void TStationReadEngine::AdvancePlan()
{
    if (m_answeredBlocks == m_plan.size() && !PlanFollowUp()) {
        m_registerIndex = 0;
        Finish(ReadDone, ReadProblem::None, QString(), m_lastPollUs);
        return;
    }
    if (IsRtu()) {
        m_registerIndex = m_plan[m_answeredBlocks].start;
        const TBlockRequest next = m_plan[m_nextPlan++];
        RequestBlock(next.count, next.start);
    } else {
        // The oldest request outstanding, or the next to be written when all are answered.
        m_registerIndex =
            m_outstanding.empty() ? m_plan[m_nextPlan].start : m_outstanding.front().block.start;
    }
}

// The first pass has read what the definitions name; the image it gave may show that more is
// needed (a log whose header counts slots beyond its definition).
bool TStationReadEngine::PlanFollowUp()
{
    if (!m_request.moreRegisters || m_followUpAsked)
        return false;
    m_followUpAsked = true;
    const std::vector<TBlockRequest> more = PlanBlockRequests(
        m_request.moreRegisters(BufferImage()), m_options.BlockRegisters, m_planned);
    if (more.empty())
        return false;
    m_plan.insert(m_plan.end(), more.begin(), more.end());
    const TRegisterSet added = RegistersOf(more);
    m_planned.Add(added);
    m_plannedRegisters += added.Count();
    m_deadlineUs += qint64(more.size()) * ResponseTimeUs(m_options.BlockRegisters);
    return true;
}

void TStationReadEngine::RejectReply(const ReplyCheck& check, ReadProblem problem)
{
    TModbusTransaction& t = m_transaction;
    t.ResponseCountdownUs = 0;
    m_awaitingReply = false;
    m_outcome.failedRegister = m_requestStart;
    const bool refusedBlock = problem == ReadProblem::DeviceException &&
                              m_requestCount > kBlockCount &&
                              (check.exceptionCode == 2 || check.exceptionCode == 3);
    if (refusedBlock) {
        problem = ReadProblem::BlockRefused;
        m_outcome.exceptionCode = check.exceptionCode;
        m_exhaustDetail = Detail(
            problem, {Number(m_requestCount), Number(m_requestStart), Number(check.exceptionCode)});
    } else if (problem == ReadProblem::DeviceException) {
        m_outcome.exceptionCode = check.exceptionCode;
        m_exhaustDetail = Detail(problem, {Number(m_requestStart), Number(check.exceptionCode)});
    } else if (problem == ReadProblem::ReplyMismatch) {
        m_exhaustDetail = Detail(
            problem, {Number(m_requestStart), Number(check.function), Number(check.byteCount)});
    } else {
        m_exhaustDetail = Detail(problem);
    }
    m_exhaustProblem = problem;
    if (t.RetryCount < t.MaxRetries) {
        ++t.RetryCount;
        t.ResendPending = true;
        return;
    }
    Finish(ReadFailed, problem, m_exhaustDetail, m_lastPollUs);
}

void TStationReadEngine::Cancel(qint64 nowUs)
{
    if (m_running)
        Finish(m_state, ReadProblem::Cancelled, Detail(ReadProblem::Cancelled), nowUs);
}

qint64 TStationReadEngine::NextWakeUs() const
{
    if (!m_running)
        return -1;
    const TModbusTransaction& t = m_transaction;
    qint64 wake = -1;
    auto consider = [&wake](qint64 at) { wake = wake < 0 ? at : qMin(wake, at); };
    if (m_framer.FrameWaiting())
        consider(m_lastPollUs);
    consider(m_deadlineUs);
    if ((t.SendPending || t.ResendPending) && IsRtu() && m_anyByte)
        consider(qMax(m_lastByteUs + m_interFrameUs, m_holdUntilUs));
    if (IsRtu() && t.ReceiveLength > 0)
        consider(m_lastByteUs + t.GapUs);
    if (t.ResponseCountdownUs > 0)
        consider(m_lastPollUs + t.ResponseCountdownUs);
    if (!m_anyByte)
        consider(m_startUs + kNoByteTimeoutUs);
    return wake;
}

QByteArray TStationReadEngine::BufferImage() const
{
    QByteArray image(kRegisterImageSize, Qt::Uninitialized);
    auto* bytes = reinterpret_cast<quint8*>(image.data());
    for (int n = 0; n < kRegisterCount; ++n) {
        bytes[2 * n] = quint8(m_readBuffer[size_t(n)] & 0xFF);
        bytes[2 * n + 1] = quint8(m_readBuffer[size_t(n)] >> 8);
    }
    return image;
}

void TStationReadEngine::Finish(int state, ReadProblem problem, const QString& detail, qint64 nowUs)
{
    m_running = false;
    --g_runningReads;
    g_alongsideReads -= m_alongside ? 1 : 0;
    m_transport->Close();
    m_state = state;
    m_outcome.state = state;
    m_outcome.problem = problem;
    m_outcome.durationMs = (nowUs - m_startUs) / 1000;
    if (state == ReadDone)
        m_outcome.image = BufferImage();
    if (state == ReadDone || state == ReadFailed || state == ReadWrongModel) {
        m_outcome.messageId = state == ReadDone     ? StrId::ReadDone
                              : state == ReadFailed ? StrId::ReadFailed
                                                    : StrId::ReadWrongModel;
    } else {
        m_outcome.messageId = ReadProblemTextId(problem);
    }
    m_outcome.message = ProgressText(state, m_registerIndex);
    if (!detail.isEmpty())
        m_outcome.message =
            m_outcome.message.isEmpty() ? detail : m_outcome.message + u'\n' + detail;
    m_shownState = state;
    m_shownIndex = m_registerIndex;
    emit Progress(state, ProgressPercent(), m_outcome.message);
    emit Finished(m_outcome);
}

int TStationReadEngine::ProgressPercent() const
{
    if (m_state == ReadDone)
        return 100;
    if (m_state != ReadBlocks || m_plannedRegisters == 0)
        return 0;
    return int(m_answeredRegisters * 100 / m_plannedRegisters);
}

void TStationReadEngine::ShowProgress()
{
    if (m_shownState == m_state && m_shownIndex == m_registerIndex)
        return;
    m_shownState = m_state;
    m_shownIndex = m_registerIndex;
    emit Progress(m_state, ProgressPercent(), ProgressText(m_state, m_registerIndex));
}

QString TStationReadEngine::ProgressText(int state, int registerIndex)
{
    switch (state) {
    case ReadDone:
        return GetLangString(StrId::ReadDone);
    case ReadIdentifying:
        return GetLangString(StrId::ReadIdentifying);
    case ReadBlocks:
        return FormatLangText(GetLangString(StrId::ReadReading), {QString::number(registerIndex)});
    case ReadFailed:
        return GetLangString(StrId::ReadFailed);
    case ReadWrongModel:
        return GetLangString(StrId::ReadWrongModel);
    default:
        return QString();
    }
}
