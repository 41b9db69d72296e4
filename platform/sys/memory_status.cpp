#include "platform/sys/memory_status.h"

#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <string>

#include "platform/sys/proc_file.h"

namespace platform::sys {

namespace {

constexpr uint64_t kKilobyte = 1024;

// "Name:   1234 kB" lines as a map of byte counts.
std::map<std::string, uint64_t, std::less<>> kilobyte_fields(std::string_view text) {
    std::map<std::string, uint64_t, std::less<>> fields;
    while (!text.empty()) {
        auto line = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(text.size(), line.size() + 1));
        auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        auto value = line.substr(colon + 1);
        value.remove_prefix(std::min(value.size(), value.find_first_not_of(' ')));
        uint64_t number = 0;
        auto [stop, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (error != std::errc()) continue;
        bool in_kilobytes = std::string_view(stop, value.data() + value.size()).find("kB") != std::string_view::npos;
        fields.emplace(std::string(line.substr(0, colon)), in_kilobytes ? number * kKilobyte : number);
    }
    return fields;
}

uint64_t field(const std::map<std::string, uint64_t, std::less<>>& fields, std::string_view name) {
    auto found = fields.find(name);
    return found == fields.end() ? 0 : found->second;
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
    return status ? field(kilobyte_fields(*status), "VmSize") : 0;
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
    auto fields = kilobyte_fields(text);
    if (!fields.contains("MemTotal")) return std::nullopt;
    MemoryStatus status;
    status.total_physical = field(fields, "MemTotal");
    status.available_physical = fields.contains("MemAvailable")
                                    ? field(fields, "MemAvailable")
                                    : field(fields, "MemFree") + field(fields, "Cached");
    status.available_physical = std::min(status.available_physical, status.total_physical);
    status.memory_load = load_percent(status.total_physical, status.available_physical);
    return status;
}

namespace {

MemoryStatus physical_memory() {
    auto meminfo = read_proc_file("/proc/meminfo");
    auto status = meminfo ? parse_meminfo(*meminfo) : std::nullopt;
    return status.value_or(MemoryStatus{});
}

}  // namespace

MemoryStatus memory_status() {
    MemoryStatus status = physical_memory();
    status.total_virtual = address_space_limit();
    status.available_virtual = status.total_virtual - std::min(status.total_virtual, address_space_in_use());
    return status;
}

uint64_t allocatable_memory() {
    uint64_t available = physical_memory().available_physical;
    if (auto headroom = control_group_headroom()) available = std::min(available, *headroom);
    return available;
}

}  // namespace platform::sys
