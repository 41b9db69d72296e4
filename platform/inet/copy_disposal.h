#pragma once
// How the cached copies of the records a pass removes leave the disk. A pass hands over all its
// copies at once, so that many deletes can be on their way together, and then learns which went:
// a record may leave its index only once its copy is gone.
#include <functional>
#include <span>
#include <vector>

#include "platform/fs/fs.h"

namespace platform::inet {

class CopyDisposal {
public:
    virtual ~CopyDisposal() = default;
    // Removes the copies; for each, whether it is gone now (one its folder no longer holds is).
    // Why one had to stay is the disposal's to tell.
    virtual std::vector<bool> dispose(std::span<const fs::FolderFile> copies) = 0;
};

// Deletes the copies without overwriting them, several at a time: for stores whose copies hold
// nothing a shred would protect, and for callers that shred by other means.
class DeletedCopies final : public CopyDisposal {
public:
    // `failed` hears why a copy stays (outside the machine folder, access denied).
    explicit DeletedCopies(std::function<void(const fs::FsError&)> failed = {});
    std::vector<bool> dispose(std::span<const fs::FolderFile> copies) override;

private:
    std::function<void(const fs::FsError&)> failed_;
};

}  // namespace platform::inet
