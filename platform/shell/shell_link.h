#pragma once
// Reading the target of a Windows shortcut (.lnk) file, in the Shell Link binary format.
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform::shell {

// The bytes are not a readable shortcut; the message says what is wrong with them.
class ShellLinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The path the shortcut opens, as the shell reports it ("C:\Program Files\App\app.exe",
// "\\server\share\file.txt"). Empty when the shortcut points at something that is not a file or
// folder (a control panel item, a printer). Throws ShellLinkError for damaged or foreign data.
std::string shell_link_target(std::string_view link_bytes);

}  // namespace platform::shell
