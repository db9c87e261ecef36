#include "AboutForm.h"

#include "UiResources.h"
#include "lang/KivLanRes.h"
#include "lang/KivLangApply.h"
#include "lang/StringIds.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

const char* const TFormAbout::HomePage = "https://tamsor.example.org/";

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent)
{
    InitUiResources();
    setObjectName(QStringLiteral("FormAbout"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setMinimumSize(514, 171);

    imgAbout = new QLabel(this);
    imgAbout->setObjectName(QStringLiteral("imgAbout"));
    imgAbout->setPixmap(QIcon(QStringLiteral(":/icons/tamsor.svg")).pixmap(32, 32));
    imgAbout->setAlignment(Qt::AlignTop);
    lblMain = new QLabel(this);
    lblMain->setObjectName(QStringLiteral("lblMain"));
    QFont large = lblMain->font();
    large.setPixelSize(21);
    lblMain->setFont(large);
    lblLink = new QLabel(this);
    lblLink->setObjectName(QStringLiteral("lblLink"));
    lblLink->setOpenExternalLinks(true);
    lblLink->setTextInteractionFlags(Qt::TextBrowserInteraction);
    lblNotice = new QLabel(this);
    lblNotice->setObjectName(QStringLiteral("lblNotice"));
    lblNotice->setWordWrap(true);
    lblNotice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    btnOK = new QPushButton(this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::close);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 12);
    grid->setHorizontalSpacing(16);
    grid->addWidget(imgAbout, 0, 0, 3, 1);
    grid->addWidget(lblMain, 0, 1);
    grid->addWidget(lblLink, 1, 1);
    grid->addWidget(lblNotice, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);

    ApplyLanguage(this);
    ShowTexts();
}

void TFormAbout::ShowTexts()
{
    lblMain->setText(QString::asprintf("Tamsor v%d.%02d Beta2", VersionMajor, VersionMinor));
    lblLink->setText(
        QStringLiteral("<a href=\"%1\">%2</a>")
            .arg(QLatin1String(HomePage), GetLangString(StrId::AboutLink).toHtmlEscaped()));
    lblLink->setAccessibleName(GetLangString(StrId::AboutLink));
}
