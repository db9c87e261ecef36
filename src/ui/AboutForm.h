#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: program icon, name and version, a link to the home page and a short notice.
// Made on first use and kept; shown without being modal.
class TFormAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TFormAbout(QWidget* parent = nullptr);

    // Texts built by the program (version line and link) in the current language.
    void ShowTexts();

    static constexpr int VersionMajor = 1;
    static constexpr int VersionMinor = 0;
    static const char* const HomePage;

    QLabel* imgAbout;
    QLabel* lblMain;
    QLabel* lblLink;
    QLabel* lblNotice;
    QPushButton* btnOK;
};
