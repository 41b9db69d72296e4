#include "platform/removals/folded_path_set.h"

#include <algorithm>
#include <utility>

#include "platform/text/name_fold.h"

namespace platform {

size_t FoldedPathSet::slot_of(std::string_view path, uint64_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.length == kFree) return at;
        if (slot.hash == hash && text::same_name(std::string_view(text_).substr(slot.offset, slot.length), path))
            return at;
    }
}

bool FoldedPathSet::contains(std::string_view path) const {
    if (empty()) return false;
    return slots_[slot_of(path, text::folded_hash(path))].length != kFree;
}

bool FoldedPathSet::insert(std::string_view path) {
    if ((size_ + 1) * 2 > slots_.size()) grow();
    const uint64_t hash = text::folded_hash(path);
    Slot& slot = slots_[slot_of(path, hash)];
    if (slot.length != kFree) return false;
    slot = {hash, text_.size(), path.size()};
    text_.append(path);
    ++size_;
    return true;
}

void FoldedPathSet::grow() {
    const std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(std::max<size_t>(64, slots_.size() * 2)));
    const size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.length == kFree) continue;
        size_t at = slot.hash & mask;
        while (slots_[at].length != kFree) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

void FoldedPathSet::clear() {
    text_ = {};
    slots_ = {};
    size_ = 0;
}

}  // namespace platform
