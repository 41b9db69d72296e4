#pragma once
// The sqlite3 command-line program as an independent reader and writer of the databases a test
// lays out or checks: what a browser's own SQLite would find in them.
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/unit/support/command_output.h"

namespace tavrin_test {

inline bool sqlite3_installed() { return std::system("sqlite3 -version >/dev/null 2>&1") == 0; }

// What `sqlite3 -batch FILE` prints for the statements (errors included); the statements go
// through a file, as they may hold any quote.
inline std::string sqlite3_cli(const std::filesystem::path& database, const std::string& sql) {
    const std::filesystem::path script = database.string() + ".test-sql";
    std::ofstream(script) << sql << "\n";
    std::string out =
        command_output("sqlite3 -batch '" + database.string() + "' < '" + script.string() + "' 2>&1").out;
    std::filesystem::remove(script);
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace tavrin_test
