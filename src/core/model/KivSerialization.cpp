#include "KivSerialization.h"

#include "KivCommaText.h"
#include "TamsorError.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"

#include <QtEndian>
#include <cstring>

namespace {

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
        ThrowStreamReadError();
    if (className.compare(m_owner.ClassName(), Qt::CaseInsensitive) != 0) {
        m_stream.SetPosition(endPosition);
        return;
    }
    const qint32 count = m_stream.ReadInt32();
    if (count < 0 || qsizetype(count) * 8 > m_stream.Remaining())
        ThrowStreamReadError();
    if (m_stream.ReadsFromSource()) {
        // Reading stops short of the end position; the body is checked to reach it at the end.
        m_stream.Claim(m_stream.m_origin + endPosition);
        LoadPulledEntries(count);
        return;
    }
    for (qint32 i = 0; i < count; ++i) {
        QString key;
        if (m_stream.Remaining() < 4)
            ThrowStreamReadError();
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
            ThrowStreamReadError();
        ReadText(m_stream, key);
        const qint32 size = m_stream.ReadInt32();
        if (size < 0 || size > m_stream.Remaining())
            ThrowStreamReadError();
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
            ThrowStreamReadError();
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
    // An absent key reads as absent without an empty entry being made for it.
    const auto entry = m_keys.find(key);
    if (entry == m_keys.end())
        return nullptr;
    TKivStream& buffer = entry->second.buffer;
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
        ThrowStreamReadError();
    return count;
}

void TKivSerialization::CountListItems(TKivStream& in, qint32 count)
{
    if (!in.ReadsFromSource())
        return; // copies of objects in memory are as large as their originals
    in.m_listItems += count;
    if (in.m_listItems > MaxLoadedListItems)
        throw TamsorError(
            LangText(StrId::ProjectTooManyObjects, {QString::number(MaxLoadedListItems)}));
}
