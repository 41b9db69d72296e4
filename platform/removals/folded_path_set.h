#pragma once
// A set of Windows paths compared as Windows compares them (without case), made for the tens of
// thousands of paths a preview removes and then asks after one by one: the paths' text is kept
// end to end in one buffer and a flat table holds each path's hash and place in it, so adding a
// path seldom allocates and a look-up mostly reads one slot.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class FoldedPathSet {
public:
    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    // false when the set holds the path already, in this case or another.
    bool insert(std::string_view path);
    bool contains(std::string_view path) const;
    // Empties the set and gives its memory back.
    void clear();

private:
    static constexpr size_t kFree = SIZE_MAX;
    struct Slot {
        uint64_t hash = 0;
        size_t offset = 0;  // in text_
        size_t length = kFree;
    };

    // The slot that holds the path, or the free slot where it would go.
    size_t slot_of(std::string_view path, uint64_t hash) const;
    void grow();

    std::string text_;
    std::vector<Slot> slots_;  // a power of two of them, at most half in use
    size_t size_ = 0;
};

}  // namespace platform
