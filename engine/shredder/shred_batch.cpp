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
                       std::string path) {
    const auto file = file_to_shred(*folder, listed);
    if (!file) return;
    const std::string& name = listed.name;
    Pending pending{[folder, name] { folder->delete_file(name, true); }, std::nullopt, {}};
    try {
        if (auto handle = overwrite_before_delete(*folder, name, path, *file)) {
            pending.flush_key = flushes_.add(std::move(*handle));
            pending.announced_path = std::move(path);
            overwritten_bytes_ += std::max<uint64_t>(file->length, kPatternRunLength);
        } else if (file->other_names) {
            pending.announced_path = std::move(path);
            pending.removal = Removal::NameOnly;
        }
    } catch (const std::exception& error) {
        report_(error.what());  // the file stays
        return;
    }
    add(std::move(pending));
}

void ShredBatch::then(std::function<void()> step) { add({std::move(step), std::nullopt, {}}); }

void ShredBatch::add(Pending pending) {
    pending_.push_back(std::move(pending));
    if (pending_.size() >= kMaxPending || overwritten_bytes_ >= kMaxBytes) flush();
}

void ShredBatch::flush() {
    flushes_.flush();
    // Taken out first, so that the batch is empty again however the loop below ends.
    std::vector<Pending> pending = std::exchange(pending_, {});
    platform::fs::FlushBatch flushed = std::exchange(flushes_, {});
    overwritten_bytes_ = 0;
    for (Pending& step : pending) {
        // Data that may not have reached the device must not lose its file: it stays.
        if (step.flush_key && !flushed.flushed(*step.flush_key)) {
            report_("Cannot shred \"" + step.announced_path +
                    "\": the overwrite could not be flushed to the disk, so the file was kept.");
            continue;
        }
        if (auto failure = failure_of(step.act)) report_(*failure);
        else if (!step.announced_path.empty()) announce_(step.announced_path, step.removal);
    }
}

}  // namespace engine
