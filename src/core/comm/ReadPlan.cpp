#include "ReadPlan.h"

#include <algorithm>

namespace
{

bool BlockWanted(const TRegisterSet& wanted, const TRegisterSet& skip, int b)
{
    return wanted.TouchesBlock(b) && !skip.TouchesBlock(b);
}

} // namespace

std::vector<TBlockRequest> PlanBlockRequests(const TRegisterSet& wanted, int blockRegisters,
                                             const TRegisterSet& skip)
{
    constexpr int blockSize = TRegisterSet::kBlockRegisters;
    blockRegisters = std::max(blockRegisters, blockSize);
    std::vector<TBlockRequest> requests;
    for (int b = 0; b < TRegisterSet::kBlockCount;) {
        if (!BlockWanted(wanted, skip, b)) {
            ++b;
            continue;
        }
        int end = b + 1;
        while (end < TRegisterSet::kBlockCount && BlockWanted(wanted, skip, end))
            ++end;
        for (int start = b * blockSize; start < end * blockSize; start += blockRegisters) {
            const int count = std::min(blockRegisters, end * blockSize - start);
            requests.push_back({quint16(start), quint16(count)});
        }
        b = end;
    }
    return requests;
}

TRegisterSet RegistersOf(const std::vector<TBlockRequest>& requests)
{
    TRegisterSet set;
    for (const TBlockRequest& request : requests)
        set.AddRange(request.start, qint64(request.start) + request.count);
    return set;
}
