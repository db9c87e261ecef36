#include "CommunicationForm.h"

#include "lang/KivLangApply.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

TFormCommunication::TFormCommunication(QWidget* parent, TStationReader::TransportFactory factory)
    : QDialog(parent), m_reader(this, std::move(factory))
{
    setObjectName(QStringLiteral("FormCommunication"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(398, 131);
    setModal(true);

    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setGeometry(8, 24, 379, 30);
    lblMessage->setWordWrap(true);
    lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    pgbCommunication = new QProgressBar(this);
    pgbCommunication->setObjectName(QStringLiteral("pgbCommunication"));
    pgbCommunication->setGeometry(8, 56, 379, 17);
    pgbCommunication->setRange(0, 100);

    btnClose = new QPushButton(this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(312, 96, 75, 25);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    connect(&m_reader, &TStationReader::Progress, this, &TFormCommunication::ShowProgress);
    connect(&m_reader, &TStationReader::Finished, this, &TFormCommunication::FinishRead);
    ApplyLanguage(this);
}

StationReadOutcome TFormCommunication::RunRead(const StationReadRequest& request, bool silent)
{
    // The window stays up after an interactive read until the user closes it; a read asked
    // for meanwhile would take over its request and hand back its outcome.
    if (isVisible() || m_reader.IsRunning() || TStationReadEngine::AnyReadRunning())
        return TStationReadEngine::BusyOutcome();
    setWindowTitle(GetLangString(StrId::ReadWindowCaption));
    m_request = request;
    m_autoClose = silent;
    m_startPending = true;
    exec();
    if (m_startPending) {
        // Closed before the read began: nothing was read, and the last read's outcome is
        // not this one's.
        m_startPending = false;
        StationReadOutcome outcome;
        outcome.state = m_state = ReadIdentifying;
        outcome.problem = ReadProblem::Cancelled;
        outcome.messageId = StrId::ReadCancelled;
        outcome.message = GetLangString(StrId::ReadCancelled);
        return outcome;
    }
    return m_reader.Outcome();
}

void TFormCommunication::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_startPending) {
        // Started from the event loop so the window is on screen before the first byte goes.
        QTimer::singleShot(0, this, &TFormCommunication::StartRead);
    }
}

void TFormCommunication::StartRead()
{
    // The window may have been closed before this ran.
    if (!m_startPending || !isVisible())
        return;
    m_startPending = false;
    btnClose->setEnabled(false);
    ShowProgress(ReadIdentifying, 0, TStationReadEngine::ProgressText(ReadIdentifying, 0));
    if (!m_reader.Start(m_request))
        FinishRead(m_reader.Outcome());
}

void TFormCommunication::ShowProgress(int state, int percent, const QString& text)
{
    m_state = state;
    lblMessage->setText(text);
    pgbCommunication->setValue(percent);
}

void TFormCommunication::FinishRead(const StationReadOutcome& outcome)
{
    m_state = outcome.state;
    if (outcome.problem == ReadProblem::Cancelled)
        return;
    lblMessage->setText(outcome.message);
    if (m_autoClose && isVisible())
        accept();
    else
        btnClose->setEnabled(true);
}

void TFormCommunication::reject()
{
    // The close box or Escape: a running read stops and keeps its state.
    m_reader.Cancel();
    QDialog::reject();
}
