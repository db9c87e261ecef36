#pragma once

// The fictional "TP-300 demo panel" of a bakery line: its define file and a register image
// that matches it, with realistic recipe values, logs whose headers carry correct CRCs (one
// full ring that has wrapped) and a wrapped alarm history behind a device time offset.

#include <QByteArray>
#include <QString>

constexpr quint32 DemoModelId = 300;

QString DemoDefineText();
QByteArray DemoRegisterImage();
