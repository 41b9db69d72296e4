#pragma once
// A file's bytes mapped read-only, shared with the page cache, under a read lease: the moment
// another program opens the file to write it (or truncates it), the kernel tells us before that
// program may go on, and the mapping is swapped, at the same address, for a private copy of what
// it held. Readers never see the file change under them and never fault on a file cut short.
// A large file read this way costs a few hundred page faults instead of one per page of a buffer
// of its own, which on a machine that hands out fresh memory slowly is most of the cost of reading.
#include <cstddef>
#include <memory>
#include <string_view>

namespace platform::fs {

class LeasedMapping {
public:
    // Maps `size` bytes of the open file fd (a regular file opened read-only; the descriptor is
    // duplicated, the caller keeps its own). nullptr when the file cannot be held this way: leases
    // not offered by its file system or turned off, a file another program has open for writing,
    // a file of another user, no room for another mapping. The caller then reads the file itself.
    static std::unique_ptr<LeasedMapping> map(int fd, size_t size);
    ~LeasedMapping();  // unmaps; the lease goes with the duplicated descriptor
    LeasedMapping(const LeasedMapping&) = delete;
    LeasedMapping& operator=(const LeasedMapping&) = delete;

    std::string_view bytes() const { return {data_, size_}; }

private:
    LeasedMapping(size_t slot, const char* data, size_t size) : slot_(slot), data_(data), size_(size) {}
    size_t slot_;
    const char* data_;
    size_t size_;
};

}  // namespace platform::fs
