#include "engine/shredder/shredder.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/message_text.h"
#include "engine/foundation/text.h"
#include "engine/shredder/free_space_wipe.h"
#include "engine/shredder/overwrite_pattern.h"
#include "engine/shredder/windows_path.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Shredder, "{6B1E43A2-5C0D-4F7B-9E21-3A8D5F0C7B14}");

namespace {

namespace attr = platform::fs::attr;
using platform::fs::FileSystem;

constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;

// Shortcuts are only removed: "lnk" at the end of the path, any case, with or without a dot.
bool names_a_shortcut(std::string_view path) {
    return path.size() >= 3 && iequals(path.substr(path.size() - 3), "lnk");
}

int32_t clamp_to_int32(uint64_t length) {
    return static_cast<int32_t>(std::min<uint64_t>(length, std::numeric_limits<int32_t>::max()));
}

bool is_link(uint32_t attributes) { return attributes & attr::ReparsePoint; }

// A subfolder the walk goes into: a real folder, never a link to one.
bool is_subfolder(const platform::fs::FindData& entry) {
    return (entry.attributes & attr::Directory) && !is_link(entry.attributes) && entry.name != "." && entry.name != "..";
}

enum class Outcome { Failed, Removed, Shredded };

// Each step may fail (missing, in use, refused outside the machine); the file then stays.
Outcome destroy(FileSystem& files, const std::string& path, uint32_t attributes, uint64_t length) {
    try {
        if (is_link(attributes)) {
            files.delete_file(path, true);  // the link goes; what it points at is not ours to touch
            return Outcome::Removed;
        }
        files.set_attributes(path, attr::Normal);  // read-only, hidden and system files too
        if (names_a_shortcut(path)) {
            files.delete_file(path, true);
            return Outcome::Removed;
        }
        auto handle = files.open(path, platform::fs::File::Mode::WriteInPlace);
        overwrite_in_place(handle, length);
        handle.close();
        files.delete_file(path, true);
        return Outcome::Shredded;
    } catch (const std::exception&) {
        return Outcome::Failed;
    }
}

}  // namespace

// What one member call works with: the machine's drives and the log section, looked up once
// per call rather than once per file.
class Shredder::Run {
public:
    Run() : files(platform::current_machine().files()) {}
    FileSystem& files;

    void log_shredded(const std::string& path) {
        if (!section_) section_ = GetMessageText("msg16") + " ";
        std::string text = path;
        Logger().AddToLog(*section_, text);
    }

private:
    std::optional<std::string> section_;
};

Variant Shredder::TotalBytes() const { return int32_t{0}; }

double Shredder::toByte(double m) const { return m * kBytesPerMegabyte; }

int32_t Shredder::FileShred(const std::string& file) {
    BusyPointer busy;
    Run run;
    return shred_file(run, file);
}

int32_t Shredder::shred_file(Run& run, const std::string& path) {
    const auto attributes = run.files.attributes(path);
    const auto length = run.files.file_size(path);
    if (!attributes || !length || (*attributes & attr::Directory)) return 0;

    if (destroy(run.files, path, *attributes, *length) == Outcome::Shredded) {
        // The file is gone whether or not the log can be written; the user still hears of it.
        ignore_errors([&] { run.log_shredded(path); });
        std::string name = file_name_of(path);
        ShowLog.raise(name);
    }
    return clamp_to_int32(*length);
}

int32_t Shredder::FolderShred(const std::string& fname, bool DeleteContentsOnly, const std::string& File_Extension,
                              bool SubDirectoriesIncluded, double& Max_fsize, double& Min_fsize) {
    Max_fsize = toByte(Max_fsize);
    Min_fsize = toByte(Min_fsize);
    BusyPointer busy;
    if (fname.empty()) return 0;
    Run run;
    shred_folder(run, fname, DeleteContentsOnly, FileSelection{File_Extension, Max_fsize, Min_fsize},
                 SubDirectoriesIncluded);
    return 0;
}

void Shredder::shred_folder(Run& run, const std::string& folder, bool delete_contents_only,
                            const FileSelection& selection, bool subfolders_included) {
    std::vector<platform::fs::FindData> entries;
    ignore_errors([&] { entries = run.files.find(join_path(folder, "*")); });

    if (subfolders_included) {
        const FileSelection without_size_bounds{selection.extension};
        for (const auto& entry : entries)
            if (is_subfolder(entry))
                shred_folder(run, join_path(folder, entry.name), delete_contents_only, without_size_bounds, true);
    }
    for (const auto& entry : entries)
        if (!(entry.attributes & attr::Directory) && selection.selects(entry.name, entry.size))
            shred_file(run, join_path(folder, entry.name));

    // Only a folder is removed here: a file path given as the folder is left alone. Not forced,
    // so a read-only item keeps the folder, and a drive root is refused by the file system.
    if (!delete_contents_only && run.files.is_directory(folder)) {
        ignore_errors([&] { run.files.set_attributes(folder, attr::Normal); });
        ignore_errors([&] { run.files.delete_tree(folder); });
    }
}

Variant Shredder::ShredFreeSpace(const std::string& drive) {
    BusyPointer busy;
    if (drive.size() < 2 || drive[1] != ':')
        throw EngineError(static_cast<int32_t>(platform::fs::error::InvalidName), "Tavrin.Shredder",
                          "\"" + drive + "\" does not name a drive.");
    try {
        wipe_free_space(platform::current_machine().files(), drive.substr(0, 2) + "\\",
                        [this](double percent) { Progress(percent); });
    } catch (const platform::fs::FsError& error) {
        throw EngineError(static_cast<int32_t>(error.code()), "Tavrin.Shredder", error.what());
    }
    return {};
}

}  // namespace engine
