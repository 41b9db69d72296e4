#pragma once
// How many folders a walk keeps open at once. A walk reaches each entry through the descriptor
// of its folder, so no path is looked up again below it; but a deep tree would then hold one
// descriptor per level, and the process has only so many. The least recently used folders give
// theirs back and open again when next used.
#include <cstddef>
#include <list>

namespace platform::fs::detail {

// A folder whose descriptor can be closed now and opened again later.
class OpenFolder {
public:
    virtual void close_descriptor() = 0;

protected:
    ~OpenFolder() = default;

private:
    friend class FolderDescriptors;
    std::list<OpenFolder*>::iterator place_;
    bool listed_ = false;
};

class FolderDescriptors {
public:
    explicit FolderDescriptors(size_t limit) : limit_(limit) {}
    // The folder's descriptor is open and was just used; the least recently used others beyond
    // the limit are closed. The folder itself and the one used just before it stay open.
    void used(OpenFolder& folder);
    // Its descriptor was closed by the folder itself.
    void closed(OpenFolder& folder);

private:
    size_t limit_;
    std::list<OpenFolder*> recent_;  // most recently used first
};

}  // namespace platform::fs::detail
