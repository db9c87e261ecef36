#include "WindowReadRunner.h"

#include "CommunicationForm.h"

TWindowReadRunner::TWindowReadRunner(QWidget* parent, TStationReader::TransportFactory factory)
    : m_parent(parent), m_factory(std::move(factory)), m_previous(SetStationReadRunner(this))
{
}

TWindowReadRunner::~TWindowReadRunner()
{
    if (&CurrentStationReadRunner() == this)
        SetStationReadRunner(m_previous);
    delete m_form.data();
}

StationReadOutcome TWindowReadRunner::RunRead(const StationReadRequest& request, bool silent)
{
    if (!m_form)
        m_form = new TFormCommunication(m_parent, m_factory);
    return m_form->RunRead(request, silent);
}

int TWindowReadRunner::State() const
{
    return m_form ? m_form->State() : int(ReadIdle);
}
