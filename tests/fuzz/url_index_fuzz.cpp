// Fuzz target for the index behind the URL cache and the URL history: any bytes as either index
// must be read without a crash, and on whatever was there an added entry must be found by the
// next reader and a removed one never come back: a privacy tool that says "removed" must mean it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/inet/url_cache.h"
#include "platform/inet/url_history_store.h"
#include "platform/machine/machine.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

using platform::inet::HistoryEntry;
using platform::inet::UrlCache;
using platform::inet::UrlHistory;

constexpr const char* kCacheFolder = "C:\\Cache";
constexpr const char* kHistoryFolder = "C:\\History";
constexpr const char* kUrl = "http://fuzz.example/";

struct Scene {
    fuzz::ScratchFolder scratch;
    std::unique_ptr<platform::Machine> machine = platform::Machine::open_or_create(scratch.path() / "machine");
    Scene() {
        std::filesystem::create_directories(scratch.path() / "machine/drive_c/Cache");
        std::filesystem::create_directories(scratch.path() / "machine/drive_c/History");
    }
    std::filesystem::path host(const std::string& relative) const {
        return scratch.path() / "machine/drive_c" / relative;
    }
};

// A cached copy's path: inside the cache folder, without a step back out of it.
bool inside_cache(const std::string& local_file) {
    const std::string folder = std::string(kCacheFolder) + "\\";
    if (local_file.rfind(folder, 0) != 0) return false;
    std::string step;
    for (size_t i = folder.size(); i <= local_file.size(); ++i) {
        if (i == local_file.size() || local_file[i] == '\\' || local_file[i] == '/') {
            // Names are taken literally on this host: only ".." itself steps out.
            if (step == ".." || step.find(':') != std::string::npos) return false;
            step.clear();
        } else {
            step += local_file[i];
        }
    }
    return true;
}

bool history_has(platform::fs::FileSystem& files, const std::string& url) {
    for (const HistoryEntry& entry : UrlHistory(files, kHistoryFolder).entries()) {
        if (entry.url == url) return true;
    }
    return false;
}

bool cache_has(platform::fs::FileSystem& files, const std::string& url) {
    for (const auto& entry : UrlCache(files, kCacheFolder).entries()) {
        if (entry.source_url == url) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scene scene;
    platform::fs::FileSystem& files = scene.machine->files();
    fuzz::write_file(scene.host(std::string("Cache/") + UrlCache::kIndexName), data, size);
    fuzz::write_file(scene.host(std::string("History/") + UrlHistory::kIndexName), data, size);

    UrlHistory history(files, kHistoryFolder);
    (void)history.entries();
    (void)history.entries("HTTP://", platform::inet::history_flag::QueryTopLevel);
    history.put({kUrl, "Fuzz", 1, 2, 3, platform::inet::history_flag::IsTopLevel});
    if (!history_has(files, kUrl)) std::abort();
    if (!history.remove(kUrl) || history_has(files, kUrl)) std::abort();

    UrlCache cache(files, kCacheFolder);
    (void)cache.entries();
    (void)cache.unreadable_records();
    // Removing an entry read from the file deletes what it names: only inside the cache folder.
    for (const auto& entry : cache.entries()) {
        if (!inside_cache(entry.local_file)) std::abort();
    }
    try {
        if (cache_has(files, kUrl)) (void)cache.remove(kUrl);
    } catch (const platform::fs::FsError& error) {
        std::fprintf(stderr, "remove: %s (%d)\n", error.what(), static_cast<int>(error.code()));
        std::abort();
    }
    if (cache_has(files, kUrl)) std::abort();
    return 0;
}
