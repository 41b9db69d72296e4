#include "platform/inet/legacy_index.h"

#include <charconv>
#include <unordered_map>
#include <unordered_set>

#include "platform/fs/windows_path.h"
#include "platform/inet/cached_copies.h"

namespace platform::inet {

namespace {

enum CacheField { LocalFile = 0, Size = 1, LastAccess = 2, CacheFields = 3 };
enum HistoryField { Title = 0, LastVisited = 1, LastUpdated = 2, Expires = 3, Flags = 4, HistoryFields = 5 };

template <class Number>
std::optional<Number> to_number(std::string_view text) {
    Number value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// A cached copy must lie below the cache folder: every component a plain name, which also keeps
// out an empty path, a leading "\\", a drive's ":" and a "/".
bool is_inside_relative_path(std::string_view path) {
    size_t start = 0;
    for (;;) {
        size_t end = path.find('\\', start);
        auto component = path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!fs::detail::is_plain_name(component)) return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

bool is_readable_cache_record(const LegacyTextIndex::Record& record) {
    const auto& fields = record.fields;
    return to_number<uint64_t>(fields[Size]) && to_number<uint64_t>(fields[LastAccess]) &&
           is_inside_relative_path(fields[LocalFile]);
}

}  // namespace

LegacyIndex::LegacyIndex(fs::FileSystem& files, const std::string& folder, Kind kind)
    : files_(files),
      folder_(folder),
      index_(files, folder + (kind == Kind::Cache ? "\\urlcache.idx" : "\\urlhistory.idx"),
             kind == Kind::Cache ? "cache" : "history",
             kind == Kind::Cache ? size_t{CacheFields} : size_t{HistoryFields}) {}

std::vector<CacheEntry> LegacyIndex::cache_entries() {
    std::vector<CacheEntry> out;
    if (!files_.exists(index_.path())) return out;
    index_.for_each_record([&](const LegacyTextIndex::Record& record) {
        if (!is_readable_cache_record(record)) return;
        out.push_back({record.key, folder_ + "\\" + record.fields[LocalFile], *to_number<uint64_t>(record.fields[Size]),
                       *to_number<uint64_t>(record.fields[LastAccess])});
    });
    return out;
}

std::vector<HistoryEntry> LegacyIndex::history_entries() {
    std::vector<HistoryEntry> out;
    if (!files_.exists(index_.path())) return out;
    index_.for_each_record([&](const LegacyTextIndex::Record& record) {
        const auto& fields = record.fields;
        auto visited = to_number<uint64_t>(fields[LastVisited]);
        auto updated = to_number<uint64_t>(fields[LastUpdated]);
        auto expires = to_number<uint64_t>(fields[Expires]);
        auto flags = to_number<uint32_t>(fields[Flags]);
        if (visited && updated && expires && flags)
            out.push_back({record.key, fields[Title], *visited, *updated, *expires, *flags});
    });
    return out;
}

size_t LegacyIndex::remove_cache_entries(std::span<const std::string> urls, CopyDisposal& disposal,
                                         const std::function<void(const std::string&)>& removed) {
    if (!files_.exists(index_.path())) return 0;
    const std::unordered_set<std::string_view> wanted(urls.begin(), urls.end());
    // The place among `copies` of the copy of each wanted record that still has one.
    std::unordered_map<std::string, size_t> copy_of;
    std::vector<fs::FolderFile> copies;
    CachedCopies located(files_, folder_);
    index_.for_each_record([&](const LegacyTextIndex::Record& record) {
        if (!wanted.contains(record.key) || !is_readable_cache_record(record)) return;
        if (auto copy = located.locate(record.fields[LocalFile])) {
            copy_of[record.key] = copies.size();
            copies.push_back(std::move(*copy));
        }
    });
    const std::vector<bool> went = disposal.dispose(copies);
    // A record we cannot read names no file we may trust; dropping it only removes the line.
    const auto copy_gone = [&](const LegacyTextIndex::Record& record) {
        const auto copy = copy_of.find(record.key);
        return copy == copy_of.end() || went[copy->second];
    };
    const size_t count =
        index_.erase_all(urls, copy_gone, [&](LegacyTextIndex::Record&& record) { removed(record.key); });
    delete_when_empty();
    return count;
}

bool LegacyIndex::remove_history_entry(const std::string& url) {
    if (!files_.exists(index_.path()) || !index_.erase(url)) return false;
    delete_when_empty();
    return true;
}

void LegacyIndex::clear(const std::function<void(const std::string&)>& removed) {
    if (!files_.exists(index_.path())) return;
    std::vector<std::string> keys;
    index_.for_each_record([&](const LegacyTextIndex::Record& record) { keys.push_back(record.key); });
    index_.erase_all(keys, nullptr, [&](LegacyTextIndex::Record&& record) { removed(record.key); });
    // What could not be read goes too: clearing forgets every visit.
    if (index_.unreadable_lines() > 0) index_.clear();
    delete_when_empty();
}

void LegacyIndex::delete_when_empty() {
    if (index_.records().empty() && index_.unreadable_lines() == 0) files_.delete_file(index_.path(), /*force=*/true);
}

}  // namespace platform::inet
