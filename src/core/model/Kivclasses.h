#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <map>
#include <vector>

// Receives the bytes of a stream that passes them on instead of keeping them.
class TKivStreamSink {
public:
    virtual ~TKivStreamSink() = default;
    virtual void Append(const char* data, qsizetype size) = 0;
};

// Gives the bytes of a stream that is read as it is produced, for example while inflating.
class TKivStreamSource {
public:
    virtual ~TKivStreamSource() = default;
    // Up to size bytes into data; 0 only when the source has no more bytes.
    virtual qsizetype Pull(char* data, qsizetype size) = 0;
};

// A growable in-memory byte buffer with a read/write position. Reading past the end throws
// TamsorError("Stream read error"); writing at the position overwrites and extends.
//
// For saving a large object without holding its block, a stream can also only count what is
// appended (Measuring) and then pass the same bytes on to a sink (Forwarding). Length fields
// written before what they measure are taken with ReserveInt32 and set with PatchInt32; the
// counting pass notes their values, and the forwarding pass writes them in the same order.
//
// For loading a large object without holding its block, a stream can read from a source
// (Pulling): only a small window of bytes is kept, reads move forward only, and large reads
// go from the source straight into their destination. Size() is the size the data claims
// (at first the limit given); reads past the bytes the source has fail as for memory.
class TKivStream {
public:
    TKivStream() = default;
    explicit TKivStream(QByteArray data) : m_data(std::move(data)) {}
    static TKivStream Measuring();
    // Appends go to sink; the length fields get the values measured noted.
    static TKivStream Forwarding(TKivStreamSink& sink, TKivStream&& measured);
    static TKivStream Pulling(TKivStreamSource& source, qsizetype limit);

    qsizetype Size() const
    {
        return m_kind == Kind::Pulling ? m_limit - m_origin : m_passed + m_data.size();
    }
    qsizetype Position() const
    {
        return m_kind == Kind::Pulling ? m_position - m_origin : m_position;
    }
    // Memory: any value >= 0; reads beyond Size() fail. Pulling: forward, or back within the
    // bytes still held; moving forward past the source's bytes fails with "Stream read error".
    void SetPosition(qsizetype position);
    qsizetype Remaining() const { return Position() < Size() ? Size() - Position() : 0; }
    void SetSize(qsizetype size);         // new bytes are zero; the position is kept
    void Clear();                         // size and position 0
    void Reserve(qsizetype size); // room for size bytes; grows geometrically

    void Read(void* buffer, qsizetype count); // all count bytes or TamsorError
    // Pulling: the largest offset from the start that any length or end position read so far
    // has claimed; data that ends before it is damaged.
    qsizetype Claimed() const { return m_claimed; }
    bool ReadsFromSource() const { return m_kind == Kind::Pulling; }
    void Write(const void* buffer, qsizetype count);
    void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }

    quint8 ReadUInt8();
    qint32 ReadInt32();
    quint32 ReadUInt32();
    double ReadDouble();
    void WriteUInt8(quint8 value);
    void WriteInt32(qint32 value);
    void WriteUInt32(quint32 value);
    void WriteDouble(double value);
    // A four-byte field at the position, to be set by PatchInt32 once its value is known.
    // Fields are set last-taken first. Returns the field's position.
    qsizetype ReserveInt32();
    // Overwrites four bytes at position, which lie within the stream; the position is kept.
    void PatchInt32(qsizetype position, qint32 value);

    const char* Data() const { return m_data.constData(); }
    const QByteArray& Bytes() const { return m_data; }
    QByteArray TakeBytes(); // leaves the stream empty

    void LoadFromFile(const QString& path); // TamsorError "Cannot open file "%s". %s"
    void SaveToFile(const QString& path);   // atomic replace; "Cannot create file "%s". %s"

    // A read-only window on bytes owned elsewhere, valid while they are; writing copies first.
    static TKivStream View(const char* data, qsizetype size);

private:
    friend class TKivSerialization;
    friend class TKivStreamRegion;
    enum class Kind { Memory, Measuring, Forwarding, Pulling };
    struct LengthField {
        qsizetype position;
        qint32 value;
    };
    bool PassesBytesOn() const { return m_kind == Kind::Measuring || m_kind == Kind::Forwarding; }

    QByteArray m_data;
    qsizetype m_position = 0;
    Kind m_kind = Kind::Memory;
    qsizetype m_passed = 0;           // bytes counted or passed on, never kept
    TKivStreamSink* m_sink = nullptr; // Forwarding
    std::vector<LengthField> m_lengthFields; // in the order they were reserved
    std::vector<qsizetype> m_openFields;     // Measuring: reserved, not yet patched
    qsizetype m_nextField = 0;               // Forwarding: the next field to write
    // Bytes before the logical start: end positions of blocks count from here. Lets nested
    // objects and lists be written in place inside their owner's block instead of being built
    // in buffers of their own and copied there.
    qsizetype m_origin = 0;

    // Pulling: m_data holds m_held bytes that start at offset m_heldStart; m_position and
    // m_origin are offsets from the start, m_limit the end of the region being read.
    void PullInto(char* out, qsizetype count);
    bool Hold(qsizetype count); // count bytes held from the position on, unless the data ends
    const char* HeldAtPosition() const { return m_data.constData() + (m_position - m_heldStart); }
    void SkipTo(qsizetype offset);
    void Claim(qsizetype offset) { m_claimed = qMax(m_claimed, offset); }
    TKivStreamSource* m_source = nullptr;
    qsizetype m_heldStart = 0;
    qsizetype m_held = 0;
    qsizetype m_limit = 0;
    qsizetype m_claimed = 0;
};

// Stream primitives of object blocks and list streams.
void WriteText(TKivStream& stream, const QString& text);
void ReadText(TKivStream& stream, QString& text); // unchanged when fewer than 4 bytes remain
void WriteBlock(TKivStream& stream, const TKivStream& block);
void ReadBlock(TKivStream& stream, TKivStream& block); // empties block first

class TKivSerialization;

// Base of every project object. Serialize lists the object's keys; the rest is built on it.
class TKivPersistent {
public:
    TKivPersistent() { Init(); }
    virtual ~TKivPersistent() = default;
    TKivPersistent(const TKivPersistent&) = delete;
    TKivPersistent& operator=(const TKivPersistent&) = delete;

    // Copies this object into dest through its serialized form (dest of the same class).
    virtual void AssignTo(TKivPersistent* dest);
    void Assign(TKivPersistent& source) { source.AssignTo(this); }
    // Loading may run Serialize once more beforehand with value operations that change nothing,
    // so in load mode it must do no more than set fields from the values it is given.
    virtual void Serialize(TKivSerialization& s) = 0;
    virtual void Init() {}
    virtual QString GetCaption() const { return ClassName(); }
    // 0 when both serialize to the same bytes; otherwise the sign of the first differing byte,
    // or the difference of the sizes.
    virtual int Compare(TKivPersistent& other);
    virtual QString ClassName() const = 0;

    // Mode 0 reads one object block at the stream's position; mode 1 appends this object's block.
    void SerializeStream(int mode, TKivStream& stream);
};

// A project list: ordered, owning the items whose Owner is the list's owner object. An item
// adds itself on construction and removes itself when destroyed.
template <class T> class TKivList {
public:
    explicit TKivList(const void* itemOwner) : m_itemOwner(itemOwner) {}
    TKivList(const TKivList&) = delete;
    TKivList& operator=(const TKivList&) = delete;
    ~TKivList() { Clear(); }

    int Count() const { return int(m_items.size()); }
    T* Items(int index) const
    {
        return index < 0 || index >= Count() ? nullptr : m_items[index];
    }
    void Add(T* item)
    {
        if (item && !m_items.contains(item))
            m_items.append(item);
    }
    // Appends an item that cannot be in the list yet: an item's constructor adds itself this
    // way, so building a list of n items takes O(n), not the O(n^2) of Add's search.
    void AddNew(T* item) { m_items.append(item); }
    void Remove(T* item)
    {
        const qsizetype index = m_items.lastIndexOf(item);
        if (index >= 0)
            m_items.removeAt(index);
    }
    int IndexOf(const T* item) const { return int(m_items.indexOf(const_cast<T*>(item))); }
    // Destroys the owned items from last to first, then empties the list.
    void Clear()
    {
        for (qsizetype i = m_items.size() - 1; i >= 0; --i) {
            if (i >= m_items.size())
                continue;
            T* item = m_items[i];
            if (static_cast<const void*>(item->Owner) == m_itemOwner)
                delete item;
        }
        m_items.clear();
    }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    QList<T*> m_items;
    const void* m_itemOwner;
};

// One transfer of one object to or from an object block. Mode 0 reads the block at
// construction; mode 1 collects the entries and StoreBlock appends the block.
class TKivSerialization {
public:
    enum { Load = 0, Save = 1 };

    TKivSerialization(TKivPersistent& owner, TKivStream& stream, int mode);
    TKivSerialization(const TKivSerialization&) = delete;
    TKivSerialization& operator=(const TKivSerialization&) = delete;

    int Mode() const { return m_mode; }
    void LoadBlock();
    void StoreBlock();
    TKivStream& KeyStream(const QString& key);

    void ValueInt32(const QString& key, qint32& value);
    void ValueUInt32(const QString& key, quint32& value);
    void ValueDouble(const QString& key, double& value);
    void ValueString(const QString& key, QString& value);
    void ValueStrings(const QString& key, QStringList& value);
    void ValueMemory(const QString& key, TKivStream& value);
    void ValueObject(const QString& key, TKivPersistent& value);
    void ValueStream(const QString& key, TKivStream& value);

    // A nested list under key, named after listOwner's class. Loading a list stored under the
    // same name (case counts) clears the list and calls create() once per stored item; create
    // makes an item that adds itself to the list.
    template <class T, class Create>
    void ValueList(const QString& key, const TKivPersistent& listOwner, TKivList<T>& list,
                   Create create)
    {
        if (m_mode == Save) {
            // Written in place when the owner's block is stored, like a nested object.
            const qint32 count = list.Count();
            BeginListSave(key, [&list, &listOwner, count](TKivStream& out) {
                WriteText(out, listOwner.ClassName());
                out.WriteInt32(count);
                for (T* item : list)
                    item->SerializeStream(Save, out);
            });
            return;
        }
        if (m_probing) {
            BindList(key, [&listOwner, &list, create](TKivStream& in) {
                LoadList(in, listOwner, list, create);
            });
            return;
        }
        if (Delivered(key))
            return;
        TKivStream scratch;
        BeginListLoad(key, scratch);
        LoadList(scratch, listOwner, list, create);
    }

private:
    struct KeyLess {
        bool operator()(const QString& a, const QString& b) const
        {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        }
    };
    // Appends the rest of an entry to the stream that receives the block, given the position
    // of the entry's first byte (its tag) in that stream.
    using EntryWriter = std::function<void(TKivStream& out, qsizetype entryStart)>;
    // A saved entry: the bytes of its buffer, then whatever its writer appends. Large values
    // and nested blocks go straight into the holding stream, so each byte is written once.
    struct Entry {
        TKivStream buffer;
        EntryWriter writer;
        QByteArray memory;      // loaded tag 17 payload held apart from the buffer's header
        bool detached = false;  // memory holds the payload
        bool delivered = false; // loaded straight into its nested object or list
    };

    // Bytes at the start of the key's buffer, or null when fewer are there.
    const char* EntryPayload(const QString& key, quint8 tag, qsizetype payloadSize);
    // The key's entry, emptied for a new value.
    Entry& SaveEntry(const QString& key);
    // A tag 17 or 19 entry whose bytes are shared with bytes, not copied.
    void SaveBytes(const QString& key, quint8 tag, const QByteArray& bytes);
    // A tag 19 entry whose list stream writeList appends in place.
    void BeginListSave(const QString& key, std::function<void(TKivStream&)> writeList);
    // The key's list stream, or nothing when the key is absent or holds something else.
    void BeginListLoad(const QString& key, TKivStream& scratch);
    // The stored item count, or -1 when the list is stored under another name.
    static qint32 ReadListHeader(TKivStream& in, const TKivPersistent& listOwner);
    template <class T, class Create>
    static void LoadList(TKivStream& in, const TKivPersistent& listOwner, TKivList<T>& list,
                         Create create)
    {
        const qint32 count = ReadListHeader(in, listOwner);
        if (count < 0)
            return;
        list.Clear();
        for (qint32 i = 0; i < count; ++i)
            create()->SerializeStream(Load, in);
    }

    // Loading from a pulling stream: entries are taken in the order they come. A nested object
    // or list goes straight to the object or list that Serialize names for its key, found by
    // running Serialize once with every value operation only noting those (probing); a memory
    // value is read straight into a buffer of its own. Everything else is held as before.
    using Loader = std::function<void(TKivStream& in)>;
    struct Binding {
        QString key;
        quint8 tag;
        Loader load;
    };
    void LoadPulledEntries(qint32 count);
    void LoadPulledEntry(const QString& key, qsizetype size);
    const Binding* FindBinding(const QString& key, quint8 tag);
    void BindList(const QString& key, Loader load);
    bool Delivered(const QString& key) const;

    TKivPersistent& m_owner;
    TKivStream& m_stream;
    int m_mode;
    std::map<QString, Entry, KeyLess> m_keys;
    bool m_probing = false;
    bool m_probed = false;
    std::vector<Binding> m_bindings;
};

// Comma text of string lists: items joined by ",", quoted when they hold a character up to
// the space, a comma or a double quote.
QString CommaText(const QStringList& items);
QStringList FromCommaText(const QString& text);

// The project classes known by name; names compare without regard to case.
const QStringList& RegisteredKivClasses();
// The registered spelling of name, or an empty text when no such class is registered.
QString FindKivClass(const QString& name);
