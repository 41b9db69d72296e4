#pragma once
// Timing a piece of work against its baseline on a busy machine: the two sides alternate round by
// round, and each round's ratio is taken, so a burst of load from elsewhere hits both sides of
// the round it falls in; the median of the ratios is the figure. Beside the wall-clock time, the
// processor time each side used (its own and that of the programs it ran and waited for), which
// the load of other programs changes far less.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

// The 1, 5 and 15 minute load averages as the kernel prints them.
inline std::string load_average() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

inline double seconds_of(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// User and system time of this process and of its waited-for children so far.
inline double processor_seconds() {
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
    return total;
}

struct Timing {
    double wall = 0, processor = 0;
};

inline Timing timing_of(const std::function<void()>& work) {
    const double processor_before = processor_seconds();
    const double wall = seconds_of(work);
    return {wall, processor_seconds() - processor_before};
}

struct SideBySide {
    std::vector<double> measured, baseline, ratios;  // wall-clock
    std::vector<double> processor_ratios;
};

// `rounds` rounds of both sides, the side that goes first changing every round. `prepare`, when
// given, runs untimed before each side (with true before the measured one): work that consumes
// what it measures gets it back there.
inline SideBySide side_by_side(int rounds, const std::function<void()>& measured, const std::function<void()>& baseline,
                               const std::function<void(bool measured_side)>& prepare = {}) {
    const auto timed = [&](bool measured_side) {
        if (prepare) prepare(measured_side);
        return timing_of(measured_side ? measured : baseline);
    };
    SideBySide result;
    for (int round = 0; round < rounds; ++round) {
        const bool measured_first = round % 2 == 0;
        const Timing first = timed(measured_first);
        const Timing second = timed(!measured_first);
        const Timing& work = measured_first ? first : second;
        const Timing& base = measured_first ? second : first;
        result.measured.push_back(work.wall);
        result.baseline.push_back(base.wall);
        result.ratios.push_back(work.wall / base.wall);
        result.processor_ratios.push_back(work.processor / base.processor);
    }
    return result;
}

}  // namespace bench
