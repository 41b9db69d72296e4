#include "engine/cleaners/folder_copy.h"

#include "engine/foundation/engine_error.h"
#include "platform/fs/fs.h"

namespace engine {

namespace fs = platform::fs;

bool copy_folder(fs::FileSystem& files, const std::string& from, const std::string& to) {
    if (!files.is_directory(from)) return false;
    bool complete = ignore_errors([&] {
        if (!files.is_directory(to)) files.create_directory(to);
    });
    std::vector<fs::FindData> items;
    complete &= ignore_errors([&] { items = files.find(from + "\\*"); });
    for (const auto& item : items) {
        if (item.name == "." || item.name == "..") continue;
        std::string source = from + "\\" + item.name;
        std::string target = to + "\\" + item.name;
        bool is_folder = (item.attributes & fs::attr::Directory) != 0;
        bool is_link = (item.attributes & fs::attr::ReparsePoint) != 0;
        if (is_folder && is_link) complete = false;
        else if (is_folder) complete &= copy_folder(files, source, target);
        else complete &= ignore_errors([&] { files.copy_file(source, target, /*overwrite=*/true); });
    }
    return complete;
}

}  // namespace engine
