#include "platform/inet/url_cache.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <functional>

#include "platform/fs/windows_path.h"
#include "platform/inet/cached_copies.h"
#include "platform/inet/filetime.h"
#include "platform/inet/folder_path.h"
#include "platform/removals/removal_log.h"

namespace platform::inet {

namespace {

constexpr const char* kContentFolder = "Content.IE5";
// Cached copies are spread over a few subfolders, as browsers do, so no folder grows huge.
constexpr std::array<const char*, 4> kBuckets = {"K3J8Q2ZD", "M7P4X1BC", "R9T6W5HN", "V2L8F3GS"};
constexpr size_t kMaxNameLength = 64;

enum Field { LocalFile = 0, Size = 1, LastAccess = 2, FieldCount = 3 };

// A cached copy must lie below the cache folder: a damaged or forged index must not make a
// cache clean delete some other file of the machine. A name no file can have (a control
// character, a "?") names no copy either: such a record is only a line to drop.
// Every component must be a plain name, which also keeps out an empty path, a leading "\\", a
// drive's ":" and a "/".
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

std::optional<uint64_t> to_number(std::string_view text) {
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// A record names a copy inside the cache folder, with its size and last access time.
bool is_readable(const IndexFile::Record& record) {
    const auto& fields = record.fields;
    return to_number(fields[Size]) && to_number(fields[LastAccess]) && is_inside_relative_path(fields[LocalFile]);
}

// "logo.gif" of "http://host/img/logo.gif?v=2", reduced to characters every file system takes.
std::string file_name_of(std::string_view url) {
    auto end = url.find_first_of("?#");
    auto path = url.substr(0, end);
    auto scheme = path.find("://");
    if (scheme != std::string_view::npos) path.remove_prefix(scheme + 3);
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
      index_(files, folder_ + "\\" + kIndexName, "cache", FieldCount) {}

bool UrlCache::usable() const { return is_full_path(folder_); }

std::optional<CacheEntry> UrlCache::to_entry(const IndexFile::Record& record) const {
    if (!is_readable(record)) return std::nullopt;
    const auto& fields = record.fields;
    return CacheEntry{record.key, folder_ + "\\" + fields[LocalFile], *to_number(fields[Size]),
                      *to_number(fields[LastAccess])};
}

std::vector<CacheEntry> UrlCache::entries() {
    std::vector<CacheEntry> out;
    if (!usable()) return out;
    index_.for_each_record([&](const IndexFile::Record& record) {
        if (auto entry = to_entry(record)) out.push_back(std::move(*entry));
    });
    return out;
}

void UrlCache::for_each_url(const std::function<void(const std::string&)>& visit) {
    if (!usable()) return;
    index_.for_each_record([&](const IndexFile::Record& record) {
        if (is_readable(record)) visit(record.key);
    });
}

size_t UrlCache::unreadable_records() {
    if (!usable()) return 0;
    size_t forged = 0;
    index_.for_each_record([&](const IndexFile::Record& record) { forged += !is_readable(record); });
    return index_.unreadable_lines() + forged;
}

std::string UrlCache::new_local_name(std::string_view url) const {
    std::string name = file_name_of(url);
    auto dot = name.rfind('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    std::string bucket = std::string(kContentFolder) + "\\" + kBuckets[std::hash<std::string_view>{}(url) % kBuckets.size()];
    for (unsigned n = 1;; ++n) {
        std::string candidate = bucket + "\\" + stem + "[" + std::to_string(n) + "]" + extension;
        if (!files_.exists(folder_ + "\\" + candidate)) return candidate;
    }
}

CacheEntry UrlCache::add(std::string_view url, std::string_view contents) {
    if (!usable()) throw fs::FsError(fs::error::PathNotFound, "The cache folder \"" + folder_ + "\" is not a full path.");
    if (auto old = index_.find(url))
        if (is_readable(*old)) CachedCopies(files_, folder_).delete_copy(old->fields[LocalFile]);
    std::string local = new_local_name(url);
    std::string bucket = folder_ + "\\" + local.substr(0, local.rfind('\\'));
    if (!files_.is_directory(bucket)) files_.create_directory(bucket);
    {
        auto file = files_.open(folder_ + "\\" + local, fs::File::Mode::CreateAlways);
        file.append({reinterpret_cast<const uint8_t*>(contents.data()), contents.size()});
        file.close();
    }
    uint64_t now = filetime_now();
    index_.put({std::string(url), {local, std::to_string(contents.size()), std::to_string(now)}});
    return CacheEntry{std::string(url), folder_ + "\\" + local, contents.size(), now};
}

bool UrlCache::remove(std::string_view url) {
    const std::string one(url);
    return remove_all({&one, 1}, [](const fs::FsError& error) { throw error; }) == 1;
}

size_t UrlCache::remove_all(std::span<const std::string> urls, const std::function<void(const fs::FsError&)>& failed) {
    if (!usable()) return 0;
    CachedCopies copies(files_, folder_);
    const auto copy_deleted = [&](const IndexFile::Record& record) {
        // A record we cannot read names no file we may trust; dropping it only removes the line.
        if (!is_readable(record)) return true;
        try {
            copies.delete_copy(record.fields[LocalFile]);
            return true;
        } catch (const fs::FsError& error) {
            failed(error);
            return false;
        }
    };
    // The bytes are the cached copy's, recorded with its file.
    const auto note = [&](IndexFile::Record&& record) {
        files_.removals().record(RemovedKind::CacheEntry, std::move(record.key), 0);
    };
    return index_.erase_all(urls, copy_deleted, note);
}

}  // namespace platform::inet
