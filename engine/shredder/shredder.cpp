#include "engine/shredder/shredder.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/message_text.h"
#include "engine/shredder/free_space_wipe.h"
#include "engine/shredder/refusal.h"
#include "engine/shredder/shred_batch.h"
#include "engine/shredder/shred_steps.h"
#include "engine/shredder/path_pieces.h"
#include "platform/machine/machine.h"
#include "platform/sys/run_cancel.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Shredder, "{6B1E43A2-5C0D-4F7B-9E21-3A8D5F0C7B14}");

namespace {

namespace attr = platform::fs::attr;
using platform::fs::FileSystem;
using platform::fs::Folder;

constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;

int32_t clamp_to_int32(uint64_t length) {
    return static_cast<int32_t>(std::min<uint64_t>(length, std::numeric_limits<int32_t>::max()));
}

// A subfolder the walk goes into: a real folder, never a link to one.
bool is_subfolder(const platform::fs::FindData& entry) {
    return (entry.attributes & attr::Directory) && !(entry.attributes & attr::ReparsePoint);
}

// The folder shared with the deletes queued in it; null when it cannot be opened.
template <class Open>
std::shared_ptr<Folder> shared_folder(Open open) {
    std::shared_ptr<Folder> folder;
    ignore_errors([&] {
        if (auto opened = open()) folder = std::make_shared<Folder>(std::move(*opened));
    });
    return folder;
}

// Why FileShred found no file to shred at the path.
std::string not_a_file_reason(const FileSystem& files, const std::string& path) {
    const auto attributes = files.attributes(path);
    const char* key = !attributes                          ? "msg410"
                      : (*attributes & attr::Directory)    ? "msg411"
                      : (*attributes & attr::ReparsePoint) ? "msg412"
                                                           : "msg413";
    return GetMessageText(key) + " " + path;
}

// The line of a path outside the machine, which is refused unless the user allowed it.
std::string outside_refusal(const std::string& path) { return refusal_line(path, GetMessageText("msg417")); }

// Why FolderShred does not walk the path at all; nullopt when it does. A folder that is not
// there is no refusal; one the rules keep is.
std::optional<std::string> folder_refusal(const FileSystem& files, const std::string& path) {
    if (!files.is_directory(path)) return GetMessageText(files.exists(path) ? "msg415" : "msg414") + " " + path;
    if (auto kept = kept_folder_reason(path)) return refusal_line(path, *kept);
    if (!files.may_modify(path)) return outside_refusal(path);
    return std::nullopt;
}

}  // namespace

// What one member call works with: the machine's drives, the log section and the log folder,
// looked up once per call rather than once per file.
class Shredder::Run {
public:
    explicit Run(Shredder& shredder)
        : files(platform::current_machine().files()),
          batch([this, &shredder](const std::string& path, Removal how) { shredder.announce(*this, path, how); },
                [&shredder](const std::string& failure) { shredder.NotShredded(failure); }) {}
    FileSystem& files;
    ShredBatch batch;  // a folder walk's files waiting for their delete

    // "File shredded:", or the note that only a hard link's name went, in the user's language.
    const std::string& label(Removal removal) {
        auto& label = labels_[removal == Removal::NameOnly];
        if (!label) label = GetMessageText(removal == Removal::NameOnly ? "msg62" : "msg16");
        return *label;
    }

    void log(Removal removal, const std::string& path) {
        std::string section = label(removal) + " ";
        std::string text = path;
        log_.AddToLog(section, text);
    }

private:
    std::optional<std::string> labels_[2];
    LogWriter log_;
};

Variant Shredder::TotalBytes() const { return int32_t{0}; }

double Shredder::toByte(double m) const { return m * kBytesPerMegabyte; }

int32_t Shredder::FileShred(const std::string& file) {
    BusyPointer busy;
    Run run(*this);
    return shred_file(run, file);
}

// A single file is flushed on its own: nothing else is waiting to share the flush.
int32_t Shredder::shred_file(Run& run, const std::string& path) {
    // A link is only removed, and that is judged where it lies; a file reached outside is refused.
    const auto attributes = run.files.attributes(path);
    if (attributes && !(*attributes & attr::ReparsePoint) && !run.files.may_modify(path)) {
        NotShredded(outside_refusal(path));
        return 0;
    }
    const auto file = file_to_shred(run.files, path);
    if (!file) {
        NotShredded(not_a_file_reason(run.files, path));
        return 0;
    }
    bool overwritten = false;
    const auto failure = failure_of([&] {
        if (auto handle = overwrite_before_delete(run.files, path, path, *file)) {
            handle->sync();
            handle->close();
            overwritten = true;
        }
        run.files.delete_file(path, true);
    });
    if (failure) NotShredded(*failure);
    else if (overwritten) announce(run, path, Removal::Overwritten);
    else if (file->other_names) announce(run, path, Removal::NameOnly);
    return clamp_to_int32(file->length);
}

void Shredder::announce(Run& run, const std::string& path, Removal removal) {
    // The file is gone whether or not the log can be written; the user still hears of it.
    ignore_errors([&] { run.log(removal, path); });
    std::string name = file_name_of(path);
    if (removal == Removal::NameOnly) name = run.label(removal) + " " + name;
    ShowLog.raise(name);
}

int32_t Shredder::FolderShred(const std::string& fname, bool DeleteContentsOnly, const std::string& File_Extension,
                              bool SubDirectoriesIncluded, double& Max_fsize, double& Min_fsize) {
    Max_fsize = toByte(Max_fsize);
    Min_fsize = toByte(Min_fsize);
    BusyPointer busy;
    if (fname.empty()) return 0;
    Run run(*this);
    if (auto refusal = folder_refusal(run.files, fname)) {
        NotShredded(*refusal);
        return 0;
    }
    // Only a folder is removed here: a file path given as the folder is left alone. It goes by
    // its path, as given: a link given as the folder is removed as the link it is. A drive root
    // is never removed, which is no failure.
    auto remove_named_folder = [&files = run.files, fname] {
        if (!files.is_directory(fname) || names_a_drive_root(fname)) return;
        ignore_errors([&] { files.set_attributes(fname, attr::Normal); });
        files.delete_tree(fname);
    };
    shred_folder(run, shared_folder([&] { return run.files.open_folder(fname); }), fname, DeleteContentsOnly,
                 FileSelection{File_Extension, Max_fsize, Min_fsize}, SubDirectoriesIncluded, remove_named_folder);
    run.batch.flush();
    platform::CancellableRun::check();
    return 0;
}

std::vector<bool> Shredder::ShredFiles(std::span<const platform::fs::FolderFile> files) {
    BusyPointer busy;
    Run run(*this);
    // The batch tells of each delete on this thread, in the order the files were given.
    std::vector<bool> went(files.size(), false);
    for (size_t at = 0; at < files.size(); ++at)
        run.batch.shred(files[at].folder, files[at].name, files[at].path, [&went, at] { went[at] = true; });
    run.batch.flush();
    return went;
}

// `folder` is null when it cannot be opened: then there is nothing to list, and the attempt to
// remove it finds nothing either. A subfolder is removed through the folder holding it, by name,
// so that no path is looked up again however deep the walk goes.
void Shredder::shred_folder(Run& run, const std::shared_ptr<Folder>& folder, const std::string& path,
                            bool delete_contents_only, const FileSelection& selection, bool subfolders_included,
                            std::function<void()> remove_folder) {
    std::vector<platform::fs::FindData> entries;
    if (folder) ignore_errors([&] { entries = folder->entries(); });

    if (subfolders_included) {
        const FileSelection without_size_bounds{selection.extension};
        for (const auto& entry : entries) {
            if (platform::run_cancel_requested()) return;
            if (!is_subfolder(entry)) continue;
            auto remove_subfolder = [folder, name = entry.name] {
                ignore_errors([&] { folder->set_attributes(name, attr::Normal); });
                folder->delete_tree(name);
            };
            shred_folder(run, shared_folder([&] { return folder->subfolder(entry.name); }), join_path(path, entry.name),
                         delete_contents_only, without_size_bounds, true, std::move(remove_subfolder));
        }
    }
    // After the user's Cancel no further file is begun, and no folder goes: what it held is
    // partly there still.
    for (const auto& entry : entries) {
        if (platform::run_cancel_requested()) return;
        if (!(entry.attributes & attr::Directory) && selection.selects(entry.name, entry.size))
            run.batch.shred(folder, entry, join_path(path, entry.name));
    }

    // Not forced, so a read-only item keeps the folder.
    if (!delete_contents_only && !platform::run_cancel_requested()) run.batch.then(std::move(remove_folder));
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
