#pragma once
// The memory status of the host and of this process, the stand-in for GlobalMemoryStatus. Every
// figure is 64-bit: machines with more than 4 GB are ordinary, and a 32-bit figure would wrap.
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::sys {

struct MemoryStatus {
    uint64_t total_physical = 0;
    uint64_t available_physical = 0;  // what new programs can have without swapping
    uint32_t memory_load = 0;         // percent of the physical memory in use, 0..100
    uint64_t total_virtual = 0;       // address space this process may use
    uint64_t available_virtual = 0;   // of that, not yet taken
};

// Physical figures from /proc/meminfo, virtual ones from the address-space limit and
// /proc/self/status. A figure that cannot be read is 0.
MemoryStatus memory_status();
// The physical figures alone, for readers that want nothing else (the memory gauge ticks often).
MemoryStatus physical_memory_status();

// The physical figures of a /proc/meminfo text (MemTotal, MemAvailable, or MemFree + Cached on
// kernels without MemAvailable); nullopt when the text has no MemTotal.
std::optional<MemoryStatus> parse_meminfo(std::string_view text);

// How much this process could allocate right now without pushing anyone into the out-of-memory
// killer: the available physical memory, further limited by the memory limit of the control
// group the process runs in (a container sees the host's meminfo but is killed at its own limit).
uint64_t allocatable_memory();

}  // namespace platform::sys
