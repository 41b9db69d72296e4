#include "engine/shredder/shred_batch.h"

#include <algorithm>
#include <utility>

#include "engine/foundation/engine_error.h"
#include "engine/shredder/shred_steps.h"

namespace engine {

namespace {

// Large enough that the device's cache flush (milliseconds each) costs little per file, small
// enough that a cancelled or failing run leaves few files overwritten but not yet deleted, and
// the page cache is not flooded. Links, shortcuts and folders count too, so a tree of nothing
// but folders is held in check.
constexpr size_t kMaxPending = 2048;
constexpr uint64_t kMaxBytes = uint64_t{64} << 20;

}  // namespace

void ShredBatch::shred(const std::shared_ptr<platform::fs::Folder>& folder, const platform::fs::FindData& listed,
                       std::string path, Went went) {
    if (const auto file = file_to_shred(*folder, listed)) shred(folder, listed.name, *file, std::move(path), std::move(went));
}

void ShredBatch::shred(const std::shared_ptr<platform::fs::Folder>& folder, const std::string& name, std::string path,
                       Went went) {
    if (const auto file = file_to_shred(*folder, name)) shred(folder, name, *file, std::move(path), std::move(went));
    else if (went) went();
}

void ShredBatch::shred(const std::shared_ptr<platform::fs::Folder>& folder, const std::string& name,
                       const FileToShred& file, std::string path, Went went) {
    Pending pending{folder, name};
    pending.went = std::move(went);
    try {
        if (auto handle = overwrite_before_delete(*folder, name, path, file)) {
            pending.flush_key = flushes_.add(std::move(*handle));
            pending.announced_path = std::move(path);
            overwritten_bytes_ += std::max<uint64_t>(file.length, kPatternRunLength);
        } else if (file.other_names) {
            pending.announced_path = std::move(path);
            pending.removal = Removal::NameOnly;
        }
    } catch (const std::exception& error) {
        report_(error.what());  // the file stays
        return;
    }
    add(std::move(pending));
}

void ShredBatch::then(std::function<void()> step) { add({.step = std::move(step)}); }

void ShredBatch::add(Pending pending) {
    pending_.push_back(std::move(pending));
    if (pending_.size() >= kMaxPending || overwritten_bytes_ >= kMaxBytes) flush();
}

void ShredBatch::flush() {
    flushes_.flush();
    // Taken out first, so that the batch is empty again however the loop below ends.
    std::vector<Pending> pending = std::exchange(pending_, {});
    const platform::fs::FlushBatch flushed = std::exchange(flushes_, {});
    overwritten_bytes_ = 0;
    size_t started = 0;
    for (Pending& next : pending) {
        for (; started < pending.size() && deletes_.has_room(); ++started) start(pending[started], flushed);
        finish(next);
    }
}

void ShredBatch::start(Pending& pending, const platform::fs::FlushBatch& flushed) {
    // Data that may not have reached the device must not lose its file: it stays.
    if (pending.step || (pending.flush_key && !flushed.flushed(*pending.flush_key))) return;
    deletes_.start(*pending.folder, pending.name, true);
    pending.deleting = true;
}

void ShredBatch::finish(const Pending& pending) {
    if (pending.step) {
        if (auto failure = failure_of(pending.step)) report_(*failure);
    } else if (!pending.deleting) {
        report_("Cannot shred \"" + pending.announced_path +
                "\": the overwrite could not be flushed to the disk, so the file was kept.");
    } else if (auto failure = failure_of([this] { deletes_.finish_oldest(); })) {
        report_(*failure);
    } else {
        if (!pending.announced_path.empty()) announce_(pending.announced_path, pending.removal);
        if (pending.went) pending.went();
    }
}

}  // namespace engine
