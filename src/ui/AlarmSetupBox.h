#pragma once

#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
class TKivAlarms;

// The setup box below the alarm grid (gbxSetup): the title of the current column and, for the
// two time columns, their time display format. Edits go straight into the alarm settings and
// are reported through ColumnEdited.
class TAlarmSetupBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit TAlarmSetupBox(QWidget* parent = nullptr);

    // Shows value column `column` of alarms: 0 and 1 the times (title and time format), 2 the
    // message (title only). Any other column refills nothing; null alarms clear and disable.
    void ShowColumn(TKivAlarms* alarms, int column);

    QLineEdit* edtTitle;
    QLabel* lblDispalyFormat;
    QComboBox* cbxDisplayFormat;

signals:
    void ColumnEdited(bool changed);

private:
    void EditTitle(const QString& text);
    void EditTickFormat(const QString& text);

    TKivAlarms* m_alarms = nullptr;
    int m_column = -1;
    bool m_showing = false;
};
