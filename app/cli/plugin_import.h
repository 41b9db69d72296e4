#pragma once
// `tavrinapp plugins import FILE [--all]`: the entries of a winapp2.ini rule file become
// plug-ins of the machine (by default only those whose program is installed there), and a report
// says what was imported, skipped as not installed, refused entry by entry, and which keys of a
// kept entry were left out and why; in words or as JSON.
#include <ostream>
#include <string>

namespace app::cli {

int import_plugins(const std::string& host_file, bool all, bool json, std::ostream& out);

}  // namespace app::cli
