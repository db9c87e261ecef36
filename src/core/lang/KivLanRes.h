#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// The text of string ID id in the current language; empty when the language lacks it or
// no language has been selected yet.
QString GetLangString(int id);

// One language file ("StrTab.ini" or "StrRes.ini"): lines of the form key=value. Keys are
// compared without regard to case; when a key occurs on several lines, the line that sorts
// first (without regard to case) wins. Lines without "=" are ignored; nothing is trimmed.
class TKivLangTable
{
public:
    // Reads and decodes a file of the language localeId (see DecodeLanguageText). Throws
    // TamsorError when it cannot be read.
    void LoadFromFile(const QString& fileName, int localeId);
    void SetText(const QString& text);

    QString Value(const QString& key) const; // empty when absent
    bool Contains(const QString& key) const;
    int Count() const { return int(m_entries.size()); } // distinct keys
    // Set when the file was neither Unicode nor readable in its language's code page; says
    // which file and line.
    QString Warning;

private:
    struct Entry {
        QString line;
        QString value;
    };
    QHash<QString, Entry> m_entries; // by case-folded key
};

// Decodes a file of the language localeId: a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark
// selects that encoding; without one the file is read as UTF-8 when it is valid UTF-8, else in
// the language's legacy code page (LegacyCodePage), as language packs written on systems
// without Unicode files are. Only where neither applies (a byte-order mark, or a language
// without a code page) do bad bytes become U+FFFD, and *firstBadLine is set to the first line
// (from 1) holding one; else it is 0.
QString DecodeLanguageText(const QByteArray& bytes, int localeId, int* firstBadLine);

class TKivLanguageResources;

// One installed language: a folder named by its locale identifier.
class TKivLanguageResource
{
public:
    // Adds itself to owner's Languages; loads the two files.
    TKivLanguageResource(TKivLanguageResources* owner, int localeId, const QString& strTabFile,
                         const QString& strResFile);
    ~TKivLanguageResource(); // takes itself out of its owner's Languages
    TKivLanguageResource(const TKivLanguageResource&) = delete;
    TKivLanguageResource& operator=(const TKivLanguageResource&) = delete;

    TKivLanguageResources* Owner;
    int LocaleId;
    TKivLangTable StrTab;
    TKivLangTable StrRes;
};

// The language menu as the language resources see it: the GUI puts a check mark on the item
// of the selected language.
class TKivLanguageMenu
{
public:
    virtual ~TKivLanguageMenu() = default;
    virtual void CheckLanguage(int localeId) = 0;
};

// The installed languages and the selected one.
class TKivLanguageResources
{
public:
    TKivLanguageResources() = default;
    ~TKivLanguageResources(); // destroys the languages, last to first
    TKivLanguageResources(const TKivLanguageResources&) = delete;
    TKivLanguageResources& operator=(const TKivLanguageResources&) = delete;

    // Forgets earlier languages and scans programFolder (when empty, the first folder of
    // LanguageSearchFolders() that holds a language): each sub-folder named by a known locale identifier that holds "StrTab.ini", and
    // "StrRes.ini" itself or in the program folder, is a language. Folders are taken in the
    // order of their names. Files that cannot be decoded cleanly are still used; their
    // problems are collected in Warnings.
    void Discover(const QString& programFolder = QString());

    TKivLanguageResource* Find(int localeId) const;
    // Selects the language localeId, or 1033 when that one is not installed. Returns 0, or
    // -1 (changing nothing) when neither is installed.
    int SelectLanguage(int localeId);

    TKivLanguageResource* Current = nullptr;
    TKivLanguageMenu* LanguageMenu = nullptr;
    QString ProgramFolder; // ends with "/"
    QList<TKivLanguageResource*> Languages;
    QStringList Warnings;

private:
    void AddLanguage(int localeId);
    void Clear();
};

extern TKivLanguageResources LanguageResources;

// Where the programs look for their language folders, in order: beside the program, then
// <prefix>/share/tamsor of an installed program (bin/../share/tamsor), then "tamsor" in each
// XDG data folder ($XDG_DATA_HOME, then $XDG_DATA_DIRS).
QStringList LanguageSearchFolders();

// "STR%05d": the StrTab key of a string ID.
QString StringKey(int id);

// The current language's main-window font: "Font.Name" (empty when absent) and "Font.Size"
// (8 when absent or not a number).
QString LanguageFontName();
int LanguageFontSize();

// Choice lists: at ID n the item count, at n+1 .. n+count the items.
QStringList LangList(int id);

// An item "value, separator, caption": the leading number (after leading spaces, colons and
// hyphens) is the value (-1 when it is not a number); the separator is the space, colon or
// hyphen after it; the caption is the rest.
struct TKivLangListItem {
    int Value;
    QString Caption;
};
TKivLangListItem ParseLangListItem(const QString& item);

// Message boxes. Flags and results are those of the Windows message box, which the language
// files and callers use.
namespace KivMsg
{
enum : unsigned {
    Ok = 0x0,
    OkCancel = 0x1,
    AbortRetryIgnore = 0x2,
    YesNoCancel = 0x3,
    YesNo = 0x4,
    RetryCancel = 0x5,
    IconError = 0x10,
    IconQuestion = 0x20,
    IconWarning = 0x30,
    IconInformation = 0x40,
    DefaultButton2 = 0x100,
    DefaultButton3 = 0x200,
};
enum : int { IdOk = 1, IdCancel = 2, IdAbort = 3, IdRetry = 4, IdIgnore = 5, IdYes = 6, IdNo = 7 };
} // namespace KivMsg

// The buttons of a flag set in order, and the one the flags make the default.
QList<int> MessageButtons(unsigned flags);
int DefaultMessageButton(unsigned flags);

// Shows a message with text GetLangString(textId) and caption GetLangString(captionId)
// through the installed hook and returns the button pressed (KivMsg::IdYes ...).
int ShowLangMessage(int textId, int captionId, unsigned flags);
// The same for a text that is already made (an error's own text), with caption captionId.
int ShowTextMessage(const QString& text, int captionId, unsigned flags);

// The hook that shows a message. Without a GUI the default prints caption and text to stderr
// and answers with the default button. Returns the previous hook.
using TKivMessageHook =
    std::function<int(const QString& text, const QString& caption, unsigned flags)>;
TKivMessageHook SetLangMessageHook(TKivMessageHook hook);
