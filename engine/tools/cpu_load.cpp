#include "engine/tools/cpu_load.h"

#include <algorithm>
#include <cmath>

#include "engine/foundation/engine_error.h"
#include "engine/foundation/os.h"

namespace engine {

TAVRIN_ENGINE_CLASS(CPULoad, "{A3966E04-042B-4B88-872F-CFCB7E1CF401}");

namespace {

using platform::sys::CpuTimes;

constexpr int32_t kNoVersion = static_cast<int32_t>(0x80041F41u);
constexpr int32_t kCannotStartMonitoring = static_cast<int32_t>(0x80041F42u);
constexpr int32_t kIndexOutOfBounds = static_cast<int32_t>(0x80041F43u);
constexpr int32_t kNoProcessorObject = static_cast<int32_t>(0x80041F44u);
constexpr int32_t kNoUsageCounter = static_cast<int32_t>(0x80041F45u);
constexpr int32_t kCannotReadData = static_cast<int32_t>(0x80041F46u);

[[noreturn]] void fail(int32_t number, const char* source, const char* description) {
    throw EngineError(number, source, description);
}

platform::sys::CpuCounters read_counters(int32_t number, const char* source, const char* description) {
    auto counters = platform::sys::read_cpu_counters();
    if (!counters) fail(number, source, description);
    return *counters;
}

// The whole system's times, as the 9x family's statistics report them.
CpuTimes system_times(int32_t number, const char* source, const char* description) {
    auto counters = read_counters(number, source, description);
    if (!counters.all || !counters.all->idle_counted) fail(number, source, description);
    return *counters.all;
}

// Percent of the interval the processor was not idle, rounded; 0 for an empty interval. The
// kernel's idle and elapsed times are read a moment apart, so the share is kept within 0..100.
int32_t busy_percent(const CpuTimes& previous, const CpuTimes& current) {
    if (current.elapsed <= previous.elapsed) return 0;
    double idle = current.idle >= previous.idle ? static_cast<double>(current.idle - previous.idle) : 0.0;
    double elapsed = static_cast<double>(current.elapsed - previous.elapsed);
    double percent = std::nearbyint((1.0 - idle / elapsed) * 100.0);
    return static_cast<int32_t>(std::clamp(percent, 0.0, 100.0));
}

}  // namespace

CPULoad::CPULoad() {
    try {
        nt_ = platform_version().platform_id == PlatformVersion::WindowsNT;
    } catch (const std::exception&) {
        fail(kNoVersion, "CPULoad.Initialize", "Can't get the Windows version");
    }
}

int32_t CPULoad::GetCPUCount() {
    if (cpu_count_ > 0) return cpu_count_;
    cpu_count_ = platform::sys::processor_count();
    previous_.assign(static_cast<size_t>(cpu_count_), CpuTimes{});
    current_.assign(static_cast<size_t>(cpu_count_), CpuTimes{});
    sampled_.assign(static_cast<size_t>(cpu_count_), false);
    return cpu_count_;
}

bool CPULoad::CollectCPUData() {
    if (nt_) collect_per_cpu();
    else collect_whole_system();
    return true;
}

void CPULoad::collect_per_cpu() {
    auto counters = read_counters(kCannotReadData, "CPULoad.CollectCPUData()", "Unable to read performance data");
    if (counters.cpus.empty())
        fail(kNoProcessorObject, "CPULoad.CollectData", "Unable to locate the 'Processor' performance object");
    GetCPUCount();
    for (const auto& [cpu, times] : counters.cpus)
        if (!times.idle_counted)
            fail(kNoUsageCounter, "CPULoad.CollectData", "Unable to locate the '% of CPU usage' performance counter");

    for (const auto& [cpu, times] : counters.cpus) {
        if (cpu >= cpu_count_) continue;  // a processor added since the count was taken
        auto index = static_cast<size_t>(cpu);
        // A processor's first sample is its own predecessor: no interval, no usage yet.
        previous_[index] = sampled_[index] ? current_[index] : times;
        current_[index] = times;
        sampled_[index] = true;
    }
}

void CPULoad::collect_whole_system() {
    if (!monitoring_started_) {
        last_system_sample_ = system_times(kCannotStartMonitoring, "CPULoad.CollectCPRData()",
                                           "Unable to start performance monitoring");
        monitoring_started_ = true;
    }
    auto now = system_times(kCannotReadData, "CPULoad.CollectCPUData()", "Unable to read performance data");
    system_usage_ = busy_percent(last_system_sample_, now);
    last_system_sample_ = now;
}

int32_t CPULoad::GetCPUUsage(int32_t CPU_Index) {
    if (!nt_) {
        if (CPU_Index != 0) fail(kIndexOutOfBounds, "CPULoad.GetCPUUsage()", "CPU index out of bounds");
        if (!monitoring_started_) CollectCPUData();
        return system_usage_;
    }
    if (cpu_count_ < 0) CollectCPUData();
    if (CPU_Index < 0 || CPU_Index >= cpu_count_)
        fail(kIndexOutOfBounds, "CPULoad.GetCPUUsage()", "CPU index out of bounds");
    auto index = static_cast<size_t>(CPU_Index);
    return busy_percent(previous_[index], current_[index]);
}

}  // namespace engine
