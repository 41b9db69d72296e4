#include "engine/plugins/progress_meter.h"

#include <cmath>

namespace engine::blowfish {

void ProgressMeter::report(uint64_t offset) {
    const int32_t percent = total_ == 0 ? 100 : static_cast<int32_t>(offset * 100 / total_);
    last_ = percent;
    threshold_ = static_cast<uint64_t>(std::llround((percent + 1) / 100.0 * static_cast<double>(total_) + 1));
    progress_(percent);
}

void ProgressMeter::finish() {
    if (last_ != 100) {
        last_ = 100;
        progress_(100);
    }
}

}  // namespace engine::blowfish
