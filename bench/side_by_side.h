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

// `rounds` rounds of both sides, the side that goes first changing every round.
inline SideBySide side_by_side(int rounds, const std::function<void()>& measured,
                               const std::function<void()>& baseline) {
    SideBySide result;
    for (int round = 0; round < rounds; ++round) {
        double work = 0, base = 0;
        if (round % 2 == 0) {
            work = seconds_of(measured);
            base = seconds_of(baseline);
        } else {
            base = seconds_of(baseline);
            work = seconds_of(measured);
        }
        result.measured.push_back(work);
        result.baseline.push_back(base);
        result.ratios.push_back(work / base);
    }
    return result;
}

}  // namespace bench
