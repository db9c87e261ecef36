// tamsor: the desktop program.
#include "FileDialogUi.h"
#include "LangUi.h"
#include "MainForm.h"
#include "TamsorError.h"
#include "WindowReadRunner.h"
#include "lang/KivLanRes.h"
#include "lang/KivLangStartup.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"

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
    InstallUiFileDialogs();
    QString choiceProblem;
    try {
        StartLanguage(0, QString(), &choiceProblem);
    } catch (const TamsorError& error) {
        std::fprintf(stderr, "tamsor: %s\n", qUtf8Printable(error.message()));
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QMessageBox::critical(nullptr, QStringLiteral("Tamsor"), error.message());
        return 1;
    }
    if (!choiceProblem.isEmpty()) {
        // A damaged stored language choice does not keep the program from starting.
        const QString text =
            FormatLangText(GetLangString(StrId::LanguageChoiceDamaged), {choiceProblem});
        std::fprintf(stderr, "tamsor: %s\n", qUtf8Printable(text));
        ShowTextMessage(text, StrId::MainTitle, KivMsg::IconWarning);
    }
    TFormMain form;
    form.SetCommandLine(QApplication::arguments().mid(1));
    // Serial and TCP station reads show the read window from here on.
    TWindowReadRunner readRunner(&form);
    form.ApplyLanguageTexts();
    form.show();
    return app.exec();
}
