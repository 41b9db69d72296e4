#pragma once
// Whether a wineserver is serving a Wine prefix right now. It keeps that prefix's registry in
// memory and writes it back over the files at exit, so nobody else may change them meanwhile.
#include <filesystem>
#include <string>

namespace platform {

// True when a wineserver accepts connections on the socket of this prefix, in any of the places
// Wine keeps it: the folder the prefix's "wineserver" file names under the temporary folder
// (Debian's Wine; $TMPDIR or /tmp), or /tmp/.wine-<uid> (Wine as built upstream). A socket left
// behind by a server that has ended accepts nothing and does not count.
bool wineserver_serves(const std::filesystem::path& prefix);

// The command that ends the wineserver of this prefix, quoted for a shell.
std::string wineserver_kill_command(const std::filesystem::path& prefix);

}  // namespace platform
