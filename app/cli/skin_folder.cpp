#include "app/cli/skin_folder.h"

#include <system_error>

namespace app::cli {

namespace {

std::filesystem::path skin_folder_for(const std::filesystem::path& binary_folder) {
    const std::filesystem::path beside = binary_folder / "skin";
    // The install layout's path from the binary folder, set by the build (bin -> share/tavrin/skin).
    const std::filesystem::path installed = (binary_folder / TAVRIN_INSTALLED_SKIN).lexically_normal();
    std::error_code ec;
    if (!std::filesystem::is_directory(beside, ec) && std::filesystem::is_directory(installed, ec)) return installed;
    return beside;
}

}  // namespace

std::filesystem::path skin_folder() {
    return skin_folder_for(std::filesystem::canonical("/proc/self/exe").parent_path());
}

}  // namespace app::cli
