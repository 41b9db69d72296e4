#pragma once
// A Windows command line taken apart the way Windows programs take theirs apart, so that a stored
// command ("C:\Program Files\App\uninst.exe" /S) is started as a program with its arguments and
// never handed to a shell.
#include <string>
#include <string_view>
#include <vector>

namespace platform::shell {

// The program (quoted or up to the first blank; no escapes inside it) and the arguments (blanks
// separate them outside quotes; 2n backslashes before a quote are n backslashes and the quote
// opens or closes, 2n+1 are n backslashes and a literal quote; "" inside quotes is a quote).
std::vector<std::string> split_command_line(std::string_view command_line);

}  // namespace platform::shell
