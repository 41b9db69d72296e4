#include "engine/shredder/free_space_wipe.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/foundation/engine_error.h"
#include "platform/sys/removed_on_signal.h"
#include "platform/sys/run_cancel.h"

namespace engine {

namespace {

using platform::fs::File;
using platform::fs::FileSystem;
using platform::fs::FsError;

constexpr std::size_t kFillBlockLength = 1 << 20;
constexpr std::size_t kSmallestPiece = 256;
constexpr uint8_t kFillCharacter = '0';
constexpr std::string_view kFillStem = "TmpShred.";

// "TmpShred.7", "TmpShred.x": a name a wipe gives its fill files.
bool fill_file_name(const std::string& name) {
    if (name.size() <= kFillStem.size() || !name.starts_with(kFillStem)) return false;
    const std::string tail = name.substr(kFillStem.size());
    return tail == "x" || std::all_of(tail.begin(), tail.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// What a wipe wrote: nothing yet, or fill characters from the start.
bool holds_only_fill(FileSystem& files, const std::string& path) {
    File file = files.open(path, File::Mode::Read);
    std::vector<uint8_t> head(4096);
    head.resize(file.read_at(0, head));
    return std::all_of(head.begin(), head.end(), [](uint8_t byte) { return byte == kFillCharacter; });
}

// The wipe files written so far. They are deleted when this goes away, whatever happened, so a
// failed wipe never leaves the drive full.
class WipeFiles {
public:
    WipeFiles(FileSystem& files, std::string root) : files_(files), root_(std::move(root)) {}
    ~WipeFiles() {
        for (const auto& path : paths_) ignore_errors([&] { files_.delete_file(path); });
    }
    WipeFiles(const WipeFiles&) = delete;
    WipeFiles& operator=(const WipeFiles&) = delete;

    bool drive_full() const { return drive_full_; }

    // A new file of up to `length` fill bytes; returns how many the drive took. A signal that
    // ends the program meanwhile removes it on the way out.
    uint64_t write(const std::string& name, uint64_t length) {
        const std::string path = root_ + name;
        std::optional<File> created;
        auto create = [&] { created.emplace(files_.open(path, File::Mode::CreateAlways)); };
        if (auto host = files_.to_host(path)) on_signal_.push_back(std::make_unique<platform::RemovedOnSignal>(*host, create));
        else create();
        paths_.push_back(path);
        File& file = *created;
        const uint64_t written = fill(file, length);
        file.close();
        return written;
    }

    // Deleting a file whose data still sits in the cache would drop that data unwritten. And
    // while it sits there the file system holds back room for it that further writes need.
    void sync_all() {
        for (const auto& path : paths_) files_.open(path, File::Mode::WriteInPlace).sync();
    }

    void delete_all() {
        while (!paths_.empty()) {
            files_.delete_file(paths_.back());
            paths_.pop_back();
        }
        on_signal_.clear();
    }

private:
    // Writes up to `length` fill bytes; stops early, marking the drive full, when it takes no more.
    uint64_t fill(File& file, uint64_t length) {
        static const std::vector<uint8_t> fill_bytes(kFillBlockLength, kFillCharacter);
        uint64_t written = 0;
        std::size_t piece = fill_bytes.size();
        bool flushed_since_refused = false;
        while (written < length) {
            const auto now = static_cast<std::size_t>(std::min<uint64_t>(piece, length - written));
            try {
                file.write_at(written, std::span<const uint8_t>(fill_bytes.data(), now));
                written += now;
                flushed_since_refused = false;
            } catch (const FsError& error) {
                if (error.code() != platform::fs::error::DiskFull) throw;
                written = file.size();
                if (piece > kSmallestPiece) {
                    // Room is granted a block at a time: a drive that refuses a large write may
                    // still take smaller ones, and the last free blocks are the ones to reach.
                    piece /= 16;
                } else if (!flushed_since_refused) {
                    sync_all();
                    flushed_since_refused = true;
                    piece = fill_bytes.size();
                } else {
                    drive_full_ = true;
                    break;
                }
            }
        }
        return written;
    }

    FileSystem& files_;
    std::string root_;
    std::vector<std::string> paths_;
    std::vector<std::unique_ptr<platform::RemovedOnSignal>> on_signal_;
    bool drive_full_ = false;
};

}  // namespace

int remove_leftover_fill_files(FileSystem& files) {
    int removed = 0;
    for (const std::string& root : files.drives()) {
        for (const auto& found : files.find(root + std::string(kFillStem) + "*")) {
            const std::string path = root + found.name;
            if ((found.attributes & (platform::fs::attr::Directory | platform::fs::attr::ReparsePoint)) != 0 ||
                !fill_file_name(found.name) || !files.may_modify(path))
                continue;
            if (ignore_errors([&] {
                    if (holds_only_fill(files, path)) files.delete_file(path, true);
                }) &&
                !files.exists(path))
                ++removed;
        }
    }
    return removed;
}

WipePlan plan_wipe(const FileSystem& files, const std::string& root) {
    const auto space = files.free_space(root);
    WipePlan plan{space.free_bytes, space.total_bytes, {}, 1};
    const uint64_t full_chunks = space.free_bytes / kWipeChunkLength;
    for (uint64_t i = 1; i <= full_chunks; ++i) plan.files.push_back({std::string(kFillStem) + std::to_string(i), kWipeChunkLength});
    plan.files.push_back({std::string(kFillStem) + "x", space.free_bytes - full_chunks * kWipeChunkLength});
    plan.next_chunk = full_chunks + 1;
    return plan;
}

void wipe_free_space(FileSystem& files, const std::string& root, const std::function<void(double)>& progress) {
    const WipePlan plan = plan_wipe(files, root);
    WipeFiles wipe(files, root);
    uint64_t written = 0;

    // The user's Cancel stops the wipe between two fill files; leaving, WipeFiles removes them.
    for (size_t i = 0; i < plan.files.size() && !wipe.drive_full(); ++i) {
        platform::CancellableRun::check();
        written += wipe.write(plan.files[i].name, plan.files[i].length);
        // Each full chunk moves the bar; the rest (the last file) ends it below.
        if (!wipe.drive_full() && i + 1 < plan.files.size())
            progress(100.0 * static_cast<double>(written) / static_cast<double>(plan.free_bytes));
    }
    // The drive may hold more than it reported; the capacity bounds a file system that never
    // says it is full.
    for (uint64_t i = plan.next_chunk; !wipe.drive_full() && written < plan.capacity; ++i) {
        platform::CancellableRun::check();
        written += wipe.write(std::string(kFillStem) + std::to_string(i), kWipeChunkLength);
    }

    wipe.sync_all();
    wipe.delete_all();
    progress(100.0);
}

}  // namespace engine
