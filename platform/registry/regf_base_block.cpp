#include "platform/registry/regf_base_block.h"

#include <array>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/registry/registry.h"
#include "platform/registry/unicode.h"

namespace platform::registry {
namespace {

constexpr size_t kBaseBlockSize = 4096;
constexpr size_t kChecksumOffset = 508;
constexpr size_t kPrimarySequence = 4, kSecondarySequence = 8, kBinsSizeOffset = 0x28;

uint32_t u32_at(const uint8_t* bytes, size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

// Reads up to `size` bytes from the start of the file; how many there were (nullopt: no file).
std::optional<size_t> read_head(const std::filesystem::path& file, uint8_t* out, size_t size) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
    return static_cast<size_t>(in.gcount());
}

// Windows names the logs NTUSER.DAT.LOG, .LOG1 and .LOG2, in whatever case the volume kept.
bool is_log_of(const std::string& hive_name, const std::string& candidate) {
    for (const char* suffix : {".LOG", ".LOG1", ".LOG2"})
        if (names_equal(candidate, hive_name + suffix)) return true;
    return false;
}

// Unequal sequence numbers, or a log whose header is ahead of the hive: changes only Windows replays.
std::optional<UnfinishedWrite> unfinished_write(const uint8_t* block, const std::filesystem::path& hive) {
    const uint32_t secondary = u32_at(block, kSecondarySequence);
    if (u32_at(block, kPrimarySequence) != secondary) return UnfinishedWrite{};
    std::error_code error;
    const std::string hive_name = hive.filename().string();
    for (const auto& entry : std::filesystem::directory_iterator(hive.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (!is_log_of(hive_name, name) || !entry.is_regular_file(error)) continue;
        std::array<uint8_t, 512> log{};
        if (read_head(entry.path(), log.data(), log.size()).value_or(0) < log.size() || std::memcmp(log.data(), "regf", 4) != 0)
            continue;
        if (u32_at(log.data(), kPrimarySequence) > secondary) return UnfinishedWrite{name};
    }
    return std::nullopt;
}

}  // namespace

uint32_t regf_checksum(const uint8_t* base_block) {
    uint32_t sum = 0;
    for (size_t offset = 0; offset < kChecksumOffset; offset += 4) sum ^= u32_at(base_block, offset);
    if (sum == 0) return 1;
    if (sum == 0xFFFFFFFFu) return 0xFFFFFFFEu;
    return sum;
}

std::string check_regf_base_block(const std::filesystem::path& hive) {
    std::array<uint8_t, kBaseBlockSize> block{};
    const std::optional<size_t> got = read_head(hive, block.data(), block.size());
    const std::string where = hive.string() + ": ";
    if (!got) throw HiveError(where + "the registry hive cannot be opened");
    if (*got < kBaseBlockSize || std::memcmp(block.data(), "regf", 4) != 0)
        throw HiveError(where + "not a Windows registry hive (no regf header)");
    if (regf_checksum(block.data()) != u32_at(block.data(), kChecksumOffset))
        throw HiveError(where + "the registry hive's header is damaged (wrong checksum); it was left as it is");
    // hivex trusts this size when it adds to a hive: a wrong one would have it grow the file by
    // gigabytes, and one past the end means the file was cut short.
    const uint32_t bins_size = u32_at(block.data(), kBinsSizeOffset);
    std::error_code size_error;
    const uintmax_t file_size = std::filesystem::file_size(hive, size_error);
    if (size_error || bins_size % kBaseBlockSize != 0 || kBaseBlockSize + uintmax_t{bins_size} > file_size)
        throw HiveError(where + "the registry hive is cut short or its header is damaged; it was left as it is");
    constexpr std::string_view advice =
        "; start that Windows and shut it down fully (with Fast Startup off), then try again";
    const std::optional<UnfinishedWrite> unfinished = unfinished_write(block.data(), hive);
    if (!unfinished) return {};
    if (unfinished->log.empty()) return where + "Windows did not finish writing this registry hive" + std::string(advice);
    return where + "its log " + unfinished->log + " holds changes Windows has not written into the hive yet" +
           std::string(advice);
}

std::optional<UnfinishedWrite> unfinished_regf_write(const std::filesystem::path& hive) {
    std::array<uint8_t, kBaseBlockSize> block{};
    if (read_head(hive, block.data(), block.size()).value_or(0) < kBaseBlockSize || std::memcmp(block.data(), "regf", 4) != 0)
        return std::nullopt;
    return unfinished_write(block.data(), hive);
}

}  // namespace platform::registry
