#pragma once
// Progress of a pass over a buffer in whole percent: the first block reports 0, then roughly
// every further hundredth of the data the next value, and a pass that ends below 100 reports 100.
#include <cstdint>

#include "engine/foundation/event.h"

namespace engine::blowfish {

class ProgressMeter {
public:
    ProgressMeter(uint64_t total, const Event<int32_t>& progress) : total_(total), progress_(progress) {}

    // The offset at which the next report is due.
    uint64_t next_report() const { return threshold_; }
    // Reports the percentage reached at `offset` and moves the threshold past it.
    void report(uint64_t offset);
    // 100, unless that was the last value reported.
    void finish();

private:
    uint64_t total_;
    const Event<int32_t>& progress_;
    uint64_t threshold_ = 0;
    int32_t last_ = -1;
};

}  // namespace engine::blowfish
