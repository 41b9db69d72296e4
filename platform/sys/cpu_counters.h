#pragma once
// Processor time counters of the host (/proc/stat) and the number of processors: what the
// engine's CPU monitor samples. Times are in the kernel's clock ticks since boot.
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>

namespace platform::sys {

struct CpuTimes {
    uint64_t idle = 0;          // idle, and waiting for input/output, which leaves the processor idle too
    uint64_t elapsed = 0;       // every state the processor was in, idle included
    bool idle_counted = false;  // the line reaches the idle field (old or damaged texts may not)
};

struct CpuCounters {
    std::optional<CpuTimes> all;   // the "cpu" line: every processor together
    std::map<int, CpuTimes> cpus;  // "cpuN" lines by N; offline processors have none
};

// nullopt when /proc/stat cannot be read.
std::optional<CpuCounters> read_cpu_counters();
// The "cpu" lines of a text in the /proc/stat format; lines without any time are skipped.
CpuCounters parse_cpu_counters(std::string_view text);

// Processors configured in the system, at least 1: every "cpuN" line has N below it.
int processor_count();

}  // namespace platform::sys
