#pragma once
// Replacing a file so that a crash, a full disk or a failing device leaves either the old file or
// the new one, never a mix: the new contents go to a temporary file beside it, reach the device,
// and only then take the file's name. Each step asks write_faults first, so that tests can make
// any of them fail. The drives' files and the registry's hives are replaced alike.
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace platform::fs {

// Makes the renames done in a folder durable: without it a crash can bring the old name back.
// Best effort: a folder that cannot be synced has still had its files replaced. A writer that
// replaces several files in one folder syncs it once for all.
void sync_folder(const std::filesystem::path& folder);

// Removes what replacements of `target` left beside it when their program was killed in the
// middle of writing them. Only while nothing else is replacing that file.
void remove_unfinished_replacements(const std::filesystem::path& target);

// The replacement of one file. Each step gives 0 or the host's errno, for the caller to report in
// its own terms; after a failed step the replacement is only good for dropping. The temporary
// file goes on every way out but the one where it took the file's name.
class AtomicReplacement {
public:
    // Makes the temporary file beside `target`. It takes the permission bits and stored attributes
    // of `like` (the target itself, or the file a copy is made of) where that exists, else those
    // a new file of any other program would get.
    AtomicReplacement(std::filesystem::path target, const std::filesystem::path& like);
    ~AtomicReplacement();
    AtomicReplacement(const AtomicReplacement&) = delete;
    AtomicReplacement& operator=(const AtomicReplacement&) = delete;

    // 0, or why the temporary file could not be made (nothing else may then be asked).
    int create_error() const { return create_error_; }
    // Open for writing; after a replacement took the name, the file under it.
    int fd() const { return fd_; }
    const std::string& temp_path() const { return temp_path_; }

    // Appends all of `bytes`. A long run goes to the device piece by piece while it is written, so
    // that the flush waits only for the last of it. One thread at a time.
    int write(std::string_view bytes);
    // Everything written reaches the device.
    int flush();

    // Renames the replacement over the target; when it fails the target is as it was.
    int put_in_place();

    // The same, but only over the file `unchanged` accepts, or where no file is; `unchanged` is
    // asked about a path that names what stood under the target's name. Where the file system can
    // swap two names in one step, no moment is left in which another program's write could be
    // lost: the file the swap took out is asked about, and swapped back when it is refused.
    struct Placed {
        enum Outcome {
            Replaced,
            Refused,    // another program's file stands under the name, and stays; ours is dropped
            Failed,     // `error` says why; the target is as it was
            KeptAside,  // the swap back failed (`error`): ours took the name, the refused file is at temp_path()
        } outcome;
        int error = 0;
    };
    Placed put_in_place_unless_changed(const std::function<bool(const std::filesystem::path& file)>& unchanged);

    // Once the replacement took the name: its descriptor, still open, for the caller to close.
    int release();

private:
    int rename_to(unsigned int flags);  // 0 or errno

    std::filesystem::path target_;
    std::string temp_path_;
    int fd_ = -1;
    int create_error_ = 0;
    bool placed_ = false;  // the temporary name no longer holds our file
    off_t written_ = 0;
};

}  // namespace platform::fs
