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
#include "engine/shredder/shred_batch.h"
#include "engine/shredder/shred_steps.h"
#include "engine/shredder/windows_path.h"
#include "platform/machine/machine.h"

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

}  // namespace

// What one member call works with: the machine's drives, the log section and the log folder,
// looked up once per call rather than once per file.
class Shredder::Run {
public:
    explicit Run(Shredder& shredder)
        : files(platform::current_machine().files()),
          batch([this, &shredder](const std::string& path) { shredder.announce(*this, path); }) {}
    FileSystem& files;
    ShredBatch batch;  // a folder walk's files waiting for their delete

    void log_shredded(const std::string& path) {
        if (!section_) section_ = GetMessageText("msg16") + " ";
        std::string text = path;
        log_.AddToLog(*section_, text);
    }

private:
    std::optional<std::string> section_;
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
    const auto file = file_to_shred(run.files, path);
    if (!file) return 0;
    bool overwritten = false;
    const bool deleted = ignore_errors([&] {
        if (auto handle = overwrite_before_delete(run.files, path, path, *file)) {
            handle->sync();
            handle->close();
            overwritten = true;
        }
        run.files.delete_file(path, true);
    });
    if (deleted && overwritten) announce(run, path);
    return clamp_to_int32(file->length);
}

void Shredder::announce(Run& run, const std::string& path) {
    // The file is gone whether or not the log can be written; the user still hears of it.
    ignore_errors([&] { run.log_shredded(path); });
    std::string name = file_name_of(path);
    ShowLog.raise(name);
}

int32_t Shredder::FolderShred(const std::string& fname, bool DeleteContentsOnly, const std::string& File_Extension,
                              bool SubDirectoriesIncluded, double& Max_fsize, double& Min_fsize) {
    Max_fsize = toByte(Max_fsize);
    Min_fsize = toByte(Min_fsize);
    BusyPointer busy;
    if (fname.empty()) return 0;
    Run run(*this);
    shred_folder(run, shared_folder([&] { return run.files.open_folder(fname); }), fname, DeleteContentsOnly, FileSelection{File_Extension, Max_fsize, Min_fsize},
                 SubDirectoriesIncluded);
    run.batch.flush();
    return 0;
}

// `folder` is null when it cannot be opened: then there is nothing to list, and the attempt to
// remove it finds nothing either.
void Shredder::shred_folder(Run& run, const std::shared_ptr<Folder>& folder, const std::string& path,
                            bool delete_contents_only, const FileSelection& selection, bool subfolders_included) {
    std::vector<platform::fs::FindData> entries;
    if (folder) ignore_errors([&] { entries = folder->entries(); });

    if (subfolders_included) {
        const FileSelection without_size_bounds{selection.extension};
        for (const auto& entry : entries) {
            if (!is_subfolder(entry)) continue;
            shred_folder(run, shared_folder([&] { return folder->subfolder(entry.name); }), join_path(path, entry.name),
                         delete_contents_only, without_size_bounds, true);
        }
    }
    for (const auto& entry : entries)
        if (!(entry.attributes & attr::Directory) && selection.selects(entry.name, entry.size))
            run.batch.shred(folder, entry.name, join_path(path, entry.name));

    // Only a folder is removed here: a file path given as the folder is left alone. Not forced,
    // so a read-only item keeps the folder, and a drive root is refused by the file system. It
    // goes by its path, as given: a link given as the folder is removed as the link it is.
    if (!delete_contents_only) {
        run.batch.then([&files = run.files, path] {
            if (!files.is_directory(path)) return;
            ignore_errors([&] { files.set_attributes(path, attr::Normal); });
            ignore_errors([&] { files.delete_tree(path); });
        });
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
