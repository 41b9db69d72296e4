#pragma once
// The command line that does what the screens do, for scripts: list the cleaning items, preview
// or clean some of them (or a profile's ticks), shred files and folders, wipe a drive's free
// space. Each works on a machine (--machine DIR, default the sandbox), says what it did in words
// or as JSON (--json), draws a progress line when a person watches a terminal, and ends with
// status 0, or non-zero with a message that says why (with --json a JSON error object).
#include <ostream>
#include <string>
#include <vector>

namespace app::cli {

// Whether the arguments name one of these commands first (and not an option of the program).
bool is_command(const std::vector<std::string>& args);

// Runs the command; returns the exit status.
int run_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace app::cli
