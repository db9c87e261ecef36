#include "KivStream.h"

#include "KivSaveFile.h"
#include "TamsorError.h"

#include <QFile>
#include <QtEndian>
#include <cstring>

namespace {

// Bytes a pulling stream keeps; reads at least half as large go straight to their destination.
constexpr qsizetype pullWindow = 8192;

} // namespace

[[noreturn]] void ThrowStreamReadError() { throw TamsorError(QStringLiteral("Stream read error")); }

// ---- TKivStream -------------------------------------------------------------------------------

TKivStream TKivStream::Measuring()
{
    TKivStream stream;
    stream.m_kind = Kind::Measuring;
    return stream;
}

TKivStream TKivStream::Forwarding(TKivStreamSink& sink, TKivStream&& measured)
{
    TKivStream stream;
    stream.m_kind = Kind::Forwarding;
    stream.m_sink = &sink;
    stream.m_lengthFields = std::move(measured.m_lengthFields);
    return stream;
}

TKivStream TKivStream::Pulling(TKivStreamSource& source, qsizetype limit)
{
    TKivStream stream;
    stream.m_kind = Kind::Pulling;
    stream.m_source = &source;
    stream.m_limit = limit;
    stream.m_data = QByteArray(pullWindow, Qt::Uninitialized);
    return stream;
}

void TKivStream::SetPosition(qsizetype position)
{
    position = qMax<qsizetype>(position, 0);
    if (m_kind != Kind::Pulling) {
        m_position = position;
        return;
    }
    const qsizetype offset = m_origin + position;
    if (offset >= m_position)
        SkipTo(offset);
    else if (offset >= m_heldStart)
        m_position = offset;
    else
        ThrowStreamReadError(); // those bytes are gone
}

bool TKivStream::Hold(qsizetype count)
{
    const qsizetype consumed = m_position - m_heldStart;
    const qsizetype held = m_held - consumed;
    if (held >= count)
        return true;
    if (consumed > 0 && held > 0)
        std::memmove(m_data.data(), m_data.constData() + consumed, size_t(held));
    m_heldStart = m_position;
    m_held = held;
    if (m_data.size() < count)
        m_data.resize(count);
    while (m_held < count) {
        const qsizetype pulled = m_source->Pull(m_data.data() + m_held, m_data.size() - m_held);
        if (pulled == 0)
            return false;
        m_held += pulled;
    }
    return true;
}

void TKivStream::PullInto(char* out, qsizetype count)
{
    const qsizetype held = qMin(count, m_heldStart + m_held - m_position);
    if (held > 0) {
        std::memcpy(out, m_data.constData() + (m_position - m_heldStart), size_t(held));
        m_position += held;
        out += held;
        count -= held;
    }
    if (count == 0)
        return;
    if (count < pullWindow / 2) {
        if (!Hold(count))
            ThrowStreamReadError();
        std::memcpy(out, m_data.constData(), size_t(count));
        m_position += count;
        return;
    }
    // Nothing is held now; a large read is filled by the source directly.
    while (count > 0) {
        const qsizetype pulled = m_source->Pull(out, count);
        if (pulled == 0)
            ThrowStreamReadError();
        out += pulled;
        count -= pulled;
        m_position += pulled;
    }
    m_heldStart = m_position;
    m_held = 0;
}

void TKivStream::SkipTo(qsizetype offset)
{
    while (m_position < offset) {
        const qsizetype held = m_heldStart + m_held - m_position;
        if (held > 0) {
            m_position += qMin(held, offset - m_position);
            continue;
        }
        m_heldStart = m_position;
        m_held = m_source->Pull(m_data.data(), m_data.size());
        if (m_held == 0)
            ThrowStreamReadError();
    }
}

void TKivStream::SetSize(qsizetype size)
{
    m_data.resize(qMax<qsizetype>(size, 0), '\0');
}

void TKivStream::Clear()
{
    m_data.clear();
    m_position = 0;
    m_origin = 0;
    m_passed = 0;
    m_lengthFields.clear();
    m_openFields.clear();
    m_nextField = 0;
}

void TKivStream::Reserve(qsizetype size)
{
    if (PassesBytesOn())
        return;
    // Exact growth on every block appended to a list would copy the list each time.
    if (size > m_data.capacity())
        m_data.reserve(qMax(size, m_data.capacity() + m_data.capacity() / 2));
}

void TKivStream::Read(void* buffer, qsizetype count)
{
    if (count < 0 || count > Remaining())
        ThrowStreamReadError();
    if (m_kind == Kind::Pulling) {
        PullInto(static_cast<char*>(buffer), count);
        return;
    }
    if (count > 0)
        std::memcpy(buffer, m_data.constData() + m_position, size_t(count));
    m_position += count;
}

void TKivStream::Write(const void* buffer, qsizetype count)
{
    if (count <= 0)
        return;
    if (m_kind == Kind::Pulling)
        throw TamsorError(QStringLiteral("Stream write error")); // a read-only stream
    if (PassesBytesOn()) {
        Q_ASSERT(m_position == Size()); // such a stream only appends
        if (m_sink)
            m_sink->Append(static_cast<const char*>(buffer), count);
        m_passed += count;
        m_position += count;
        return;
    }
    const qsizetype end = m_position + count;
    if (m_position == m_data.size()) {
        m_data.append(static_cast<const char*>(buffer), count);
    } else {
        if (end > m_data.size())
            m_data.resize(end, '\0');
        std::memcpy(m_data.data() + m_position, buffer, size_t(count));
    }
    m_position = end;
}

quint8 TKivStream::ReadUInt8()
{
    quint8 value;
    Read(&value, 1);
    return value;
}

qint32 TKivStream::ReadInt32() { return qint32(ReadUInt32()); }

quint32 TKivStream::ReadUInt32()
{
    uchar bytes[4];
    Read(bytes, 4);
    return qFromLittleEndian<quint32>(bytes);
}

double TKivStream::ReadDouble()
{
    uchar bytes[8];
    Read(bytes, 8);
    const quint64 bits = qFromLittleEndian<quint64>(bytes);
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

void TKivStream::WriteUInt8(quint8 value) { Write(&value, 1); }

void TKivStream::WriteInt32(qint32 value) { WriteUInt32(quint32(value)); }

void TKivStream::WriteUInt32(quint32 value)
{
    uchar bytes[4];
    qToLittleEndian(value, bytes);
    Write(bytes, 4);
}

void TKivStream::WriteDouble(double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, 8);
    uchar bytes[8];
    qToLittleEndian(bits, bytes);
    Write(bytes, 8);
}

qsizetype TKivStream::ReserveInt32()
{
    const qsizetype position = m_position;
    switch (m_kind) {
    case Kind::Memory:
    case Kind::Pulling: // refused by Write
        WriteInt32(0);
        break;
    case Kind::Measuring:
        m_openFields.push_back(qsizetype(m_lengthFields.size()));
        m_lengthFields.push_back({position, 0});
        WriteInt32(0);
        break;
    case Kind::Forwarding:
        // The bytes passed on must be those measured; anything else is a fault of the caller.
        if (m_nextField >= qsizetype(m_lengthFields.size())
            || m_lengthFields[m_nextField].position != position)
            throw TamsorError(QStringLiteral("The project changed while it was being saved"));
        WriteInt32(m_lengthFields[m_nextField++].value);
        break;
    }
    return position;
}

void TKivStream::PatchInt32(qsizetype position, qint32 value)
{
    if (m_kind == Kind::Forwarding)
        return; // written with the measured value already
    if (m_kind == Kind::Measuring) {
        Q_ASSERT(!m_openFields.empty()
                 && m_lengthFields[m_openFields.back()].position == position);
        m_lengthFields[m_openFields.back()].value = value;
        m_openFields.pop_back();
        return;
    }
    Q_ASSERT(position >= 0 && position + 4 <= m_data.size());
    qToLittleEndian(quint32(value), m_data.data() + position);
}

QByteArray TKivStream::TakeBytes()
{
    m_position = 0;
    return std::exchange(m_data, QByteArray());
}

void TKivStream::LoadFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TamsorError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TamsorError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    m_data = std::move(data);
    m_position = 0;
}

void TKivStream::SaveToFile(const QString& path)
{
    TKivSaveFile file(path);
    file.Write(m_data);
    file.Commit();
}

TKivStream TKivStream::View(const char* data, qsizetype size)
{
    return TKivStream(QByteArray::fromRawData(data, size));
}

// ---- Stream primitives ------------------------------------------------------------------------

void WriteText(TKivStream& stream, const QString& text)
{
    stream.WriteInt32(qint32(text.size()));
    if (text.isEmpty())
        return;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    stream.Write(text.utf16(), text.size() * 2);
#else
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data());
    stream.Write(bytes);
#endif
}

void ReadText(TKivStream& stream, QString& text)
{
    if (stream.Remaining() < 4)
        return;
    const qint32 count = stream.ReadInt32();
    if (count < 0 || qsizetype(count) * 2 > stream.Remaining())
        ThrowStreamReadError();
    QString result(count, Qt::Uninitialized);
    stream.Read(result.data(), qsizetype(count) * 2);
#if Q_BYTE_ORDER != Q_LITTLE_ENDIAN
    qFromLittleEndian<quint16>(result.utf16(), count, result.data());
#endif
    text = std::move(result);
}

void WriteBlock(TKivStream& stream, const TKivStream& block)
{
    stream.WriteInt32(qint32(block.Size()));
    stream.Write(block.Data(), block.Size());
}

qsizetype TakeBlock(TKivStream& stream, const char*& start)
{
    const qint32 count = stream.ReadInt32();
    if (count < 0 || count > stream.Remaining())
        ThrowStreamReadError();
    start = stream.Data() + stream.Position();
    stream.SetPosition(stream.Position() + count);
    return count;
}

void ReadBlock(TKivStream& stream, TKivStream& block)
{
    block.Clear();
    if (stream.Remaining() < 4)
        return;
    if (stream.ReadsFromSource()) {
        const qint32 count = stream.ReadInt32();
        if (count < 0 || count > stream.Remaining())
            ThrowStreamReadError();
        QByteArray bytes(count, Qt::Uninitialized);
        stream.Read(bytes.data(), count);
        block = TKivStream(std::move(bytes));
        return;
    }
    const char* start = nullptr;
    const qsizetype count = TakeBlock(stream, start);
    block = TKivStream(QByteArray(start, count)); // exactly as large as the data
}
