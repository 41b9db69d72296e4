#pragma once
// A drive with a quota: the capacity the machine pretends and what its files take of it. Every
// File open for writing on the drive shares one account, so two writers cannot both spend the
// same free bytes.
#include <cstdint>
#include <filesystem>

namespace platform::fs::detail {

struct QuotaAccount {
    uint64_t capacity = 0;
    uint64_t used = 0;
    uint64_t room() const { return capacity > used ? capacity - used : 0; }
};

// Bytes taken by the files below root; links count as entries and are never followed.
uint64_t bytes_used(const std::filesystem::path& root);

}  // namespace platform::fs::detail
