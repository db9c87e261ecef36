#pragma once

#include "comm/StationReader.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The modal read window: shows the progress of one station read and its outcome. The read
// starts when the window is shown; a silent read closes the window itself at the end, an
// interactive one leaves the outcome on screen until the user closes it. Closing the
// window during a read stops the read.
class TFormCommunication : public QDialog
{
    Q_OBJECT

public:
    explicit TFormCommunication(QWidget* parent = nullptr,
                                TStationReader::TransportFactory factory = MakeReadTransport);

    // Shows the window modally and reads; returns when the window has closed. When another
    // read is running, or the window is still showing one, the read is refused and the
    // outcome says so (ReadProblem::Busy).
    StationReadOutcome RunRead(const StationReadRequest& request, bool silent);

    // Outcome of the last read, kept until the next one starts (0 before the first read).
    int State() const { return m_state; }
    const StationReadOutcome& LastOutcome() const { return m_reader.Outcome(); }

    QLabel* lblMessage = nullptr;
    QProgressBar* pgbCommunication = nullptr;
    QPushButton* btnClose = nullptr;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void StartRead();
    void ShowProgress(int state, int percent, const QString& text);
    void FinishRead(const StationReadOutcome& outcome);

    TStationReader m_reader;
    StationReadRequest m_request;
    bool m_autoClose = false;
    bool m_startPending = false;
    int m_state = ReadIdle;
};
