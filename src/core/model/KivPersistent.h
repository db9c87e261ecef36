#pragma once

#include "KivStream.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

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
    // Moves every item of other, in order, to the end of this list; reown(item) makes each
    // one this list's. Takes time in proportion to the items moved, however many there are.
    template <class Reown> void TakeAllFrom(TKivList& other, Reown reown)
    {
        m_items.reserve(m_items.size() + other.m_items.size());
        for (T* item : std::exchange(other.m_items, QList<T*>())) {
            reown(item);
            m_items.append(item);
        }
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

// The project classes known by name; names compare without regard to case.
const QStringList& RegisteredKivClasses();
// The registered spelling of name, or an empty text when no such class is registered.
QString FindKivClass(const QString& name);
