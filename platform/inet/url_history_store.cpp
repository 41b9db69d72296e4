#include "platform/inet/url_history_store.h"

#include <charconv>

#include "platform/inet/filetime.h"
#include "platform/inet/folder_path.h"
#include "platform/removals/removal_log.h"
#include "platform/text/ascii_case.h"

namespace platform::inet {

namespace {

enum Field { Title = 0, LastVisited = 1, LastUpdated = 2, Expires = 3, Flags = 4, FieldCount = 5 };

constexpr uint64_t kUnitsPerDay = 864'000'000'000ull;

template <class Number>
std::optional<Number> to_number(std::string_view text) {
    Number value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<HistoryEntry> to_entry(const IndexFile::Record& record) {
    const auto& fields = record.fields;
    auto visited = to_number<uint64_t>(fields[LastVisited]);
    auto updated = to_number<uint64_t>(fields[LastUpdated]);
    auto expires = to_number<uint64_t>(fields[Expires]);
    auto flags = to_number<uint32_t>(fields[Flags]);
    if (!visited || !updated || !expires || !flags) return std::nullopt;
    return HistoryEntry{record.key, fields[Title], *visited, *updated, *expires, *flags};
}

}  // namespace

UrlHistory::UrlHistory(fs::FileSystem& files, std::string history_folder)
    : files_(files),
      folder_(without_trailing_backslash(std::move(history_folder))),
      index_(files, folder_ + "\\" + kIndexName, "history", FieldCount) {}

bool UrlHistory::usable() const { return is_full_path(folder_); }

void UrlHistory::put(const HistoryEntry& entry) {
    if (!usable())
        throw fs::FsError(fs::error::PathNotFound, "The history folder \"" + folder_ + "\" is not a full path.");
    if (entry.url.empty()) throw fs::FsError(fs::error::InvalidName, "A history entry needs a URL.");
    index_.put({entry.url,
                {entry.title, std::to_string(entry.last_visited), std::to_string(entry.last_updated),
                 std::to_string(entry.expires), std::to_string(entry.flags)}});
}

void UrlHistory::add(std::string_view url, std::string_view title, uint32_t flags) {
    uint64_t now = filetime_now();
    put({std::string(url), std::string(title), now, now, now + kDaysToKeep * kUnitsPerDay, flags});
}

bool UrlHistory::remove(std::string_view url) {
    if (!usable() || !index_.erase(url)) return false;
    files_.removals().record(RemovedKind::HistoryEntry, std::string(url), 0);
    return true;
}

void UrlHistory::clear() {
    if (!usable()) return;
    if (files_.removals().recording())
        for (const auto& record : index_.records())
            files_.removals().record(RemovedKind::HistoryEntry, record.key, 0);
    index_.clear();
}

std::vector<HistoryEntry> UrlHistory::entries(std::string_view prefix, uint32_t query_flags) {
    std::vector<HistoryEntry> out;
    if (!usable()) return out;
    bool top_level_only = (query_flags & history_flag::QueryTopLevel) != 0;
    for (const auto& record : index_.records()) {
        auto entry = to_entry(record);
        if (!entry || !text::istarts_with(entry->url, prefix)) continue;
        if (top_level_only && !(entry->flags & history_flag::IsTopLevel)) continue;
        out.push_back(std::move(*entry));
    }
    return out;
}

}  // namespace platform::inet
