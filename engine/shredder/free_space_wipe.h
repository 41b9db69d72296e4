#pragma once
// Overwriting the free space of a drive by filling it with temporary files.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/fs/fs.h"

namespace engine {

inline constexpr uint64_t kWipeChunkLength = 10'000'000;

struct FillFile {
    std::string name;  // "TmpShred.1"
    uint64_t length = 0;
};

// What a wipe of a drive sets out to write: the free space the drive reports, its capacity (the
// bound of a drive that keeps taking data), and the fill files for the reported free space.
struct WipePlan {
    uint64_t free_bytes = 0;
    uint64_t capacity = 0;
    std::vector<FillFile> files;  // full chunks, then TmpShred.x for the rest (maybe empty)
    // The number of the first further chunk, written while the drive still takes data.
    uint64_t next_chunk = 1;
};
WipePlan plan_wipe(const platform::fs::FileSystem& files, const std::string& root);

// Fills the free space of the drive whose root is given ("D:\") with files of "0" characters:
// TmpShred.1, TmpShred.2, ... of kWipeChunkLength bytes for the free space the drive reports,
// TmpShred.x for the rest of it, and further numbered chunks while the drive still takes data
// (the reported figure is an estimate). All of them stay until the drive is full, so every free
// block is written once; then they are flushed to the device and deleted.
// `progress` gets the share of the reported free space written after each full chunk, and
// 100 at the end. The files are deleted on every way out; errors other than a full drive
// (platform::fs::FsError) reach the caller, and so does the user's Cancel of a cancellable run
// (platform::RunCancelled), heard before each fill file.
void wipe_free_space(platform::fs::FileSystem& files, const std::string& root,
                     const std::function<void(double percent)>& progress);

// The fill files a wipe cut short by the end of its program (killed, the power gone) left in the
// roots of the drives it may change: files of a fill file's name that hold only fill characters.
// For the program that holds the machine, at its start. Returns how many went.
int remove_leftover_fill_files(platform::fs::FileSystem& files);

}  // namespace engine
