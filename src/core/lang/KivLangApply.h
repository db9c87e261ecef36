#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

// Applying the current language's component texts ("StrRes.ini") to a tree of objects.
//
// Paths: a form or frame owns the components placed on it, so a component's path is the
// form's path, ".", and the component's objectName, however deeply its widget is nested
// (FormMain.miFile, FormMain.gbxLeft). Objects without a name are looked through. Forms and
// frames inside another object (a frame hosted in the main window) start a path of their own
// with their own name. Forms are QMainWindow and QDialog objects and every object whose
// property KivOwnsComponents is true (frames set it).
//
// Design property names and what they set:
//   Caption     QAction text, QMenu title, QGroupBox title, QLabel and button text, a form's
//               windowTitle
//   Hint        toolTip
//   Text        QLineEdit text, a memo's plain text, an editable combo box's text
//   Lines       a memo's lines (QPlainTextEdit, QTextEdit), given as comma text
//   Columns[i]  header item i of a grid (through the accessors the GUI library registers)
// A widget whose texts come from an assigned action is skipped; its children are still
// visited.
inline constexpr char KivOwnsComponents[] = "kivOwnsComponents";

// Applies the texts to component and everything it owns; the root's path is its own name.
void ApplyLanguage(QObject* component);
// The same with an explicit path for the component.
void ApplyTexts(const QString& path, QObject* component);

// Resolves a StrRes value: "STR" and five digits is the StrTab text of that key; followed by
// "." the text and " ..." (when allowEllipsis), followed by ":" the text and ":". Anything
// else is literal.
QString ResolveComponentText(const QString& value, bool allowEllipsis = true);

// Comma text: items separated by commas, a quoted item runs to its closing quote (two quotes
// inside give one), whitespace outside quotes is skipped, a comma at the very end adds a
// final empty item.
QStringList SplitCommaText(const QString& text);

// What needs the widget API, registered by the GUI library.
struct TKivCollectionAccess {
    const char* ClassName; // matched with QObject::inherits
    QString Property;      // design name, e.g. "Columns"
    std::function<int(QObject*)> Count;
    // Sets the design property itemProperty (e.g. "Caption") of item index.
    std::function<void(QObject*, int index, const QString& itemProperty, const QString& text)>
        SetText;
};
void RegisterCollectionAccess(TKivCollectionAccess access);
// A test that tells whether an object's texts come from an assigned action.
void RegisterAssignedActionCheck(std::function<bool(const QObject*)> check);
