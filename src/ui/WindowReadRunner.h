#pragma once

#include "CommunicationForm.h"
#include "comm/StationReadRunner.h"

#include <QPointer>

// The desktop program's station read runner: shows serial and TCP reads in the modal read
// window, made on the first read and reused to the end. Installs itself as the runner of
// ReadStation while it lives.
class TWindowReadRunner : public TStationReadRunner
{
public:
    // parent: the window the read window is centred on (may be null); the read window
    // goes with whichever of the two ends first.
    explicit TWindowReadRunner(QWidget* parent = nullptr,
                               TStationReader::TransportFactory factory = MakeReadTransport);
    ~TWindowReadRunner() override;
    TWindowReadRunner(const TWindowReadRunner&) = delete;
    TWindowReadRunner& operator=(const TWindowReadRunner&) = delete;

    StationReadOutcome RunRead(const StationReadRequest& request, bool silent) override;
    int State() const override;

    // The read window; null before the first serial or TCP read.
    TFormCommunication* FormCommunication() const { return m_form.data(); }

private:
    QWidget* m_parent;
    TStationReader::TransportFactory m_factory;
    QPointer<TFormCommunication> m_form;
    TStationReadRunner* m_previous;
};
