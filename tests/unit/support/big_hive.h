#pragma once
// A large registry as benchmarks and stress tests use it: 200,000 keys and 600,000 values (about
// 45 MB) with the mix of value forms Wine writes.
#include <filesystem>
#include <string>

namespace tavrin_test {

constexpr int kBigHiveKeys = 200'000;

// Key sections Software\\VendorNN\\ProductNNN\\ItemNNNN in Wine's order (depth first, sorted),
// each with 0 to 6 values, 3 on average; they follow the header of a hive file.
void append_big_hive_sections(const std::filesystem::path& file, int keys = kBigHiveKeys);

// A whole system.reg made of those sections.
void write_big_hive(const std::filesystem::path& file, int keys = kBigHiveKeys);

// The path of the nth generated key (below HKLM or HKCU), to check that a hive still holds it.
std::string big_hive_key(int index, int keys = kBigHiveKeys);

}  // namespace tavrin_test
