#pragma once

#include <QString>

class QLabel;
class QWidget;

// A label in a setup box naming control: its text is string ID textId (the language files
// give it again by the label's component name), and it is the control's buddy, so its
// mnemonic focuses the control and screen readers announce the control by the label's text.
QLabel* SetupLabel(QWidget* parent, const QString& name, int textId, QWidget* control);
