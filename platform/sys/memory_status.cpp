#include "platform/sys/memory_status.h"

#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <string>

#include "platform/sys/proc_file.h"
#include "platform/text/trim.h"

namespace platform::sys {

namespace {

constexpr uint64_t kKilobyte = 1024;

// The byte count of one "Name:   1234 kB" line; nullopt when the text has no such line.
std::optional<uint64_t> field(std::string_view text, std::string_view name) {
    for (size_t at = text.find(name); at != std::string_view::npos; at = text.find(name, at + 1)) {
        bool line_start = at == 0 || text[at - 1] == '\n';
        size_t colon = at + name.size();
        if (!line_start || colon >= text.size() || text[colon] != ':') continue;
        auto value = text.substr(colon + 1, text.find('\n', colon) - colon - 1);
        value = text::trim_leading(value);
        uint64_t number = 0;
        auto [stop, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (error != std::errc()) return std::nullopt;
        bool in_kilobytes = std::string_view(stop, value.data() + value.size()).find("kB") != std::string_view::npos;
        return in_kilobytes ? number * kKilobyte : number;
    }
    return std::nullopt;
}

// Percent in use, rounded as the gauge shows it.
uint32_t load_percent(uint64_t total, uint64_t available) {
    if (total == 0) return 0;
    uint64_t used = total - std::min(total, available);
    return static_cast<uint32_t>((used * 100 + total / 2) / total);
}

// The user address space of a process without a limit: 47 bits on the 64-bit systems we run on.
constexpr uint64_t kUserAddressSpace = sizeof(void*) == 8 ? uint64_t{1} << 47 : uint64_t{3} << 30;

uint64_t address_space_limit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        return std::min<uint64_t>(limit.rlim_cur, kUserAddressSpace);
    return kUserAddressSpace;
}

uint64_t address_space_in_use() {
    auto status = read_proc_file("/proc/self/status");
    return status ? field(*status, "VmSize").value_or(0) : 0;
}

// Room left below the memory limit of this process's control group (version 2, then 1);
// nullopt when there is no limit.
std::optional<uint64_t> control_group_headroom() {
    struct Files {
        const char* limit;
        const char* usage;
    };
    for (auto [limit_file, usage_file] : {Files{"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory.current"},
                                          Files{"/sys/fs/cgroup/memory/memory.limit_in_bytes",
                                                "/sys/fs/cgroup/memory/memory.usage_in_bytes"}}) {
        auto limit = read_proc_number(limit_file);  // "max" (no limit) reads as nullopt
        auto usage = read_proc_number(usage_file);
        // Version 1 writes "no limit" as a number near 2^63.
        if (limit && usage && *limit < (uint64_t{1} << 62)) return *limit - std::min(*limit, *usage);
    }
    return std::nullopt;
}

}  // namespace

std::optional<MemoryStatus> parse_meminfo(std::string_view text) {
    auto total = field(text, "MemTotal");
    if (!total) return std::nullopt;
    MemoryStatus status;
    status.total_physical = *total;
    auto available = field(text, "MemAvailable");
    status.available_physical =
        available ? *available : field(text, "MemFree").value_or(0) + field(text, "Cached").value_or(0);
    status.available_physical = std::min(status.available_physical, status.total_physical);
    status.memory_load = load_percent(status.total_physical, status.available_physical);
    return status;
}

MemoryStatus physical_memory_status() {
    auto meminfo = read_proc_file("/proc/meminfo");
    auto status = meminfo ? parse_meminfo(*meminfo) : std::nullopt;
    return status.value_or(MemoryStatus{});
}

MemoryStatus memory_status() {
    MemoryStatus status = physical_memory_status();
    status.total_virtual = address_space_limit();
    status.available_virtual = status.total_virtual - std::min(status.total_virtual, address_space_in_use());
    return status;
}

uint64_t allocatable_memory() {
    uint64_t available = physical_memory_status().available_physical;
    if (auto headroom = control_group_headroom()) available = std::min(available, *headroom);
    return available;
}

}  // namespace platform::sys
