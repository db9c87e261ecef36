#pragma once

#include <QByteArray>
#include <QtGlobal>

// CRC-16/MODBUS (reflected polynomial 0xA001, no final XOR). Callers pass 0xFFFF as the
// initial value; a length of 0 or less returns the initial value unchanged. The low byte of
// the result goes first on the wire.
quint16 ModbusCrc16(const void* bytes, int length, quint16 initial = 0xFFFF);

// frame followed by its CRC, low byte first: an RTU frame as it goes on the wire.
QByteArray WithModbusCrc(QByteArray frame);
