#include "platform/fs/drive_map.h"

#include <sys/stat.h>

#include "platform/fs/host_folder.h"
#include "platform/fs/installation_layout.h"
#include "platform/text/ascii_case.h"

namespace platform::fs::detail {

namespace {

std::filesystem::path link_of(const std::filesystem::path& dosdevices, char letter) {
    const char name[] = {text::ascii_lower(letter), ':', '\0'};
    return dosdevices / name;
}

bool same_folder(const struct stat& st, dev_t device, ino_t inode) {
    return S_ISDIR(st.st_mode) && st.st_dev == device && st.st_ino == inode;
}

}  // namespace

DriveMap::DriveMap(const std::filesystem::path& machine_dir) : dosdevices_(machine_dir / "dosdevices") {
    std::error_code error;
    if (!std::filesystem::exists(dosdevices_, error) && is_windows_installation(machine_dir))
        installation_ = std::filesystem::canonical(machine_dir, error);
}

std::optional<std::filesystem::path> DriveMap::root(char letter) const {
    letter = text::ascii_upper(letter);
    if (!installation_.empty()) {
        if (letter != 'C') return std::nullopt;
        return installation_;
    }
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    if (auto known = still_known(letter)) return known;
    return look_up(letter);
}

// The root found before, when the drive's link (as its lower-case name, the one Wine writes)
// still leads to the same folder. Its path could differ from the one found only if a folder on
// the way had been renamed while other links still led to it; the path is then missing, never
// another folder, until something new is made under the old name.
std::optional<std::filesystem::path> DriveMap::still_known(char letter) const {
    std::optional<Known> known;
    {
        std::lock_guard lock(mutex_);
        known = known_[letter - 'A'];
    }
    if (!known) return std::nullopt;
    struct stat linked;
    if (stat(link_of(dosdevices_, letter).c_str(), &linked) != 0 || !same_folder(linked, known->device, known->inode))
        return std::nullopt;
    return known->root;
}

std::optional<std::filesystem::path> DriveMap::look_up(char letter) const {
    const std::filesystem::path link = link_of(dosdevices_, letter);
    const std::optional<std::string> entry = find_entry(dosdevices_, link.filename().string());
    std::optional<Known> found;
    std::error_code ec;
    const auto target = entry ? std::filesystem::canonical(dosdevices_ / *entry, ec) : std::filesystem::path();
    struct stat st;
    if (entry && !ec && stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) found = Known{target, st.st_dev, st.st_ino};
    {
        // Only the lower-case link is checked again later: one spelt otherwise is looked up each time.
        std::lock_guard lock(mutex_);
        known_[letter - 'A'] = entry == link.filename().string() ? found : std::nullopt;
    }
    if (!found) return std::nullopt;
    return found->root;
}

std::vector<char> DriveMap::letters() const {
    std::vector<char> letters;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (root(letter)) letters.push_back(letter);
    }
    return letters;
}

}  // namespace platform::fs::detail
