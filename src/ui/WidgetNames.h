#pragma once

class QWidget;

// Gives every control that a label names (its buddy) the label's text, without access-key
// marks and a trailing colon, as its accessible name, so screen readers announce it in the
// current language. A button that shows only an image is named by its tooltip. Run again
// after every change of language.
void NameFromLabels(QWidget* root);
