// tamsor: the desktop program.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamsor"));
    QMainWindow window;
    window.setObjectName(QStringLiteral("FormMain"));
    window.show();
    return app.exec();
}
