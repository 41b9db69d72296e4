#pragma once
// Timing a piece of work against its baseline on a busy machine: the two sides alternate round by
// round, and each round's ratio is taken, so a burst of load from elsewhere hits both sides of
// the round it falls in; the median of the ratios is the figure.
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

struct SideBySide {
    std::vector<double> measured, baseline, ratios;
};

// `rounds` rounds of both sides, the side that goes first changing every round. `prepare`, when
// given, runs untimed before each side (with true before the measured one): work that consumes
// what it measures gets it back there.
inline SideBySide side_by_side(int rounds, const std::function<void()>& measured, const std::function<void()>& baseline,
                               const std::function<void(bool measured_side)>& prepare = {}) {
    const auto timed = [&](bool measured_side) {
        if (prepare) prepare(measured_side);
        return seconds_of(measured_side ? measured : baseline);
    };
    SideBySide result;
    for (int round = 0; round < rounds; ++round) {
        const bool measured_first = round % 2 == 0;
        const double first = timed(measured_first);
        const double second = timed(!measured_first);
        result.measured.push_back(measured_first ? first : second);
        result.baseline.push_back(measured_first ? second : first);
        result.ratios.push_back(result.measured.back() / result.baseline.back());
    }
    return result;
}

}  // namespace bench
