// tamsor: the desktop program.
#include "LangUi.h"
#include "MainForm.h"
#include "TamsorError.h"
#include "WindowReadRunner.h"
#include "lang/KivLangApply.h"
#include "lang/KivLangStartup.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamsor"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    // Desktops match the windows to tamsor.desktop, and so to its icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("tamsor"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("tamsor"), QIcon(QStringLiteral(":/icons/tamsor.svg"))));
    InstallUiLanguageSupport();
    try {
        StartLanguage();
    } catch (const TamsorError& error) {
        std::fprintf(stderr, "tamsor: %s\n", qUtf8Printable(error.message()));
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QMessageBox::critical(nullptr, QStringLiteral("Tamsor"), error.message());
        return 1;
    }
    TFormMain form;
    // Serial and TCP station reads show the read window from here on.
    TWindowReadRunner readRunner(&form);
    ApplyLanguage(&form);
    ApplyLanguageFont(&form);
    form.show();
    return app.exec();
}
