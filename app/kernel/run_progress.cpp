#include "app/kernel/run_progress.h"

#include <algorithm>
#include <cmath>

#include "app/kernel/shell.h"
#include "app/texts/fill_in.h"
#include "engine/foundation/engine_error.h"

namespace app {

namespace {

// Before this the pace says too little for an estimate worth showing.
constexpr auto kEstimateAfter = std::chrono::seconds(3);

// "40 s", "3 min", "2 h 5 min": as precise as an estimate deserves.
std::string duration_text(std::chrono::seconds left) {
    const auto seconds = left.count();
    if (seconds < 60) return std::to_string(std::max<long long>(seconds, 1)) + " s";
    if (seconds < 3600) return std::to_string((seconds + 30) / 60) + " min";
    return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
}

}  // namespace

RunProgress::RunProgress(Shell& shell) : shell_(shell) {
    shell_.stage().set_busy(true);
    set("_root.ProgressCount", "");
    set("_root.ProgressTimeLeft", "");
    set("_root.MakeTheGUIDisable", "true");
    set("_root.RunCancellable", "1");
}

// However the run ends, the screen is given back and the next run starts with nothing shown.
RunProgress::~RunProgress() {
    engine::ignore_errors([&] {
        set("_root.RunCancellable", "0");
        set("_root.MakeTheGUIDisable", "false");
        set("_root.ProgressTimeLeft", "");
        set("_root.ProgressCount", "");
    });
    engine::ignore_errors([&] { shell_.stage().set_busy(false); });
}

void RunProgress::set(const char* name, const std::string& value) { shell_.stage().set_variable(kMainMovie, name, value); }

void RunProgress::percent(double percent) {
    show(static_cast<int>(std::clamp(std::floor(percent), 0.0, 100.0)), "");
}

// Thousands of entries may be counted: the screen hears of the count when the percent moves.
void RunProgress::count(size_t done, size_t total) {
    if (total == 0) return;
    const int whole = static_cast<int>(std::min<size_t>(done * 100 / total, 100));
    if (whole == shown_) return;
    show(whole, fill_in(shell_.text("msg860"), {std::to_string(done), std::to_string(total)}));
}

int RunProgress::shown_percent() const { return std::max(shown_, 0); }

void RunProgress::show(int whole, const std::string& count_text) {
    if (whole == shown_) return;
    shown_ = whole;
    set("_root.ProgressPercent", std::to_string(whole));
    if (!count_text.empty()) set("_root.ProgressCount", count_text);
    const auto elapsed = Clock::now() - started_;
    if (whole <= 0 || whole >= 100 || elapsed < kEstimateAfter) return;
    const auto left = std::chrono::duration_cast<std::chrono::seconds>(elapsed * (100 - whole) / whole);
    set("_root.ProgressTimeLeft", fill_in(shell_.text("msg805"), {duration_text(left)}));
}

}  // namespace app
