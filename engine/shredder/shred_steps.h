#pragma once
// The steps of shredding one file up to its delete, the same whether the file is named by its
// path on the machine's FileSystem or by its name in a Folder being walked.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/shredder/overwrite_pattern.h"
#include "platform/fs/fs.h"
#include "platform/text/ascii_case.h"

namespace engine {

// How a file left: overwritten first, or only its name removed (its data has other names).
enum class Removal { Overwritten, NameOnly };

// What went wrong in the step, for the user; nullopt when it went through.
template <class Step>
std::optional<std::string> failure_of(Step&& step) {
    try {
        step();
        return std::nullopt;
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
}

struct FileToShred {
    uint32_t attributes = 0;
    uint64_t length = 0;       // of what a link leads to, for a link
    bool other_names = false;  // a hard link: its data is reachable through other names too

    // Only the name is removed: what it leads to is not ours to overwrite.
    bool removed_as_link() const { return (attributes & platform::fs::attr::ReparsePoint) || other_names; }
};

// nullopt when there is no file to read there: missing, a folder, or a link leading nowhere.
template <class Files>
std::optional<FileToShred> file_to_shred(const Files& files, std::string_view name) {
    const auto attributes = files.attributes(name);
    const auto length = files.file_size(name);
    if (!attributes || !length || (*attributes & platform::fs::attr::Directory)) return std::nullopt;
    return FileToShred{*attributes, *length, files.has_other_names(name)};
}

// The same for an entry a folder's listing has just described: its attributes and length are
// taken from the listing, so a walk looks at each plain file only once more (for other names).
// A link is looked at closer, as what it leads to decides.
template <class Files>
std::optional<FileToShred> file_to_shred(const Files& files, const platform::fs::FindData& listed) {
    if (listed.attributes & (platform::fs::attr::ReparsePoint | platform::fs::attr::Directory))
        return (listed.attributes & platform::fs::attr::Directory) ? std::nullopt : file_to_shred(files, listed.name);
    return FileToShred{listed.attributes, listed.size, files.has_other_names(listed.name)};
}

// Shortcuts are only removed: "lnk" at the end of the path, any case, with or without a dot.
inline bool names_a_shortcut(std::string_view path) {
    return path.size() >= 3 && platform::text::iequals(path.substr(path.size() - 3), "lnk");
}

// Everything before the delete. A link is only removed (what it points at is not ours to touch),
// a file with other names too (they may lie outside the machine, and overwriting the data would
// destroy it for them), and so is a shortcut: nullopt for all three. Anything else has its
// attributes cleared when it has any, so that read-only, hidden and system files can be written,
// and is overwritten in place to the length it has once open (it may have grown since it was
// looked at); it comes back open and not yet flushed. Throws when a step fails; the file is then
// still there.
template <class Files>
std::optional<platform::fs::File> overwrite_before_delete(Files& files, std::string_view name, std::string_view path,
                                                          const FileToShred& file) {
    namespace attr = platform::fs::attr;
    if (file.removed_as_link()) return std::nullopt;
    if (file.attributes & (attr::ReadOnly | attr::Hidden | attr::System)) files.set_attributes(name, attr::Normal);
    if (names_a_shortcut(path)) return std::nullopt;
    auto handle = files.open(name, platform::fs::File::Mode::WriteInPlace);
    overwrite_in_place(handle, handle.size());
    return handle;
}

}  // namespace engine
