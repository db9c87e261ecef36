#pragma once

#include <QString>
#include <functional>

class QComboBox;
class QMenu;
class QWidget;

// The widget side of the language resources.

// Installs what the core's language code needs from the widgets: the message box behind
// ShowLangMessage, grid header items for Columns[i], and the test for widgets whose texts
// come from an assigned action. Call once after the QApplication exists.
void InstallUiLanguageSupport();

// The message box ShowLangMessage shows in the GUI (flags as the Windows message box).
int ShowMessageBox(const QString& text, const QString& caption, unsigned flags);

// Replaces the items by the choice list at id (count at id, items after it) and selects none;
// leaves the combo box as it is when the list is empty.
void FillComboFromLang(QComboBox* combo, int id);
// The same for lists of "value separator caption" items: shows the captions, keeps each value
// and selects the last item whose value equals value (none when no item does).
void FillComboWithValues(QComboBox* combo, int id, int value);
// The value of the selected item; -1 when none is selected or the item has no value.
int ComboValue(const QComboBox* combo);

// Adds one checkable item per installed language under menu (its native name, tagged with
// its locale identifier, checked when it is the current language) and keeps the check mark
// in step with SelectLanguage. handler receives the clicked identifier.
void BuildLanguageMenu(QMenu* menu, std::function<void(int localeId)> handler);

// Applies the current language's texts to every top-level window of the application.
void ApplyLanguageToApplication();
// Gives window the current language's font name (when it names one) and size.
void ApplyLanguageFont(QWidget* window);
