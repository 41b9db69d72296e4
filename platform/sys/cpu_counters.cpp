#include "platform/sys/cpu_counters.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <vector>

#include "platform/sys/proc_file.h"
#include "platform/text/trim.h"

namespace platform::sys {

namespace {

// Field positions of a "cpu" line after its name: user nice system idle iowait irq softirq steal
// guest guest_nice. Guest time is already counted in user and nice, so it is left out of the sum.
constexpr size_t kIdle = 3, kIoWait = 4, kFirstGuest = 8;

std::vector<uint64_t> numbers_of(std::string_view fields) {
    std::vector<uint64_t> numbers;
    while (!fields.empty()) {
        fields = text::trim_leading(fields);
        if (fields.empty()) break;
        uint64_t number = 0;
        auto [stop, error] = std::from_chars(fields.data(), fields.data() + fields.size(), number);
        if (error != std::errc()) break;
        numbers.push_back(number);
        fields.remove_prefix(static_cast<size_t>(stop - fields.data()));
    }
    return numbers;
}

std::optional<CpuTimes> times_of(std::string_view fields) {
    auto numbers = numbers_of(fields);
    if (numbers.empty()) return std::nullopt;
    CpuTimes times;
    times.idle_counted = numbers.size() > kIdle;
    if (times.idle_counted) times.idle = numbers[kIdle] + (numbers.size() > kIoWait ? numbers[kIoWait] : 0);
    for (size_t i = 0; i < numbers.size() && i < kFirstGuest; ++i) times.elapsed += numbers[i];
    return times;
}

}  // namespace

CpuCounters parse_cpu_counters(std::string_view text) {
    CpuCounters counters;
    while (!text.empty()) {
        auto line = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(text.size(), line.size() + 1));
        if (!line.starts_with("cpu")) continue;
        auto name_end = line.find(' ');
        if (name_end == std::string_view::npos) continue;
        auto times = times_of(line.substr(name_end));
        if (!times) continue;
        auto number = line.substr(3, name_end - 3);
        if (number.empty()) {
            counters.all = *times;
            continue;
        }
        int index = 0;
        auto [stop, error] = std::from_chars(number.data(), number.data() + number.size(), index);
        if (error == std::errc() && stop == number.data() + number.size() && index >= 0) counters.cpus[index] = *times;
    }
    return counters;
}

std::optional<CpuCounters> read_cpu_counters() {
    auto text = read_proc_file("/proc/stat");
    if (!text) return std::nullopt;
    return parse_cpu_counters(*text);
}

int processor_count() {
    long configured = sysconf(_SC_NPROCESSORS_CONF);
    return configured > 0 ? static_cast<int>(configured) : 1;
}

}  // namespace platform::sys
