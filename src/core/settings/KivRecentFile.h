#pragma once

#include <QString>
#include <QStringList>

// The menu side of the recent-project list, implemented by the GUI: the items after the
// anchor item and its separator.
class TKivRecentMenu
{
public:
    virtual ~TKivRecentMenu() = default;
    // Removes every recent item (everything after the anchor and the item after it).
    virtual void ClearRecentItems() = 0;
    // Appends an item; a click on it opens path.
    virtual void AddRecentItem(const QString& caption, const QString& path) = 0;
};

// The most recently opened or saved projects, most recent first.
class TKivRecentFile
{
public:
    static constexpr int MaxEntries = 10;

    // Moves path to the front (a stored entry equal without regard to case keeps its letter
    // case), trims the list to MaxEntries and rebuilds the menu. False for an empty path.
    bool Add(const QString& path);
    // Rebuilds the menu from the first maximum entries: an entry whose file exists gets the
    // caption "&<position> : <path>"; a missing file gets no item but keeps its number.
    // False when no menu is attached.
    bool Rebuild(int maximum);

    // The entries as lines, each ended by CR LF; set splits at CR LF, LF or CR, one entry per
    // line, empty lines kept in their places.
    QString EntriesText() const;
    void SetEntriesText(const QString& text);

    // Reads the entries from the program's settings (KivSettings::RecentProject); an absent
    // value leaves them as they are. A stored value that cannot be read (not a string, such as
    // the list an edited settings file may hold) leaves the list empty; the returned text then
    // says why, naming the setting, and is empty otherwise.
    QString LoadSettings();
    // Writes the entries to the program's settings.
    void SaveSettings() const;

    const QStringList& Entries() const { return m_entries; }
    void SetMenu(TKivRecentMenu* menu) { m_menu = menu; }
    TKivRecentMenu* Menu() const { return m_menu; }

    static QString ItemCaption(int position, const QString& path);

private:
    QStringList m_entries;
    TKivRecentMenu* m_menu = nullptr;
};
