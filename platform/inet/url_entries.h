#pragma once
// The entries of the URL stores as their users see them.
#include <cstdint>
#include <string>

namespace platform::inet {

struct CacheEntry {
    std::string source_url;
    std::string local_file;  // Windows path of the cached copy; "" when the entry has none
    uint64_t size = 0;
    uint64_t last_access = 0;  // FILETIME (filetime.h)
};

// Flags of a history entry and of a listing, with the values the URL history service uses.
namespace history_flag {
constexpr uint32_t IsCached = 0x1, IsTopLevel = 0x2;
// Listing flag: only entries marked IsTopLevel.
constexpr uint32_t QueryTopLevel = 0x00080000;
}  // namespace history_flag

struct HistoryEntry {
    std::string url;
    std::string title;
    uint64_t last_visited = 0;  // FILETIME (filetime.h)
    uint64_t last_updated = 0;
    uint64_t expires = 0;
    uint32_t flags = 0;
};

}  // namespace platform::inet
