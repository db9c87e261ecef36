#include "ReadOptionsBox.h"

#include "FrameWidgets.h"
#include "model/ReadOptions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QVBoxLayout>

TReadOptionsBox::TReadOptionsBox(QWidget* parent) : QGroupBox(parent)
{
    setObjectName(QStringLiteral("gbxReadOptions"));
    setCheckable(true);
    setChecked(false);
    FBody = new QWidget(this);
    cbxDefinedOnly = NamedWidget<QCheckBox>(FBody, "cbxDefinedOnly");
    edtBlockRegisters = NamedWidget<QSpinBox>(FBody, "edtBlockRegisters");
    edtBlockRegisters->setRange(TReadOptions::kDefaultBlockRegisters,
                                TReadOptions::kMaxBlockRegisters);
    lblBlockRegisters = BuddyLabel(edtBlockRegisters, FBody, "lblBlockRegisters");
    edtInFlight = NamedWidget<QSpinBox>(FBody, "edtInFlight");
    edtInFlight->setRange(1, TReadOptions::kMaxInFlight);
    lblInFlight = BuddyLabel(edtInFlight, FBody, "lblInFlight");

    auto* grid = new QGridLayout(FBody);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    grid->addWidget(cbxDefinedOnly, 0, 0, 1, 2);
    grid->addWidget(lblBlockRegisters, 1, 0);
    grid->addWidget(edtBlockRegisters, 1, 1);
    grid->addWidget(lblInFlight, 2, 0);
    grid->addWidget(edtInFlight, 2, 1);
    grid->setColumnStretch(2, 1);
    auto* column = new QVBoxLayout(this);
    column->addWidget(FBody);
    OpenToggled(false);

    connect(this, &QGroupBox::toggled, this, &TReadOptionsBox::OpenToggled);
    connect(cbxDefinedOnly, &QCheckBox::clicked, this, &TReadOptionsBox::cbxDefinedOnlyClick);
    connect(edtBlockRegisters, &QSpinBox::valueChanged, this,
            &TReadOptionsBox::edtBlockRegistersChange);
    connect(edtInFlight, &QSpinBox::valueChanged, this, &TReadOptionsBox::edtInFlightChange);
}

void TReadOptionsBox::Load(TReadOptions* options, bool inFlightApplies)
{
    FOptions = options;
    const TReadOptions shown = options ? options->Usable() : TReadOptions();
    const QSignalBlocker blockRegisters(edtBlockRegisters);
    const QSignalBlocker inFlight(edtInFlight);
    cbxDefinedOnly->setChecked(shown.DefinedOnly);
    edtBlockRegisters->setValue(shown.BlockRegisters);
    edtInFlight->setValue(shown.InFlight);
    lblInFlight->setEnabled(inFlightApplies);
    edtInFlight->setEnabled(inFlightApplies);
}

void TReadOptionsBox::SetOpen(bool open)
{
    setChecked(open);
}

void TReadOptionsBox::OpenToggled(bool open)
{
    // Shut, the box is its caption with the check box alone: no frame, no room for the controls.
    FBody->setVisible(open);
    if (open)
        layout()->setContentsMargins(6, 2, 6, 4);
    else
        layout()->setContentsMargins(0, 0, 0, 0);
    emit OpenChanged(open);
}

void TReadOptionsBox::paintEvent(QPaintEvent*)
{
    // The frame of a shut box would be an empty strip under the caption: it is left out.
    QStylePainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    if (!IsOpen())
        option.subControls &= ~QStyle::SC_GroupBoxFrame;
    painter.drawComplexControl(QStyle::CC_GroupBox, option);
}

void TReadOptionsBox::cbxDefinedOnlyClick(bool checked)
{
    if (!FOptions)
        return;
    FOptions->DefinedOnly = checked;
    emit Edited();
}

void TReadOptionsBox::edtBlockRegistersChange(int value)
{
    if (!FOptions)
        return;
    FOptions->BlockRegisters = value;
    emit Edited();
}

void TReadOptionsBox::edtInFlightChange(int value)
{
    if (!FOptions)
        return;
    FOptions->InFlight = value;
    emit Edited();
}
