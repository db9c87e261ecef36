#include "MainForm.h"

#include "LangUi.h"
#include "lang/KivLangStartup.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QScreen>

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(GetLangString(StrId::MainTitle));
    setMinimumSize(840, 480);
    resize(824, 422);

    // The design texts are placeholders; the language files give the real ones.
    miFile = menuBar()->addMenu(QStringLiteral("File"));
    miFile->setObjectName(QStringLiteral("miFile"));
    QAction* miExit = miFile->addAction(QStringLiteral("Exit"));
    miExit->setObjectName(QStringLiteral("miExit"));
    connect(miExit, &QAction::triggered, this, &QWidget::close);

    miTools = menuBar()->addMenu(QStringLiteral("Tools"));
    miTools->setObjectName(QStringLiteral("miTools"));
    miLanguageRes = miTools->addMenu(QStringLiteral("Language"));
    miLanguageRes->setObjectName(QStringLiteral("miLanguageRes"));
    BuildLanguageMenu(miLanguageRes, [this](int localeId) { miLanguageExecute(localeId); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormMain::miLanguageExecute(int localeId)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    StoreLanguageChoice(localeId);
    if (LanguageResources.SelectLanguage(localeId) != 0) {
        QApplication::restoreOverrideCursor();
        QApplication::exit(1);
        return;
    }
    ApplyLanguageToApplication();
    ApplyLanguageFont(this);
    QApplication::restoreOverrideCursor();
}
