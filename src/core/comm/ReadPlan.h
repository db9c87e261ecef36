#pragma once

#include "model/RegisterSet.h"

#include <QtGlobal>

#include <vector>

// One read request of a station read: count registers from start.
struct TBlockRequest {
    quint16 start = 0;
    quint16 count = 0;
    bool operator==(const TBlockRequest&) const = default;
};

// The requests that read the 64-register blocks holding any register of `wanted` and none of
// `skip`, lowest first. Neighbouring blocks are read together, up to blockRegisters (64 to
// 125) a request: a run of blocks is cut into requests of blockRegisters from its start, the
// last one taking the rest. Whatever the block size, the same registers are read.
std::vector<TBlockRequest> PlanBlockRequests(const TRegisterSet& wanted, int blockRegisters,
                                             const TRegisterSet& skip = TRegisterSet());

// The registers a list of requests reads.
TRegisterSet RegistersOf(const std::vector<TBlockRequest>& requests);
