#pragma once
// CPULoad: processor usage per CPU. On machines of the NT family it samples each processor's
// idle time against its elapsed time; on the Windows 9x family there is one usage figure for
// the whole system. Both read the host's processor counters. The program itself does not use it.
#include <cstdint>
#include <vector>

#include "engine/foundation/class_table.h"
#include "platform/sys/cpu_counters.h"

namespace engine {

class CPULoad : public EngineObject {
public:
    // Reads the machine's Windows version; without one: error 0x80041F41.
    CPULoad();

    // Takes a new sample; the previous one is kept for the next reading. True on success;
    // errors 0x80041F42, 0x80041F44, 0x80041F45 or 0x80041F46 otherwise.
    bool CollectCPUData();
    int32_t GetCPUCount();
    // Percent busy between the last two samples (0 while there is only one); an index outside
    // the processors raises 0x80041F43. Samples by itself only before the first sample.
    int32_t GetCPUUsage(int32_t CPU_Index);

private:
    void collect_per_cpu();
    void collect_whole_system();

    bool nt_ = false;
    int32_t cpu_count_ = -1;
    // One entry per CPU, index = CPU number.
    std::vector<platform::sys::CpuTimes> previous_, current_;
    std::vector<bool> sampled_;
    // The 9x family's single figure.
    bool monitoring_started_ = false;
    platform::sys::CpuTimes last_system_sample_;
    int32_t system_usage_ = 0;
};

}  // namespace engine
