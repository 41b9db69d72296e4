// Fuzz target for the index.dat reader behind the URL cache, the cookies and the history: any bytes
// as an index are read without a crash and either refused unchanged or understood; on an index
// that is understood a removed URL never comes back and the file stays readable, and an added
// entry is found by the next reader: a privacy tool that says "removed" must mean it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/inet/index_dat.h"
#include "platform/inet/url_cache.h"
#include "platform/machine/machine.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

using platform::inet::IndexDat;
using platform::inet::UrlCache;

constexpr const char* kCacheFolder = "C:\\Cache";
constexpr const char* kUrl = "http://fuzz.example/added";

struct Scene {
    fuzz::ScratchFolder scratch;
    std::unique_ptr<platform::Machine> machine = platform::Machine::open_or_create(scratch.path() / "machine");
    Scene() { std::filesystem::create_directories(scratch.path() / "machine/drive_c/Cache/Content.IE5"); }
    std::filesystem::path index() const { return scratch.path() / "machine/drive_c/Cache/Content.IE5/index.dat"; }
};

std::string read_back(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool cache_has(platform::fs::FileSystem& files, const std::string& url) {
    for (const auto& entry : UrlCache(files, kCacheFolder).entries())
        if (entry.source_url == url) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scene scene;
    platform::fs::FileSystem& files = scene.machine->files();
    const std::string given(reinterpret_cast<const char*>(data), size);
    fuzz::write_file(scene.index(), data, size);

    bool readable = true;
    try {
        (void)IndexDat(given);
    } catch (const platform::inet::DamagedIndex&) {
        readable = false;
    }
    UrlCache cache(files, kCacheFolder);
    platform::inet::DeletedCopies copies;
    const auto entries = cache.entries();
    if (!readable) {
        // Refused: nothing listed, nothing removed, not a byte changed.
        const std::string url = "http://fuzz.example/";
        if (!entries.empty() || cache.remove_all({&url, 1}, copies) != 0 || read_back(scene.index()) != given)
            std::abort();
        return 0;
    }
    if (!entries.empty()) {
        const std::string removed = entries.front().source_url;
        cache.remove_all({&removed, 1}, copies);
        if (cache_has(files, removed)) std::abort();
        try {
            (void)IndexDat(read_back(scene.index()));
        } catch (const platform::inet::DamagedIndex&) {
            std::abort();
        }
    }
    try {
        UrlCache(files, kCacheFolder).add(kUrl, "added");
    } catch (const platform::fs::FsError&) {
        return 0;  // a full index or a copy that cannot be written
    }
    if (!cache_has(files, kUrl)) std::abort();
    return 0;
}
