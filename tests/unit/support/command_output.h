#pragma once
// What a shell command prints on its standard output, for the independent readers a test compares
// with (hivexregedit, reglookup, regfexport, sqlite3, the msiecf tools). Its standard error goes
// where the command line sends it ("2>&1" to keep it, "2>/dev/null" to drop it).
#include <cstdio>
#include <string>

namespace tavrin_test {

struct CommandOutput {
    int status = -1;  // as pclose gives it; -1 when the shell could not be started
    std::string out;
};

inline CommandOutput command_output(const std::string& command) {
    CommandOutput result;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, got);
        result.status = pclose(pipe);
    }
    return result;
}

}  // namespace tavrin_test
