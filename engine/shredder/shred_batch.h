#pragma once
// Files of a folder walk, overwritten in place and waiting for their delete. Flushing each small
// file on its own costs the device a cache flush per file; one flush for a whole batch makes
// every overwrite durable at once. Only after it are the files deleted, several at a time but
// started in the order they were added, each announced (log line, ShowLog) in that order once its
// own delete is done.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/shredder/shred_steps.h"
#include "platform/fs/fs.h"

namespace engine {

class ShredBatch {
public:
    // Called with the path of each overwritten file, and of each file whose name alone was
    // removed because its data has other names, right after its delete.
    using Announce = std::function<void(const std::string& path, Removal removal)>;
    // Called with what went wrong for each file or step that failed.
    using Report = std::function<void(const std::string& failure)>;
    ShredBatch(Announce announce, Report report) : announce_(std::move(announce)), report_(std::move(report)) {}

    // Called once the file is gone, after its announcement if it has one: with the batch's
    // deletes in flight, this is how a caller learns which of its files went.
    using Went = std::function<void()>;

    // Overwrites the file of the folder that its listing describes now and deletes it with the
    // batch; `path` is the file as the caller names it. Links and shortcuts are only deleted,
    // unannounced. A file that fails any step, its flush included, is left where it is and reported.
    void shred(const std::shared_ptr<platform::fs::Folder>& folder, const platform::fs::FindData& listed,
               std::string path, Went went = {});
    // The same for a file the caller names without a listing. A name the folder does not hold
    // is gone already: `went` is called at once.
    void shred(const std::shared_ptr<platform::fs::Folder>& folder, const std::string& name, std::string path,
               Went went);
    // Runs `step` after the deletes added so far: a folder is removed after its files. A step
    // that throws is reported.
    void then(std::function<void()> step);
    // Flushes what was overwritten, then deletes, announces and runs the steps in order. Runs by
    // itself whenever the batch holds 2,048 files and steps or 64 MB; call it once more at the end.
    // Several deletes are under way at once (each may wait for the device to discard the file's
    // blocks): they start in order, and each is announced, or reported, only after its own delete
    // and those of every file before it; a step runs after the deletes before it.
    void flush();

private:
    struct Pending {
        std::shared_ptr<platform::fs::Folder> folder;  // with `name`: the file to delete
        std::string name;
        std::function<void()> step;        // instead of a delete: what runs after the deletes before it
        std::optional<size_t> flush_key;   // for an overwritten file: what must be on the device first
        std::string announced_path;        // empty: nothing to announce
        Removal removal = Removal::Overwritten;
        bool deleting = false;             // its delete was started
        Went went;
    };

    void shred(const std::shared_ptr<platform::fs::Folder>& folder, const std::string& name,
               const FileToShred& file, std::string path, Went went);
    void add(Pending pending);
    void start(Pending& pending, const platform::fs::FlushBatch& flushed);
    void finish(const Pending& pending);

    Announce announce_;
    Report report_;
    platform::fs::FlushBatch flushes_;
    platform::fs::ConcurrentDeletes deletes_;
    std::vector<Pending> pending_;
    uint64_t overwritten_bytes_ = 0;
};

}  // namespace engine
