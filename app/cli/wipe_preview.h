#pragma once
// `tavrinapp wipe-free-space DRIVE --preview`: what a wipe of the drive would do (the free space
// it would fill, the fill files it would write and then delete) with the refusals the wipe would
// meet, and nothing written.
#include <ostream>
#include <string>

namespace app::cli {

// `drive`: "D:", a drive of the current machine. In words the fill files are counted, and listed
// one by one only when `verbose`. Throws CommandError where the wipe would fail.
void preview_wipe(const std::string& drive, bool json, bool verbose, std::ostream& out);

}  // namespace app::cli
