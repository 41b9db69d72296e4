#pragma once
// The program's clock for tests: TAVRIN_TEST_CLOCK="YYYY-MM-DDTHH:MM[:SS]" starts the clock at
// that local time, from where it runs on with the real one, so a browser test can watch a
// schedule fall due without waiting for the real minute. Unset, the program keeps the real clock.
#include <optional>
#include <string_view>

#include "engine/foundation/clock.h"

namespace app::cli {

inline constexpr const char* kTestClockVariable = "TAVRIN_TEST_CLOCK";

// nullopt for a text that is no such time (a 31st of April included).
std::optional<engine::LocalTime> parse_clock_start(std::string_view text);

// Applies TAVRIN_TEST_CLOCK when it is set; std::invalid_argument naming it when it is unusable.
void apply_test_clock();

}  // namespace app::cli
