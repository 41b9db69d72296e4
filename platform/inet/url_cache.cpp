#include "platform/inet/url_cache.h"

#include <array>
#include <cctype>
#include <functional>
#include <unordered_set>

#include "platform/inet/filetime.h"
#include "platform/inet/folder_path.h"
#include "platform/removals/removal_log.h"

namespace platform::inet {

namespace {

// The cache folders of a new container: copies are spread over a few, as browsers do, so no
// folder grows huge. An earlier version of this program put its copies in folders of these names.
const std::vector<std::string> kNewFolders = {"K3J8Q2ZD", "M7P4X1BC", "R9T6W5HN", "V2L8F3GS"};
constexpr size_t kMaxNameLength = 64;
constexpr uint32_t kNormalEntry = 0x1;

// "logo.gif" of "http://host/img/logo.gif?v=2", reduced to characters every file system takes.
std::string file_name_of(std::string_view url) {
    auto path = url.substr(0, url.find_first_of("?#"));
    if (auto scheme = path.find("://"); scheme != std::string_view::npos) path.remove_prefix(scheme + 3);
    auto slash = path.rfind('/');
    std::string_view last = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
    std::string name;
    for (char c : last)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_') name += c;
    while (!name.empty() && name.front() == '.') name.erase(name.begin());
    if (name.empty()) name = "index.htm";
    if (name.size() > kMaxNameLength) name.resize(kMaxNameLength);
    return name;
}

}  // namespace

UrlCache::UrlCache(fs::FileSystem& files, std::string cache_folder)
    : files_(files),
      folder_(without_trailing_backslash(std::move(cache_folder))),
      container_(files, folder_ + "\\" + kContainerName),
      legacy_(files, folder_, LegacyIndex::Kind::Cache) {}

bool UrlCache::usable() const { return is_full_path(folder_); }

std::vector<CacheEntry> UrlCache::entries() {
    std::vector<CacheEntry> out;
    if (!usable()) return out;
    if (const auto& index = container_.index())
        for (const IndexRecord& record : index->records())
            out.push_back({record.url, container_.copy_path(record), record.size, record.accessed});
    for (auto& entry : legacy_.cache_entries()) out.push_back(std::move(entry));
    return out;
}

void UrlCache::for_each_url(const std::function<void(const std::string&)>& visit) {
    if (!usable()) return;
    if (const auto& index = container_.index())
        for (const IndexRecord& record : index->records()) visit(record.url);
    for (const auto& entry : legacy_.cache_entries()) visit(entry.source_url);
}

std::string UrlCache::new_copy_name(const std::string& folder, std::string_view url) const {
    std::string name = file_name_of(url);
    auto dot = name.rfind('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    for (unsigned n = 1;; ++n) {
        std::string candidate = stem + "[" + std::to_string(n) + "]" + extension;
        if (!files_.exists(folder + "\\" + candidate)) return candidate;
    }
}

CacheEntry UrlCache::add(std::string_view url, std::string_view contents) {
    if (!usable()) throw fs::FsError(fs::error::PathNotFound, "The cache folder \"" + folder_ + "\" is not a full path.");
    // The entry it replaces goes first; an old copy that cannot be deleted stops the add.
    const std::string replaced(url);
    DeletedCopies old_copy([](const fs::FsError& error) { throw error; });
    remove_all({&replaced, 1}, old_copy);
    const std::vector<std::string> folders = container_.writable_index(kNewFolders).folders();
    IndexRecord record;
    record.url = std::string(url);
    std::string holder = container_.folder();
    if (!folders.empty()) {
        record.folder = static_cast<uint8_t>(std::hash<std::string_view>{}(url) % folders.size());
        holder += "\\" + folders[record.folder];
    }
    if (!files_.is_directory(holder)) files_.create_directory(holder);
    record.local_name = new_copy_name(holder, url);
    {
        auto file = files_.open(holder + "\\" + record.local_name, fs::File::Mode::CreateAlways);
        file.append({reinterpret_cast<const uint8_t*>(contents.data()), contents.size()});
        file.close();
    }
    record.size = contents.size();
    record.modified = record.accessed = filetime_now();
    record.entry_type = kNormalEntry;
    const std::string local_file = holder + "\\" + record.local_name;
    const uint64_t accessed = record.accessed;
    container_.add(std::move(record), kNewFolders);
    return CacheEntry{std::string(url), local_file, contents.size(), accessed};
}

size_t UrlCache::remove_all(std::span<const std::string> urls, CopyDisposal& disposal) {
    if (!usable()) return 0;
    const std::unordered_set<std::string_view> wanted(urls.begin(), urls.end());
    // The bytes are the cached copy's, recorded with its file.
    const auto note = [&](const std::string& url) { files_.removals().record(RemovedKind::CacheEntry, url, 0); };
    size_t count = container_.remove_if([&](const IndexRecord& record) { return wanted.contains(record.url); },
                                        disposal, [&](const IndexRecord& record) { note(record.url); });
    count += legacy_.remove_cache_entries(urls, disposal, note);
    return count;
}

}  // namespace platform::inet
