#pragma once

#include <QMainWindow>

class QMenu;

// The main window. For now it carries the title, the File menu and the Tools menu with the
// language submenu; its texts come from the language files by component name.
class TFormMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);

    QMenu* LanguageMenu() const { return miLanguageRes; }

    // The click on a language item: stores the choice, selects the language and applies its
    // texts and font to every window. Ends the program when no language can be selected.
    void miLanguageExecute(int localeId);

private:
    QMenu* miFile;
    QMenu* miTools;
    QMenu* miLanguageRes;
};
