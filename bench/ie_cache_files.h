#pragma once
// The files of a busy browser, the same every time: 20,000 Internet Explorer cache entries of
// 1-16 KB listed in the cache's index.dat, and 5,000 cookies.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/inet/index_dat.h"

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
    std::vector<std::string> buckets;
    for (int b = 0; b < kBuckets; ++b) buckets.push_back("BUCKET0" + std::to_string(b));
    auto index = platform::inet::IndexDat::create(platform::inet::IndexDat::kWindowsSignature, buckets);
    for (const auto& bucket : buckets) stdfs::create_directories(cache / "Content.IE5" / bucket);
    for (int i = 0; i < kCacheEntries; ++i) {
        platform::inet::IndexRecord record;
        record.folder = static_cast<uint8_t>(i % kBuckets);
        record.local_name = "page" + std::to_string(i) + "[1].htm";
        record.size = 1024 + random() % (15 * 1024 + 1);
        record.url = "http://site" + std::to_string(i % 97) + ".example/page" + std::to_string(i);
        write_file(cache / "Content.IE5" / buckets[record.folder] / record.local_name, record.size);
        index.add(std::move(record));
    }
    std::ofstream(cache / "Content.IE5" / "index.dat", std::ios::binary) << index.bytes();
    stdfs::create_directories(cookies);
    for (int i = 0; i < kCookies; ++i)
        write_file(cookies / ("user@site" + std::to_string(i) + "[1].txt"), 64 + random() % 512);
}

}  // namespace bench
