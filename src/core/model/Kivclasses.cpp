#include "Kivclasses.h"

#include "TamsorError.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <cstring>

namespace {

const QString streamReadError = QStringLiteral("Stream read error");

[[noreturn]] void throwReadError() { throw TamsorError(streamReadError); }

enum Tag : quint8 {
    TagInt32 = 3,
    TagUInt32 = 7,
    TagDouble = 10,
    TagText = 15,
    TagMemory = 17,
    TagObject = 18,
    TagStream = 19,
};

// Smallest object block: an empty class name and the end position.
constexpr qsizetype minimumBlockSize = 8;

// Bytes a pulling stream keeps; reads at least half as large go straight to their destination.
constexpr qsizetype pullWindow = 8192;

} // namespace

// A part of a pulling stream that a length or end position marks out: while it is entered,
// positions count from its start and reading stops at its end. Leave moves past its end.
class TKivStreamRegion {
public:
    TKivStreamRegion(TKivStream& stream, qsizetype size)
        : m_stream(stream), m_origin(stream.m_origin), m_limit(stream.m_limit),
          m_end(stream.m_position + size)
    {
        stream.m_origin = stream.m_position;
        stream.m_limit = m_end;
    }
    ~TKivStreamRegion() { Restore(); }
    TKivStreamRegion(const TKivStreamRegion&) = delete;
    TKivStreamRegion& operator=(const TKivStreamRegion&) = delete;

    void Leave()
    {
        m_stream.SkipTo(m_end);
        Restore();
    }

private:
    void Restore()
    {
        m_stream.m_origin = m_origin;
        m_stream.m_limit = m_limit;
    }

    TKivStream& m_stream;
    const qsizetype m_origin;
    const qsizetype m_limit;
    const qsizetype m_end;
};

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
        throwReadError(); // those bytes are gone
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
            throwReadError();
        std::memcpy(out, m_data.constData(), size_t(count));
        m_position += count;
        return;
    }
    // Nothing is held now; a large read is filled by the source directly.
    while (count > 0) {
        const qsizetype pulled = m_source->Pull(out, count);
        if (pulled == 0)
            throwReadError();
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
            throwReadError();
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
        throwReadError();
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
    QSaveFile file(path);
    const auto fail = [&] {
        throw TamsorError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    if (file.write(m_data) != m_data.size())
        fail();
    if (!file.commit())
        fail();
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
        throwReadError();
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

namespace {

// The length and start of a length-prefixed block at the stream's position, checked against
// the bytes that remain; the position moves past the block.
qsizetype TakeBlock(TKivStream& stream, const char*& start)
{
    const qint32 count = stream.ReadInt32();
    if (count < 0 || count > stream.Remaining())
        throwReadError();
    start = stream.Data() + stream.Position();
    stream.SetPosition(stream.Position() + count);
    return count;
}

} // namespace

void ReadBlock(TKivStream& stream, TKivStream& block)
{
    block.Clear();
    if (stream.Remaining() < 4)
        return;
    if (stream.ReadsFromSource()) {
        const qint32 count = stream.ReadInt32();
        if (count < 0 || count > stream.Remaining())
            throwReadError();
        QByteArray bytes(count, Qt::Uninitialized);
        stream.Read(bytes.data(), count);
        block = TKivStream(std::move(bytes));
        return;
    }
    const char* start = nullptr;
    const qsizetype count = TakeBlock(stream, start);
    block = TKivStream(QByteArray(start, count)); // exactly as large as the data
}

// ---- Comma text -------------------------------------------------------------------------------

namespace {

bool NeedsQuotes(const QString& item)
{
    for (QChar c : item) {
        if (c.unicode() <= ' ' || c == QLatin1Char(',') || c == QLatin1Char('"'))
            return true;
    }
    return false;
}

} // namespace

QString CommaText(const QStringList& items)
{
    if (items.size() == 1 && items.first().isEmpty())
        return QStringLiteral("\"\"");
    QString text;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        const QString& item = items[i];
        if (NeedsQuotes(item)) {
            QString quoted = item;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            text += QLatin1Char('"') + quoted + QLatin1Char('"');
        } else {
            text += item;
        }
    }
    return text;
}

QStringList FromCommaText(const QString& text)
{
    QStringList items;
    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < n && text[i].unicode() >= 1 && text[i].unicode() <= ' ')
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
            // Anything between the closing quote and the next separator is dropped.
            while (i < n && text[i] != QLatin1Char(',') && text[i].unicode() > ' ')
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && text[i].unicode() > ' ' && text[i] != QLatin1Char(','))
                ++i;
            item = text.mid(start, i - start);
        }
        items.append(item);
        skipBlanks();
        if (i < n && text[i] == QLatin1Char(',')) {
            ++i;
            if (i == n) {
                items.append(QString());
                break;
            }
            skipBlanks();
        }
    }
    return items;
}

// ---- Registration -----------------------------------------------------------------------------

const QStringList& RegisteredKivClasses()
{
    static const QStringList names{
        QStringLiteral("TKivChannels"),    QStringLiteral("TKivChannel"),
        QStringLiteral("TKivStation"),     QStringLiteral("TKivRecipes"),
        QStringLiteral("TKivRecipe"),      QStringLiteral("TKivRecipeItems"),
        QStringLiteral("TKivRecipeItem"),  QStringLiteral("TKivDataRecords"),
        QStringLiteral("TKivDataRecord"),  QStringLiteral("TKivDataRecordItems"),
        QStringLiteral("TKivDataRecordItem"), QStringLiteral("TKivAlarms"),
        QStringLiteral("TKivAlarm"),       QStringLiteral("TKivTamsor")};
    return names;
}

QString FindKivClass(const QString& name)
{
    for (const QString& known : RegisteredKivClasses()) {
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return known;
    }
    return QString();
}

// ---- TKivPersistent ---------------------------------------------------------------------------

void TKivPersistent::SerializeStream(int mode, TKivStream& stream)
{
    TKivSerialization s(*this, stream, mode);
    Serialize(s);
    if (mode == TKivSerialization::Save)
        s.StoreBlock();
}

void TKivPersistent::AssignTo(TKivPersistent* dest)
{
    if (!dest || dest == this)
        return;
    TKivStream scratch;
    SerializeStream(TKivSerialization::Save, scratch);
    scratch.SetPosition(0);
    dest->SerializeStream(TKivSerialization::Load, scratch);
}

int TKivPersistent::Compare(TKivPersistent& other)
{
    TKivStream mine;
    TKivStream theirs;
    SerializeStream(TKivSerialization::Save, mine);
    other.SerializeStream(TKivSerialization::Save, theirs);
    if (mine.Size() != theirs.Size())
        return int(qBound<qsizetype>(qsizetype(INT_MIN), mine.Size() - theirs.Size(), qsizetype(INT_MAX)));
    for (qsizetype i = 0; i < mine.Size(); ++i) {
        const uchar a = uchar(mine.Data()[i]);
        const uchar b = uchar(theirs.Data()[i]);
        if (a != b)
            return int(a) - int(b);
    }
    return 0;
}

// ---- TKivSerialization ------------------------------------------------------------------------

TKivSerialization::TKivSerialization(TKivPersistent& owner, TKivStream& stream, int mode)
    : m_owner(owner), m_stream(stream), m_mode(mode == Save ? Save : Load)
{
    if (m_mode == Load)
        LoadBlock();
}

void TKivSerialization::LoadBlock()
{
    QString className;
    ReadText(m_stream, className);
    const qint32 endPosition = m_stream.ReadInt32();
    // A block ends after its own header and within the data that holds it.
    if (endPosition < m_stream.Position() || endPosition > m_stream.Size())
        throwReadError();
    if (className.compare(m_owner.ClassName(), Qt::CaseInsensitive) != 0) {
        m_stream.SetPosition(endPosition);
        return;
    }
    const qint32 count = m_stream.ReadInt32();
    if (count < 0 || qsizetype(count) * 8 > m_stream.Remaining())
        throwReadError();
    if (m_stream.ReadsFromSource()) {
        // Reading stops short of the end position; the body is checked to reach it at the end.
        m_stream.Claim(m_stream.m_origin + endPosition);
        LoadPulledEntries(count);
        return;
    }
    for (qint32 i = 0; i < count; ++i) {
        QString key;
        if (m_stream.Remaining() < 4)
            throwReadError();
        ReadText(m_stream, key);
        const char* start = nullptr;
        const qsizetype size = TakeBlock(m_stream, start);
        // The key's buffer is a view on the holding stream, which outlives this transfer.
        Entry entry;
        entry.buffer = TKivStream::View(start, size);
        m_keys.insert_or_assign(key, std::move(entry));
    }
}

void TKivSerialization::LoadPulledEntries(qint32 count)
{
    for (qint32 i = 0; i < count; ++i) {
        QString key;
        if (m_stream.Remaining() < 4)
            throwReadError();
        ReadText(m_stream, key);
        const qint32 size = m_stream.ReadInt32();
        if (size < 0 || size > m_stream.Remaining())
            throwReadError();
        LoadPulledEntry(key, size);
    }
}

void TKivSerialization::LoadPulledEntry(const QString& key, qsizetype size)
{
    TKivStreamRegion region(m_stream, size); // a nested block's end counts from the tag
    Entry entry;
    // Every value held apart has a tag and a 4-byte length or more.
    const char* head = size >= 5 && m_stream.Hold(5) ? m_stream.HeldAtPosition() : nullptr;
    const quint8 tag = head ? quint8(head[0]) : 0;
    const qint32 length = head ? qFromLittleEndian<qint32>(head + 1) : 0;
    const Binding* binding = tag == TagObject || tag == TagStream ? FindBinding(key, tag) : nullptr;
    if (binding && tag == TagObject) {
        m_stream.SetPosition(1);
        binding->load(m_stream);
        entry.delivered = true;
    } else if (binding) {
        m_stream.SetPosition(5);
        if (length < 0 || length > m_stream.Remaining())
            throwReadError();
        TKivStreamRegion list(m_stream, length);
        binding->load(m_stream);
        list.Leave();
        entry.delivered = true;
    } else if (tag == TagMemory && length >= 0 && length <= size - 5) {
        m_stream.SetPosition(5);
        entry.memory = QByteArray(length, Qt::Uninitialized);
        m_stream.Read(entry.memory.data(), length);
        entry.detached = true;
        entry.buffer.WriteUInt8(tag);
        entry.buffer.WriteInt32(length);
    } else {
        QByteArray bytes(size, Qt::Uninitialized);
        m_stream.Read(bytes.data(), size);
        entry.buffer = TKivStream(std::move(bytes));
    }
    region.Leave();
    m_keys.insert_or_assign(key, std::move(entry));
}

const TKivSerialization::Binding* TKivSerialization::FindBinding(const QString& key, quint8 tag)
{
    if (!m_probed) {
        m_probed = true;
        m_probing = true;
        try {
            m_owner.Serialize(*this);
        } catch (...) {
            m_probing = false;
            throw;
        }
        m_probing = false;
    }
    for (const Binding& binding : m_bindings) {
        if (binding.tag == tag && binding.key.compare(key, Qt::CaseInsensitive) == 0)
            return &binding;
    }
    return nullptr;
}

void TKivSerialization::BindList(const QString& key, Loader load)
{
    m_bindings.push_back({key, TagStream, std::move(load)});
}

bool TKivSerialization::Delivered(const QString& key) const
{
    const auto it = m_keys.find(key);
    return it != m_keys.end() && it->second.delivered;
}

void TKivSerialization::StoreBlock()
{
    qsizetype knownSize = 4 + 2 * m_owner.ClassName().size() + 8;
    for (const auto& [key, entry] : m_keys)
        knownSize += 4 + 2 * key.size() + 4 + entry.buffer.Size();
    m_stream.Reserve(m_stream.Size() + knownSize);

    WriteText(m_stream, m_owner.ClassName());
    const qsizetype endField = m_stream.ReserveInt32();
    m_stream.WriteInt32(qint32(m_keys.size()));
    for (auto it = m_keys.begin(); it != m_keys.end(); it = m_keys.erase(it)) {
        WriteText(m_stream, it->first);
        const qsizetype lengthField = m_stream.ReserveInt32();
        const qsizetype entryStart = m_stream.Position();
        m_stream.Write(it->second.buffer.Data(), it->second.buffer.Size());
        if (it->second.writer)
            it->second.writer(m_stream, entryStart);
        m_stream.PatchInt32(lengthField, qint32(m_stream.Position() - entryStart));
    }
    m_stream.PatchInt32(endField, qint32(m_stream.Size() - m_stream.m_origin));
    m_stream.SetPosition(m_stream.Size());
}

TKivStream& TKivSerialization::KeyStream(const QString& key)
{
    return m_keys[key].buffer;
}

TKivSerialization::Entry& TKivSerialization::SaveEntry(const QString& key)
{
    Entry& entry = m_keys[key];
    entry.buffer.Clear();
    entry.writer = nullptr;
    return entry;
}

void TKivSerialization::SaveBytes(const QString& key, quint8 tag, const QByteArray& bytes)
{
    // Sharing keeps the bytes alive until the block is stored; bytes owned elsewhere are
    // copied, since their owner may let them go first.
    QByteArray shared = bytes;
    if (!shared.data_ptr().isMutable())
        shared.detach();
    Entry& entry = SaveEntry(key);
    entry.buffer.WriteUInt8(tag);
    entry.buffer.WriteInt32(qint32(shared.size()));
    entry.writer = [shared](TKivStream& out, qsizetype) { out.Write(shared); };
}

const char* TKivSerialization::EntryPayload(const QString& key, quint8 tag,
                                            qsizetype payloadSize)
{
    TKivStream& buffer = KeyStream(key);
    buffer.SetPosition(0);
    if (buffer.Size() < 1 + payloadSize || quint8(buffer.Data()[0]) != tag)
        return nullptr;
    buffer.SetPosition(1);
    return buffer.Data() + 1;
}

void TKivSerialization::ValueInt32(const QString& key, qint32& value)
{
    if (m_probing)
        return;
    if (m_mode == Save) {
        TKivStream& buffer = SaveEntry(key).buffer;
        buffer.WriteUInt8(TagInt32);
        buffer.WriteInt32(value);
    } else if (EntryPayload(key, TagInt32, 4)) {
        value = KeyStream(key).ReadInt32();
    }
}

void TKivSerialization::ValueUInt32(const QString& key, quint32& value)
{
    if (m_probing)
        return;
    if (m_mode == Save) {
        TKivStream& buffer = SaveEntry(key).buffer;
        buffer.WriteUInt8(TagUInt32);
        buffer.WriteUInt32(value);
    } else if (EntryPayload(key, TagUInt32, 4)) {
        value = KeyStream(key).ReadUInt32();
    }
}

void TKivSerialization::ValueDouble(const QString& key, double& value)
{
    if (m_probing)
        return;
    if (m_mode == Save) {
        TKivStream& buffer = SaveEntry(key).buffer;
        buffer.WriteUInt8(TagDouble);
        buffer.WriteDouble(value);
    } else if (EntryPayload(key, TagDouble, 8)) {
        value = KeyStream(key).ReadDouble();
    }
}

void TKivSerialization::ValueString(const QString& key, QString& value)
{
    if (m_probing)
        return;
    if (m_mode == Save) {
        if (value.isEmpty())
            return;
        TKivStream& buffer = SaveEntry(key).buffer;
        buffer.WriteUInt8(TagText);
        WriteText(buffer, value);
    } else if (EntryPayload(key, TagText, 4)) {
        ReadText(KeyStream(key), value);
    }
}

void TKivSerialization::ValueStrings(const QString& key, QStringList& value)
{
    if (m_probing)
        return;
    if (m_mode == Save) {
        QString text = CommaText(value);
        ValueString(key, text);
    } else if (EntryPayload(key, TagText, 4)) {
        QString text;
        ReadText(KeyStream(key), text);
        value = FromCommaText(text);
    }
}

void TKivSerialization::ValueMemory(const QString& key, TKivStream& value)
{
    if (m_probing)
        return;
    if (m_mode == Save) {
        if (value.Size() > 0)
            SaveBytes(key, TagMemory, value.Bytes());
    } else if (EntryPayload(key, TagMemory, 4)) {
        const Entry& entry = m_keys[key];
        if (entry.detached)
            value = TKivStream(entry.memory); // shared, not copied
        else
            ReadBlock(KeyStream(key), value);
    }
}

void TKivSerialization::ValueObject(const QString& key, TKivPersistent& value)
{
    if (m_probing) {
        m_bindings.push_back(
            {key, TagObject, [&value](TKivStream& in) { value.SerializeStream(Load, in); }});
        return;
    }
    if (m_mode == Save) {
        Entry& entry = SaveEntry(key);
        entry.buffer.WriteUInt8(TagObject);
        // The nested block's end position counts from the entry's tag byte.
        entry.writer = [&value](TKivStream& out, qsizetype entryStart) {
            const qsizetype origin = std::exchange(out.m_origin, entryStart);
            value.SerializeStream(Save, out);
            out.m_origin = origin;
        };
    } else if (EntryPayload(key, TagObject, 4)) {
        value.SerializeStream(Load, KeyStream(key));
    }
}

void TKivSerialization::ValueStream(const QString& key, TKivStream& value)
{
    if (m_probing)
        return;
    if (m_mode == Save) {
        if (value.Size() > 0)
            SaveBytes(key, TagStream, value.Bytes());
    } else if (EntryPayload(key, TagStream, 4)) {
        ReadBlock(KeyStream(key), value);
    }
}

void TKivSerialization::BeginListSave(const QString& key,
                                      std::function<void(TKivStream&)> writeList)
{
    Entry& entry = SaveEntry(key);
    entry.buffer.WriteUInt8(TagStream);
    // The items' end positions count from the start of the list stream, behind tag and length.
    entry.writer = [writeList = std::move(writeList)](TKivStream& out, qsizetype) {
        const qsizetype lengthField = out.ReserveInt32();
        const qsizetype listStart = out.Position();
        const qsizetype origin = std::exchange(out.m_origin, listStart);
        writeList(out);
        out.m_origin = origin;
        out.PatchInt32(lengthField, qint32(out.Position() - listStart));
    };
}

void TKivSerialization::BeginListLoad(const QString& key, TKivStream& scratch)
{
    // The list is read in place from the key's buffer, which lives as long as this transfer.
    if (EntryPayload(key, TagStream, 4)) {
        TKivStream& buffer = KeyStream(key);
        const char* start = nullptr;
        const qsizetype size = TakeBlock(buffer, start);
        scratch = TKivStream::View(start, size);
    }
}

qint32 TKivSerialization::ReadListHeader(TKivStream& in, const TKivPersistent& listOwner)
{
    QString listName;
    ReadText(in, listName);
    const qint32 count = in.ReadInt32();
    if (listName != listOwner.ClassName())
        return -1;
    // Every item is at least an empty block; a larger count cannot be genuine.
    if (count < 0 || qsizetype(count) * minimumBlockSize > in.Remaining())
        throwReadError();
    return count;
}
