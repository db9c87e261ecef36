#pragma once

#include <QString>

class QAction;
class QComboBox;
class QLabel;
class QStackedWidget;
class QToolButton;
class QWidget;

// Small builders the frames share, so their controls look and behave alike.

// A command of a frame, named like its component (actAddChannel); its texts come from the
// language files.
QAction* FrameAction(QWidget* frame, const char* name);
// A push button showing action: its text, enabled state and click are the action's.
QToolButton* ActionButton(QAction* action, QWidget* parent, const char* name);
// One of a row of flat buttons that choose what an editor shows (table or chart, as read or
// stored): checkable, reached with the keyboard.
QToolButton* ViewButton(QWidget* parent, const char* name, bool checked);
// A label naming buddy, for the keyboard (its access key) and screen readers.
QLabel* BuddyLabel(QWidget* buddy, QWidget* parent, const char* name);
// A control of class Widget named like its component, owned by parent.
template <class Widget> Widget* NamedWidget(QWidget* parent, const char* name)
{
    auto* widget = new Widget(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}
// An editable list for a time display format: free text, with suggestions filled in later.
QComboBox* TimeFormatCombo(QWidget* parent, const char* name);
// Shows page in stack, which then takes the height of that page alone, not of its tallest
// page, so what lies below the stack follows right under the page shown.
void ShowStackPage(QStackedWidget* stack, QWidget* page);
