#pragma once
// The user's own folder for the files a running program keeps (locks): $XDG_RUNTIME_DIR/tavrin,
// or $TMPDIR/tavrin-<uid> (/tmp without TMPDIR) where the session has no runtime folder.
#include <filesystem>
#include <stdexcept>

namespace platform::sys {

// The folder is made when missing. std::runtime_error, naming the folder, when it cannot be made
// or is not private: a link, a folder of another user, or one that others may open.
std::filesystem::path private_runtime_folder();

}  // namespace platform::sys
