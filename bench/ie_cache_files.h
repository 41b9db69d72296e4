#pragma once
// The files of a busy browser, the same every time: 20,000 Internet Explorer cache entries of
// 1-16 KB listed in the cache index, and 5,000 cookies.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace bench {

namespace stdfs = std::filesystem;

constexpr int kCacheEntries = 20'000;
constexpr int kCookies = 5'000;
constexpr int kBuckets = 4;

inline void write_file(const stdfs::path& path, size_t size) {
    std::string data(size, 'x');
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

// The same files (same sizes, same names) every time: the seed is fixed.
inline void fill(const stdfs::path& cache, const stdfs::path& cookies) {
    std::mt19937 random(4711);
    std::string index = "TAVRIN-INDEX 1 cache\n";
    for (int b = 0; b < kBuckets; ++b) stdfs::create_directories(cache / "Content.IE5" / ("BUCKET0" + std::to_string(b)));
    for (int i = 0; i < kCacheEntries; ++i) {
        std::string bucket = "BUCKET0" + std::to_string(i % kBuckets);
        std::string name = "page" + std::to_string(i) + "[1].htm";
        size_t size = 1024 + random() % (15 * 1024 + 1);
        write_file(cache / "Content.IE5" / bucket / name, size);
        index += "+\thttp://site" + std::to_string(i % 97) + ".example/page" + std::to_string(i) +
                 "\tContent.IE5\\\\" + bucket + "\\\\" + name + "\t" + std::to_string(size) + "\t1\n";
    }
    std::ofstream(cache / "urlcache.idx", std::ios::binary) << index;
    stdfs::create_directories(cookies);
    for (int i = 0; i < kCookies; ++i)
        write_file(cookies / ("user@site" + std::to_string(i) + "[1].txt"), 64 + random() % 512);
}

}  // namespace bench
