#pragma once
// Where the program's own screens are: beside the binary in the build tree, under share/tavrin
// after installation.
#include <filesystem>

namespace app::cli {

// <binary folder>/skin when it exists, else the installed skin folder when that exists, else the
// one beside the binary (installing it into the machine then says that it is missing).
std::filesystem::path skin_folder();

}  // namespace app::cli
