#pragma once
// The statuses tavrinapp ends with. The man page's EXIT STATUS names every one of them, and a
// test holds the two together: a new status is added here and there.
namespace app::cli::exit_status {

constexpr int kSuccess = 0;
// The options are wrong, the machine cannot be used, or a command failed; the reason is on
// standard error (with --json a JSON error object).
constexpr int kFailure = 1;
// --run-schedule names a profile the machine does not have.
constexpr int kNoSuchProfile = 2;
// preview, clean or shred refused something on purpose (a path outside the machine, ...).
constexpr int kRefused = 3;

}  // namespace app::cli::exit_status
