#include "platform/shell/recycle_bins.h"

#include <array>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include "platform/fs/fs.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"

namespace platform::shell {

namespace {

constexpr std::array<std::string_view, 3> kRecycleNames = {"RECYCLER", "Recycled", "$Recycle.Bin"};

bool is_recycle_name(std::string_view name) {
    for (std::string_view known : kRecycleNames)
        if (text::iequals(name, known)) return true;
    return false;
}

std::filesystem::path data_home() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return std::filesystem::path(home) / ".local" / "share";
    return {};
}

}  // namespace

std::vector<RecycleFolder> recycle_folders(Machine& machine) {
    fs::FileSystem& files = machine.files();
    std::vector<RecycleFolder> found;
    for (const std::string& root : files.drives()) {
        if (files.drive_type(root) != fs::DriveType::Fixed || !files.may_modify(root)) continue;
        for (const fs::FindData& entry : files.find(root + "*")) {
            if (!(entry.attributes & fs::attr::Directory) || !is_recycle_name(entry.name)) continue;
            found.push_back({root + entry.name, (entry.attributes & fs::attr::ReparsePoint) != 0});
        }
    }
    return found;
}

std::vector<std::filesystem::path> desktop_trash_folders() {
    std::vector<std::filesystem::path> folders;
    std::filesystem::path home = data_home();
    if (home.empty()) return folders;
    for (const char* part : {"files", "info"}) {
        std::error_code ec;
        std::filesystem::path folder = home / "Trash" / part;
        if (std::filesystem::is_directory(folder, ec)) folders.push_back(folder);
    }
    return folders;
}

}  // namespace platform::shell
