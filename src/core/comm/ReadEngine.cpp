#include "ReadEngine.h"

#include "ReadTexts.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

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

int ProblemTextId(ReadProblem problem)
{
    switch (problem) {
    case ReadProblem::None:
        return 0;
    case ReadProblem::Busy:
        return StrId::ReadBusy;
    case ReadProblem::BaudRefused:
        return StrId::ReadBaudRefused;
    case ReadProblem::PortUnavailable:
        return StrId::ReadPortUnavailable;
    case ReadProblem::BadAddress:
        return StrId::ReadBadAddress;
    case ReadProblem::ConnectFailed:
        return StrId::ReadConnectFailed;
    case ReadProblem::ConnectionClosed:
        return StrId::ReadConnectionClosed;
    case ReadProblem::NoAnswer:
        return StrId::ReadNoAnswer;
    case ReadProblem::DeviceException:
        return StrId::ReadDeviceException;
    case ReadProblem::ReplyMismatch:
        return StrId::ReadReplyMismatch;
    case ReadProblem::BadTcpHeader:
        return StrId::ReadBadTcpHeader;
    case ReadProblem::Cancelled:
        return StrId::ReadCancelled;
    case ReadProblem::RegisterFileMissing:
        return StrId::RegisterFileMissing;
    case ReadProblem::RegisterFileSize:
        return StrId::RegisterFileWrongSize;
    case ReadProblem::NoSuchChannelType:
        return StrId::ReadNoSuchChannelType;
    }
    return 0;
}

QString Detail(ReadProblem problem, const QStringList& args = {})
{
    return FormatLangText(GetLangString(ProblemTextId(problem)), args);
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
    std::fill(m_readBuffer.begin(), m_readBuffer.end(), quint16(0));
    m_framer.Clear();
    m_outcome = StationReadOutcome();
    m_startUs = m_lastPollUs = nowUs;
    m_lastByteUs = 0;
    m_anyByte = false;
    m_awaitingReply = false;
    m_sendsOfRequest = 0;
    m_lastSendUs = 0;
    m_holdUntilUs = 0;
    m_badHeader = false;
    m_exhaustProblem = ReadProblem::NoAnswer;
    m_exhaustDetail.clear();
    m_state = ReadIdentifying;
    m_registerIndex = 0;

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
    ShowProgress();
    return true;
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
    if (IsRtu())
        ReceiveRtu(nowUs);
    else
        ReceiveTcp();
    if (m_transaction.ReplyComplete) {
        ProcessReply();
        m_transaction.ReceiveLength = 0;
        m_transaction.ReplyComplete = false;
        if (!m_running)
            return;
    }
    CountDownResponse(elapsedUs);
    Dispatch(nowUs);
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
        Finish(ReadFailed, problem, Detail(problem, {where, m_transport->ErrorText()}), nowUs);
        return;
    }
    if (!m_anyByte && nowUs - m_startUs >= kNoByteTimeoutUs) {
        Finish(ReadFailed, ReadProblem::NoAnswer, Detail(ReadProblem::NoAnswer), nowUs);
        return;
    }
    ShowProgress();
}

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
        if (expected > 0 && t.ReceiveLength == expected &&
            RtuReplyCrcOk(t.ReceiveArea, t.ReceiveLength))
            t.ReplyComplete = true;
    } else if (t.ReceiveLength > 0) {
        t.SilenceUs = nowUs - m_lastByteUs;
        if (t.SilenceUs >= t.GapUs)
            t.ReplyComplete = true;
    }
}

void TStationReadEngine::ReceiveTcp()
{
    TModbusTransaction& t = m_transaction;
    char scratch[kModbusAreaSize];
    int n;
    while ((n = m_transport->Take(scratch, kModbusAreaSize)) > 0) {
        m_anyByte = true;
        m_framer.Append(scratch, n);
    }
    QByteArray frame;
    switch (m_framer.Next(frame)) {
    case TMbapFramer::NeedMore:
        break;
    case TMbapFramer::Frame:
        if (!m_awaitingReply)
            break; // nothing was asked: a late answer to an earlier request
        std::memcpy(t.ReceiveArea, frame.constData(), size_t(frame.size()));
        t.ReceiveLength = qint32(frame.size());
        t.ReplyComplete = true;
        break;
    case TMbapFramer::BadHeader:
        m_badHeader = true;
        t.ReceiveLength = 0;
        t.ReplyComplete = true;
        break;
    }
}

void TStationReadEngine::CountDownResponse(qint64 elapsedUs)
{
    TModbusTransaction& t = m_transaction;
    if (t.ResponseCountdownUs <= 0)
        return;
    t.ResponseCountdownUs = qMax<qint64>(0, t.ResponseCountdownUs - elapsedUs);
    if (t.ResponseCountdownUs > 0)
        return;
    m_awaitingReply = false;
    if (t.RetryCount < t.MaxRetries) {
        t.ResendPending = true;
        ++t.RetryCount;
    } else {
        t.SendPending = true;
        t.RetriesExhausted = true;
    }
}

bool TStationReadEngine::CanSendNow(qint64 nowUs) const
{
    if (!m_transport->IsReady())
        return false;
    if (!IsRtu())
        return true;
    return nowUs >= m_holdUntilUs && (!m_anyByte || nowUs - m_lastByteUs >= m_interFrameUs);
}

void TStationReadEngine::Dispatch(qint64 nowUs)
{
    TModbusTransaction& t = m_transaction;
    if (!(t.SendPending || t.ResendPending) || !CanSendNow(nowUs))
        return;
    // One request goes out even when a resend and a new request fall together: two copies
    // would make the second reply pass for the answer to the next request.
    SendRequest(nowUs, t.ResendPending && !t.SendPending);
    t.SendPending = false;
    t.ResendPending = false;
}

void TStationReadEngine::SendRequest(qint64 nowUs, bool resend)
{
    TModbusTransaction& t = m_transaction;
    if (IsRtu()) {
        // Whatever is still queued is a late answer to an earlier request.
        char scratch[kModbusAreaSize];
        while (m_transport->Take(scratch, kModbusAreaSize) > 0) {
        }
        t.ReceiveLength = 0;
        m_transport->Write(reinterpret_cast<const char*>(t.SendArea), t.SendLength);
    } else {
        const QByteArray frame = BuildTcpRequest(t);
        m_transport->Write(frame.constData(), int(frame.size()));
    }
    m_awaitingReply = true;
    ++m_sendsOfRequest;
    m_lastSendUs = nowUs;
    ++m_outcome.requestsWritten;
    if (resend)
        ++m_outcome.resends;
    t.ResponseCountdownUs = ResponseTimeUs();
}

qint64 TStationReadEngine::ResponseTimeUs() const
{
    const TModbusTransaction& t = m_transaction;
    const quint32 sendTime = quint32(t.ByteTime * quint32(t.SendLength)) >> 16;
    return (qint64(sendTime) + t.BaseTimeout + 1) * 1000;
}

void TStationReadEngine::ProcessReply()
{
    TModbusTransaction& t = m_transaction;
    if (m_badHeader) {
        m_badHeader = false;
        ReplyCheck none;
        RejectReply(none, ReadProblem::BadTcpHeader);
        return;
    }
    if (IsRtu() && !RtuReplyCrcOk(t.ReceiveArea, t.ReceiveLength))
        return; // ignored; the response timeout stays armed
    t.ResponseCountdownUs = 0;
    m_awaitingReply = false;
    // An RTU answer carries nothing that ties it to one send. When the request went out more
    // than once, the device may still answer the other sends; the next request waits one
    // response time after the last send, so such an answer is dropped, not taken for it.
    if (IsRtu() && m_sendsOfRequest > 1)
        m_holdUntilUs = m_lastSendUs + ResponseTimeUs();
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
        RequestBlock(kBlockCount, 0);
    } else if (m_state == ReadBlocks) {
        for (int i = 0; i < kBlockCount; ++i)
            m_readBuffer[size_t(m_registerIndex + i)] = ReplyRegister(t, i);
        m_registerIndex += kBlockCount;
        if (m_registerIndex < kRegisterCount) {
            RequestBlock(kBlockCount, quint16(m_registerIndex));
        } else {
            m_registerIndex = 0;
            Finish(ReadDone, ReadProblem::None, QString(), m_lastPollUs);
            return;
        }
    }
    ShowProgress();
}

void TStationReadEngine::RejectReply(const ReplyCheck& check, ReadProblem problem)
{
    TModbusTransaction& t = m_transaction;
    t.ResponseCountdownUs = 0;
    m_awaitingReply = false;
    m_outcome.failedRegister = m_requestStart;
    if (problem == ReadProblem::DeviceException) {
        m_outcome.exceptionCode = check.exceptionCode;
        m_exhaustDetail = Detail(
            problem, {QString::number(m_requestStart), QString::number(check.exceptionCode)});
    } else if (problem == ReadProblem::ReplyMismatch) {
        m_exhaustDetail =
            Detail(problem, {QString::number(m_requestStart), QString::number(check.function),
                             QString::number(check.byteCount)});
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
    if (state == ReadDone) {
        QByteArray image(kRegisterImageSize, Qt::Uninitialized);
        auto* bytes = reinterpret_cast<quint8*>(image.data());
        for (int n = 0; n < kRegisterCount; ++n) {
            bytes[2 * n] = quint8(m_readBuffer[size_t(n)] & 0xFF);
            bytes[2 * n + 1] = quint8(m_readBuffer[size_t(n)] >> 8);
        }
        m_outcome.image = image;
    }
    if (state == ReadDone || state == ReadFailed || state == ReadWrongModel) {
        m_outcome.messageId = state == ReadDone     ? StrId::ReadDone
                              : state == ReadFailed ? StrId::ReadFailed
                                                    : StrId::ReadWrongModel;
    } else {
        m_outcome.messageId = ProblemTextId(problem);
    }
    m_outcome.message = ProgressText(state, m_registerIndex);
    if (!detail.isEmpty())
        m_outcome.message =
            m_outcome.message.isEmpty() ? detail : m_outcome.message + u'\n' + detail;
    m_shownState = state;
    m_shownIndex = m_registerIndex;
    emit Progress(state, ProgressPercent(state, m_registerIndex), m_outcome.message);
    emit Finished(m_outcome);
}

void TStationReadEngine::ShowProgress()
{
    if (m_shownState == m_state && m_shownIndex == m_registerIndex)
        return;
    m_shownState = m_state;
    m_shownIndex = m_registerIndex;
    emit Progress(m_state, ProgressPercent(m_state, m_registerIndex),
                  ProgressText(m_state, m_registerIndex));
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

int TStationReadEngine::ProgressPercent(int state, int registerIndex)
{
    if (state == ReadDone)
        return 100;
    if (state == ReadBlocks)
        return registerIndex * 100 / kRegisterCount;
    return 0;
}
