#pragma once

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QSpinBox;
struct TReadOptions;

// The channel editor's advanced box: how the channel reads its stations (only the registers the
// definitions use, registers per request, requests in flight on TCP). Its check box opens and
// shuts it; shut, it shows its caption alone. Every edit goes straight into the options shown
// and is announced by Edited; filling the controls announces nothing.
class TReadOptionsBox : public QGroupBox
{
    Q_OBJECT

public:
    explicit TReadOptionsBox(QWidget* parent = nullptr);

    // Shows options (none: nullptr); the in-flight count is editable only when inFlightApplies.
    // A stored value out of range shows as the value a read uses instead.
    void Load(TReadOptions* options, bool inFlightApplies);
    bool IsOpen() const { return isChecked(); }
    // Opens or shuts the box; OpenChanged follows.
    void SetOpen(bool open);

    QCheckBox* cbxDefinedOnly;
    QLabel* lblBlockRegisters;
    QSpinBox* edtBlockRegisters;
    QLabel* lblInFlight;
    QSpinBox* edtInFlight;

signals:
    void Edited();
    void OpenChanged(bool open);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void cbxDefinedOnlyClick(bool checked);
    void edtBlockRegistersChange(int value);
    void edtInFlightChange(int value);
    void OpenToggled(bool open);

    QWidget* FBody;
    TReadOptions* FOptions = nullptr;
};
