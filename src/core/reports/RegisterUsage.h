#pragma once

#include "model/RegisterSet.h"

#include <QByteArray>

#include <vector>

class TKivStation;

// The registers a station's definitions make the decoders read: each recipe's records (the
// registers of their columns), each data-record log's header and ring (slots and ticks), the
// alarm backup area, the model register 0xFF80 and the time-offset register 65,056. Reading
// just these and decoding gives the same tables as reading the whole memory.
//
// The usage is taken from the station when made and does not follow later changes to its
// definitions.
class TRegisterUsage
{
public:
    explicit TRegisterUsage(const TKivStation& station);

    // The registers the definitions alone name.
    TRegisterSet Registers() const;
    // The same, plus the slots whose entries a log header in `image` says are stored: a
    // device whose header counts more slots than its definition has them beyond the ring.
    TRegisterSet Registers(const QByteArray& image) const;

private:
    struct Log {
        quint32 firstRegister;
        quint32 slotCount;
        quint32 capacity;
        qint64 slotSpan; // registers of a slot the columns or the slot size cover
    };

    TRegisterSet m_fixed;
    std::vector<Log> m_logs;
};
