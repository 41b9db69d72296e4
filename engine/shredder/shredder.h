#pragma once
// Shredder: overwrites files in place and deletes them, one at a time or a folder at once with
// a type and size filter, and wipes the free space of a drive.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"
#include "engine/foundation/variant.h"
#include "engine/shredder/file_selection.h"
#include "engine/shredder/shred_steps.h"

namespace platform::fs {
class Folder;
struct FolderFile;
}

namespace engine {

class Shredder : public EngineObject {
public:
    // Nothing accumulates into it: always 0.
    Variant TotalBytes() const;

    // Overwrites the whole file in place, flushes it to the device, deletes it, writes the log
    // line and raises ShowLog with the bare file name. A path ending in "lnk" (a shortcut) and a
    // symbolic link are deleted without being overwritten, logged or announced. A file whose
    // data has other names (a hard link) loses only this name, without an overwrite: the log line
    // and ShowLog say so. Any failure leaves the file where it is and raises NotShredded. Returns
    // the length found before the overwrite (0 when the file cannot be read), capped at
    // 2,147,483,647 for larger files.
    int32_t FileShred(const std::string& file);

    // Shreds the files of a folder that the selection takes (subfolders first, when included,
    // and there without size bounds), then, unless DeleteContentsOnly, removes the folder with
    // what is left in it (not forced: a read-only item keeps it). Symbolic links are never
    // followed. Max_fsize and Min_fsize are megabytes and hold bytes on return. Always 0.
    // Files are overwritten in batches, each made durable with one flush before any of its files
    // is deleted; deletes start in the order of a file-by-file run, several run at once, and log
    // lines and ShowLog keep that order, each after its own file's delete. A folder that is
    // missing or outside the machine, and each file or folder that could not be shredded or
    // removed, raises NotShredded (a drive root that stays is no failure). The work grows with
    // the number of entries, however deep the tree. The user's Cancel of a cancellable run
    // (platform/sys/run_cancel.h) stops the walk before its next file: the files begun are
    // shredded whole, the others and every folder stay, and platform::RunCancelled is thrown.
    int32_t FolderShred(const std::string& fname, bool DeleteContentsOnly, const std::string& File_Extension,
                        bool SubDirectoriesIncluded, double& Max_fsize, double& Min_fsize);

    // Shreds files of folders the caller has opened as FolderShred shreds a folder's files: in
    // batches, several deletes at once, each announced after its own delete; one that fails
    // raises NotShredded and stays. Returns, for each, whether it is gone now: a name its folder
    // no longer holds counts as gone.
    std::vector<bool> ShredFiles(std::span<const platform::fs::FolderFile> files);

    // Overwrites the free space of the drive named by the first two characters ("D:"), raising
    // Progress as it goes. Failures other than a full drive are raised as EngineError; the
    // temporary files are gone in either case.
    Variant ShredFreeSpace(const std::string& drive);

    // Megabytes to bytes.
    double toByte(double m) const;

    Event<double> Progress;
    Event<int32_t> FolderShredCompleted;  // part of the event interface; nothing raises it
    Event<std::string> ShowLog;
    // What could not be shredded and why, one text per file or folder ("Cannot ...: reason.").
    // The shredder screen shows it, and so do the cleaners (trace_shredding.h).
    Event<std::string> NotShredded;

private:
    class Run;
    int32_t shred_file(Run& run, const std::string& path);
    void shred_folder(Run& run, const std::shared_ptr<platform::fs::Folder>& folder, const std::string& path,
                      bool delete_contents_only, const FileSelection& selection, bool subfolders_included,
                      std::function<void()> remove_folder);
    // The log line and ShowLog of a file that was deleted.
    void announce(Run& run, const std::string& path, Removal removal);
};

}  // namespace engine
