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

} // namespace

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

void TKivStream::SetPosition(qsizetype position) { m_position = qMax<qsizetype>(position, 0); }

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
    if (count > 0)
        std::memcpy(buffer, m_data.constData() + m_position, size_t(count));
    m_position += count;
}

void TKivStream::Write(const void* buffer, qsizetype count)
{
    if (count <= 0)
        return;
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
    for (qint32 i = 0; i < count; ++i) {
        QString key;
        if (m_stream.Remaining() < 4)
            throwReadError();
        ReadText(m_stream, key);
        const char* start = nullptr;
        const qsizetype size = TakeBlock(m_stream, start);
        // The key's buffer is a view on the holding stream, which outlives this transfer.
        m_keys.insert_or_assign(key, Entry{TKivStream::View(start, size), nullptr});
    }
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
    if (m_mode == Save) {
        if (value.Size() > 0)
            SaveBytes(key, TagMemory, value.Bytes());
    } else if (EntryPayload(key, TagMemory, 4)) {
        ReadBlock(KeyStream(key), value);
    }
}

void TKivSerialization::ValueObject(const QString& key, TKivPersistent& value)
{
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

qint32 TKivSerialization::BeginListLoad(const QString& key, TKivStream& scratch,
                                        const TKivPersistent& listOwner)
{
    // The list is read in place from the key's buffer, which lives as long as this transfer.
    if (EntryPayload(key, TagStream, 4)) {
        TKivStream& buffer = KeyStream(key);
        const char* start = nullptr;
        const qsizetype size = TakeBlock(buffer, start);
        scratch = TKivStream::View(start, size);
    }
    const qsizetype start = scratch.Position();
    QString listName;
    ReadText(scratch, listName);
    const qint32 count = scratch.ReadInt32();
    if (listName != listOwner.ClassName()) {
        scratch.SetPosition(start);
        return -1;
    }
    // Every item is at least an empty block; a larger count cannot be genuine.
    if (count < 0 || qsizetype(count) * minimumBlockSize > scratch.Remaining())
        throwReadError();
    return count;
}
