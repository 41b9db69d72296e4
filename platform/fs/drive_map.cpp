#include "platform/fs/drive_map.h"

#include "platform/fs/host_folder.h"
#include "platform/text/ascii_case.h"

namespace platform::fs::detail {

std::optional<std::filesystem::path> DriveMap::root(char letter) const {
    char name[] = {text::ascii_lower(letter), ':', '\0'};
    auto entry = find_entry(dosdevices_, name);
    if (!entry) return std::nullopt;
    std::error_code ec;
    auto target = std::filesystem::canonical(dosdevices_ / *entry, ec);
    if (ec || !std::filesystem::is_directory(target, ec)) return std::nullopt;
    return target;
}

std::vector<char> DriveMap::letters() const {
    std::vector<char> letters;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (root(letter)) letters.push_back(letter);
    }
    return letters;
}

}  // namespace platform::fs::detail
