#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <map>

// A growable in-memory byte buffer with a read/write position. Reading past the end throws
// TamsorError("Stream read error"); writing at the position overwrites and extends.
class TKivStream {
public:
    TKivStream() = default;
    explicit TKivStream(QByteArray data) : m_data(std::move(data)) {}

    qsizetype Size() const { return m_data.size(); }
    qsizetype Position() const { return m_position; }
    void SetPosition(qsizetype position); // any value >= 0; reads beyond Size() fail
    qsizetype Remaining() const { return m_position < Size() ? Size() - m_position : 0; }
    void SetSize(qsizetype size);         // new bytes are zero; the position is kept
    void Clear();                         // size and position 0
    void Reserve(qsizetype size); // room for size bytes; grows geometrically

    void Read(void* buffer, qsizetype count); // all count bytes or TamsorError
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

    const char* Data() const { return m_data.constData(); }
    const QByteArray& Bytes() const { return m_data; }
    QByteArray TakeBytes(); // leaves the stream empty

    void LoadFromFile(const QString& path); // TamsorError "Cannot open file "%s". %s"
    void SaveToFile(const QString& path);   // atomic replace; "Cannot create file "%s". %s"

    // A read-only window on bytes owned elsewhere, valid while they are; writing copies first.
    static TKivStream View(const char* data, qsizetype size);

private:
    friend class TKivSerialization;
    QByteArray m_data;
    qsizetype m_position = 0;
    // Bytes before the logical start: end positions of blocks count from here. Lets a nested
    // list be built in place behind its entry's tag and length instead of being copied there.
    qsizetype m_origin = 0;
};

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
            TKivStream& buffer = BeginListSave(key, listOwner, list.Count());
            for (T* item : list)
                item->SerializeStream(Save, buffer);
            EndListSave(buffer);
            return;
        }
        TKivStream scratch;
        const qint32 count = BeginListLoad(key, scratch, listOwner);
        if (count < 0)
            return;
        list.Clear();
        for (qint32 i = 0; i < count; ++i)
            create()->SerializeStream(Load, scratch);
    }

private:
    struct KeyLess {
        bool operator()(const QString& a, const QString& b) const
        {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        }
    };
    // Bytes at the start of the key's buffer, or null when fewer are there.
    const char* EntryPayload(const QString& key, quint8 tag, qsizetype payloadSize);
    // The key's entry: tag 19, the list stream's length and the list stream, built in place.
    TKivStream& BeginListSave(const QString& key, const TKivPersistent& listOwner, int count);
    void EndListSave(TKivStream& buffer);
    // The stored item count, or -1 when the list is stored under another name.
    qint32 BeginListLoad(const QString& key, TKivStream& scratch,
                         const TKivPersistent& listOwner);

    TKivPersistent& m_owner;
    TKivStream& m_stream;
    int m_mode;
    std::map<QString, TKivStream, KeyLess> m_keys;
};

// Stream primitives of object blocks and list streams.
void WriteText(TKivStream& stream, const QString& text);
void ReadText(TKivStream& stream, QString& text); // unchanged when fewer than 4 bytes remain
void WriteBlock(TKivStream& stream, const TKivStream& block);
void ReadBlock(TKivStream& stream, TKivStream& block); // empties block first

// Comma text of string lists: items joined by ",", quoted when they hold a character up to
// the space, a comma or a double quote.
QString CommaText(const QStringList& items);
QStringList FromCommaText(const QString& text);

// The project classes known by name; names compare without regard to case.
const QStringList& RegisteredKivClasses();
// The registered spelling of name, or an empty text when no such class is registered.
QString FindKivClass(const QString& name);
