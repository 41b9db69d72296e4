#include "platform/inet/url_history_store.h"

#include <algorithm>

#include "platform/inet/filetime.h"
#include "platform/inet/folder_path.h"
#include "platform/removals/removal_log.h"
#include "platform/text/ascii_case.h"

namespace platform::inet {

namespace {

constexpr uint64_t kUnitsPerDay = 864'000'000'000ull;
constexpr std::string_view kVisited = "Visited: ";
// The entry types of a visit: a history entry, normal when it is a page of its own.
constexpr uint32_t kHistoryEntry = 0x00200000, kNormalEntry = 0x1;

// "http://a/" of "Visited: user@http://a/" and of ":2015082520150826: user@http://a/"; nullopt for
// a record that is no visit.
std::optional<std::string_view> visited_url(std::string_view record_url) {
    if (record_url.starts_with(kVisited)) {
        record_url.remove_prefix(kVisited.size());
    } else if (record_url.starts_with(":")) {
        const size_t space = record_url.find(": ", 1);
        if (space == std::string_view::npos) return std::nullopt;
        record_url.remove_prefix(space + 2);
    } else {
        return std::nullopt;
    }
    // The user's name ends at the first "@" before the URL's own colon.
    const size_t at = record_url.find('@');
    if (at != std::string_view::npos && at < record_url.find(':')) record_url.remove_prefix(at + 1);
    return record_url;
}

bool is_plain_text(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; });
}

}  // namespace

UrlHistory::UrlHistory(fs::FileSystem& files, std::string history_folder, std::string user)
    : files_(files),
      folder_(without_trailing_backslash(std::move(history_folder))),
      user_(std::move(user)),
      container_(files, folder_ + "\\" + kContainerName),
      legacy_(files, folder_, LegacyIndex::Kind::History) {}

bool UrlHistory::usable() const { return is_full_path(folder_); }

void UrlHistory::put(const HistoryEntry& entry) {
    if (!usable())
        throw fs::FsError(fs::error::PathNotFound, "The history folder \"" + folder_ + "\" is not a full path.");
    if (entry.url.empty()) throw fs::FsError(fs::error::InvalidName, "A history entry needs a URL.");
    remove(entry.url);
    IndexRecord record;
    record.url = std::string(kVisited) + user_ + "@" + entry.url;
    record.modified = entry.last_visited;
    record.accessed = entry.last_updated;
    record.expires = entry.expires;
    record.entry_type = kHistoryEntry | ((entry.flags & history_flag::IsTopLevel) ? kNormalEntry : 0);
    record.header_info = entry.title;
    container_.add(std::move(record), {});
}

void UrlHistory::add(std::string_view url, std::string_view title, uint32_t flags) {
    uint64_t now = filetime_now();
    put({std::string(url), std::string(title), now, now, now + kDaysToKeep * kUnitsPerDay, flags});
}

std::vector<std::string> UrlHistory::period_folders() const {
    std::vector<std::string> out;
    const std::string main = container_.folder();
    for (const auto& found : files_.find(main + "\\MSHist*")) {
        const bool folder = (found.attributes & fs::attr::Directory) && !(found.attributes & fs::attr::ReparsePoint);
        if (folder) out.push_back(main + "\\" + found.name);
    }
    return out;
}

bool UrlHistory::remove(std::string_view url) {
    if (!usable()) return false;
    const auto note = [&](const IndexRecord& record) {
        files_.removals().record(RemovedKind::HistoryEntry, std::string(*visited_url(record.url)), 0);
    };
    const auto of_url = [&](const IndexRecord& record) { return visited_url(record.url) == url; };
    // History records name no page copies; any copy one has goes as it is, and one that cannot
    // go keeps its record.
    DeletedCopies copies;
    size_t count = container_.remove_if(of_url, copies, note);
    for (const auto& period : period_folders()) UrlContainer(files_, period).remove_if(of_url, copies, nullptr);
    if (legacy_.remove_history_entry(std::string(url))) {
        files_.removals().record(RemovedKind::HistoryEntry, std::string(url), 0);
        ++count;
    }
    return count > 0;
}

void UrlHistory::clear() {
    if (!usable()) return;
    DeletedCopies copies;
    container_.remove_if([](const IndexRecord&) { return true; }, copies, [&](const IndexRecord& record) {
        files_.removals().record(RemovedKind::HistoryEntry, std::string(visited_url(record.url).value_or(record.url)), 0);
    });
    for (const auto& period : period_folders()) files_.delete_tree(period);
    legacy_.clear([&](const std::string& url) { files_.removals().record(RemovedKind::HistoryEntry, url, 0); });
}

std::vector<HistoryEntry> UrlHistory::entries(std::string_view prefix, uint32_t query_flags) {
    std::vector<HistoryEntry> out;
    if (!usable()) return out;
    const bool top_level_only = (query_flags & history_flag::QueryTopLevel) != 0;
    std::vector<HistoryEntry> found;
    if (const auto& index = container_.index()) {
        for (const IndexRecord& record : index->records()) {
            const auto url = visited_url(record.url);
            if (record.kind != IndexRecord::Kind::Url || !url) continue;
            const uint32_t flags = (record.entry_type & kNormalEntry) ? history_flag::IsTopLevel : 0;
            found.push_back({std::string(*url), is_plain_text(record.header_info) ? record.header_info : std::string(),
                             record.modified, record.accessed, record.expires, flags});
        }
    }
    for (auto& entry : legacy_.history_entries()) found.push_back(std::move(entry));
    for (auto& entry : found) {
        if (!text::istarts_with(entry.url, prefix)) continue;
        if (top_level_only && !(entry.flags & history_flag::IsTopLevel)) continue;
        out.push_back(std::move(entry));
    }
    return out;
}

}  // namespace platform::inet
