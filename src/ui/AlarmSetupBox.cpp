#include "AlarmSetupBox.h"

#include "FrameWidgets.h"
#include "LangUi.h"
#include "editor/KivColumnSetup.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

TAlarmSetupBox::TAlarmSetupBox(QWidget* parent) : QGroupBox(parent)
{
    setObjectName(QStringLiteral("gbxSetup"));
    edtTitle = NamedWidget<QLineEdit>(this, "edtTitle");
    cbxDisplayFormat = TimeFormatCombo(this, "cbxDisplayFormat");
    lblDispalyFormat = BuddyLabel(cbxDisplayFormat, this, "lblDispalyFormat");

    auto* row = new QHBoxLayout(this);
    row->addWidget(BuddyLabel(edtTitle, this, "lblTitle"));
    row->addWidget(edtTitle, 1);
    row->addSpacing(12);
    row->addWidget(lblDispalyFormat);
    row->addWidget(cbxDisplayFormat, 1);

    connect(edtTitle, &QLineEdit::textEdited, this, &TAlarmSetupBox::EditTitle);
    connect(cbxDisplayFormat->lineEdit(), &QLineEdit::textEdited, this,
            &TAlarmSetupBox::EditTickFormat);
    connect(cbxDisplayFormat, &QComboBox::textActivated, this, &TAlarmSetupBox::EditTickFormat);
    ShowColumn(nullptr, -1);
}

void TAlarmSetupBox::ShowColumn(TKivAlarms* alarms, int column)
{
    m_showing = true;
    m_alarms = alarms;
    edtTitle->setEnabled(alarms != nullptr);
    cbxDisplayFormat->setEnabled(alarms != nullptr);
    if (!alarms) {
        m_column = -1;
        edtTitle->clear();
    } else if (const QString* title = AlarmColumnTitle(*alarms, column)) {
        m_column = column;
        edtTitle->setText(*title);
        const QString* tickFormat = AlarmColumnTickFormat(*alarms, column);
        lblDispalyFormat->setVisible(tickFormat != nullptr);
        cbxDisplayFormat->setVisible(tickFormat != nullptr);
        if (tickFormat) {
            FillComboFromLang(cbxDisplayFormat, StrId::TimeFormatList);
            cbxDisplayFormat->setEditText(*tickFormat);
        }
    }
    m_showing = false;
}

void TAlarmSetupBox::EditTitle(const QString& text)
{
    QString* title = m_alarms ? AlarmColumnTitle(*m_alarms, m_column) : nullptr;
    if (!m_showing && title)
        emit ColumnEdited(SetText(*title, text));
}

void TAlarmSetupBox::EditTickFormat(const QString& text)
{
    QString* format = m_alarms ? AlarmColumnTickFormat(*m_alarms, m_column) : nullptr;
    if (!m_showing && format)
        emit ColumnEdited(SetText(*format, text));
}
