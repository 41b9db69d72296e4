#pragma once
// What a file may include. The program (app/) may use the engine and the platform, the engine
// (engine/) the platform, and the platform (platform/) only itself. Host and library headers stay
// in platform/, where the stand-in for Windows lives; the engine does not use the movie player;
// the program reaches its features only through the one list of them.
#include <optional>
#include <string>

namespace layer_check {

// 0 for platform/, 1 for engine/, 2 for app/; nullopt for a path outside the three.
std::optional<int> layer_of(const std::string& path);

// What is wrong with `file` (a path below the source folder) including `header`; nothing when the
// include is allowed. `angled`: written with <...>.
std::optional<std::string> include_fault(const std::string& file, const std::string& header, bool angled);

}  // namespace layer_check
