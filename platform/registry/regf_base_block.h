#pragma once
// What the first 4 KB of a Windows registry hive file and its transaction logs say about the hive
// before anything reads further: whether it is a hive at all, and whether Windows closed it
// cleanly. A hive Windows did not finish writing must not be changed: its logs hold changes that
// only Windows replays, and a save would throw them away.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform::registry {

// Throws HiveError naming the file when it is no hive (too short, wrong signature, wrong
// checksum). Returns "" for a hive Windows closed cleanly; otherwise why it must stay as it is
// and what to do about it, naming the file.
std::string check_regf_base_block(const std::filesystem::path& hive);

// Why Windows left writing a hive unfinished, for a text in the user's language.
struct UnfinishedWrite {
    std::string log;  // the log beside the hive holding changes not yet in it; "" when the hive's own header says so
};
// nullopt when Windows finished writing the hive, or when the file is no hive (which
// check_regf_base_block says).
std::optional<UnfinishedWrite> unfinished_regf_write(const std::filesystem::path& hive);

// The base block's checksum: the XOR of its first 127 double words (0 and ~0 avoided).
uint32_t regf_checksum(const uint8_t* base_block);

}  // namespace platform::registry
