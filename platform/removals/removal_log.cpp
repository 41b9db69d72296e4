#include "platform/removals/removal_log.h"

#include <algorithm>

#include "platform/text/ascii_case.h"
#include "platform/text/name_fold.h"

namespace platform {

namespace {

// Without a trailing "\" ("C:\" stays as it is), so a folder and the same folder named with a
// final backslash are one entry.
std::string_view without_final_backslash(std::string_view windows_path) {
    if (windows_path.size() > 3 && windows_path.ends_with('\\')) windows_path.remove_suffix(1);
    return windows_path;
}

}  // namespace

size_t RemovalLog::FoldedHash::operator()(std::string_view path) const { return text::folded_hash(path); }

bool RemovalLog::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
    return text::same_name(a, b);
}

std::string_view kind_name(RemovedKind kind) {
    switch (kind) {
    case RemovedKind::File: return "file";
    case RemovedKind::Folder: return "folder";
    case RemovedKind::Key: return "key";
    case RemovedKind::Value: return "value";
    case RemovedKind::CacheEntry: return "cache entry";
    case RemovedKind::HistoryEntry: return "history entry";
    case RemovedKind::Clipboard: return "clipboard";
    case RemovedKind::Record: return "record";
    }
    return "file";
}

void RemovalLog::start(Mode mode) {
    mode_ = mode;
    removed_.clear();
    if (mode != Mode::Off) {
        refused_.clear();
        kept_.clear();
        changed_.clear();
    }
    group_.clear();
    gone_.clear();
    gone_holders_.clear();
    created_.clear();
    lengths_before_writing_.clear();
}

std::vector<Removed> RemovalLog::stop() {
    std::vector<Removed> list = std::move(removed_);
    start(Mode::Off);
    return list;
}

void RemovalLog::record(RemovedKind kind, std::string path, uint64_t size) {
    if (recording()) removed_.push_back({kind, std::move(path), size, group_});
}

void RemovalLog::refuse(std::string path, std::string reason) {
    if (recording()) refused_.push_back({std::move(path), std::move(reason), group_});
}

void RemovalLog::keep(std::string path) {
    if (recording()) kept_.push_back({std::move(path), group_});
}

void RemovalLog::change(std::string path, std::string before, std::string after) {
    if (!recording()) return;
    const auto earlier = std::find_if(changed_.begin(), changed_.end(),
                                      [&](const Changed& one) { return text::iequals(one.path, path); });
    if (earlier == changed_.end()) {
        if (before != after) changed_.push_back({std::move(path), std::move(before), std::move(after), group_});
        return;
    }
    // What the setting was before the run is what the user compares with.
    if (earlier->before == after) changed_.erase(earlier);
    else earlier->after = std::move(after);
}

void RemovalLog::mark_gone(std::string_view windows_path, bool may_hold_entries) {
    if (!dry_run()) return;
    const std::string_view key = without_final_backslash(windows_path);
    if (may_hold_entries) gone_holders_.insert(key);
    gone_.insert(key);
}

bool RemovalLog::gone(std::string_view windows_path) const {
    if (gone_.empty()) return false;
    const std::string_view path = without_final_backslash(windows_path);
    if (gone_.contains(path)) return true;
    if (gone_holders_.empty()) return false;
    // A folder that went takes everything below it along.
    for (size_t at = path.find('\\'); at != std::string_view::npos; at = path.find('\\', at + 1)) {
        const size_t length = at == 2 ? 3 : at;  // "c:\" itself is a drive's root
        if (length < path.size() && gone_holders_.contains(path.substr(0, length))) return true;
    }
    return false;
}

void RemovalLog::mark_created(std::string_view windows_path) {
    if (recording()) created_.emplace(without_final_backslash(windows_path));
}

bool RemovalLog::take_created(std::string_view windows_path) {
    if (created_.empty()) return false;
    const auto found = created_.find(without_final_backslash(windows_path));
    if (found == created_.end()) return false;
    created_.erase(found);
    return true;
}

void RemovalLog::note_length_before_writing(std::string_view windows_path, uint64_t length) {
    if (recording()) lengths_before_writing_.emplace(without_final_backslash(windows_path), length);
}

uint64_t RemovalLog::length_before_writing(std::string_view windows_path, uint64_t length_now) const {
    if (lengths_before_writing_.empty()) return length_now;
    auto found = lengths_before_writing_.find(without_final_backslash(windows_path));
    return found == lengths_before_writing_.end() ? length_now : found->second;
}

}  // namespace platform
