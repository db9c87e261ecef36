#pragma once

#include "KivPersistent.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

// The most list items (channels, stations, tables, columns and alarms together) that loading
// one project file creates. Far beyond any real project, it keeps a small file of empty blocks
// from taking gigabytes of memory (each item takes several hundred bytes).
constexpr qint64 MaxLoadedListItems = qint64(1) << 21;

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
    // Adds count to the items a load from a file creates; past MaxLoadedListItems the load is
    // refused before any of them is made.
    static void CountListItems(TKivStream& in, qint32 count);
    template <class T, class Create>
    static void LoadList(TKivStream& in, const TKivPersistent& listOwner, TKivList<T>& list,
                         Create create)
    {
        const qint32 count = ReadListHeader(in, listOwner);
        if (count < 0)
            return;
        CountListItems(in, count);
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
