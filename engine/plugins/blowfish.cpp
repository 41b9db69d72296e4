#include "engine/plugins/blowfish.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <mutex>
#include <random>
#include <string_view>

#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/foundation/logger.h"
#include "engine/plugins/container.h"
#include "engine/plugins/progress_meter.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Blowfish, "{5C0E8A31-7B42-4D96-9E1F-2A6B3C8D4E57}");

namespace {

constexpr uint32_t kLargestRandom = 2'147'483'647;
// The header's length field is 32 bits wide.
constexpr size_t kLargestPlain = std::numeric_limits<uint32_t>::max() - blowfish::kHeaderSize - blowfish::kBlockSize;
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int32_t kTooMuchData = static_cast<int32_t>(0x80040000u);
// The files this class reads are plug-in files, a few hundred definitions of a few lines each: a
// file larger than this is none, and reading it would only take the memory of the machine.
constexpr uint64_t kLargestFile = 4ull << 20;

std::vector<uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }
std::string text_of(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::string to_hex(const std::string& text) {
    std::string hex;
    hex.reserve(text.size() * 2);
    for (unsigned char c : text) {
        hex.push_back(kHexDigits[c >> 4]);
        hex.push_back(kHexDigits[c & 0xF]);
    }
    return hex;
}

// A character that is no hex digit counts as 0; an odd last digit has no partner and is dropped.
std::string from_hex(const std::string& hex) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return 0;
    };
    std::string text;
    text.reserve(hex.size() / 2);
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        text.push_back(static_cast<char>(digit(hex[i]) << 4 | digit(hex[i + 1])));
    return text;
}

// The two header words only have to differ from one container to the next.
uint32_t random_word() {
    static std::mt19937 generator(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    return std::uniform_int_distribution<uint32_t>(0, kLargestRandom)(generator);
}

// The file to encrypt or decrypt. One that is refused (no regular file, a link out of the machine,
// too large) is a line in the day's log, then a failure like any other unreadable file.
std::string read_input(const std::string& file) {
    try {
        return platform::current_machine().files().read_text(file, kLargestFile);
    } catch (const platform::fs::FsError& refused) {
        log_unread_file(refused.what());
        throw;
    }
}

size_t round_up_to_block(uint64_t offset) {
    return static_cast<size_t>((offset + blowfish::kBlockSize - 1) / blowfish::kBlockSize * blowfish::kBlockSize);
}

}  // namespace

void Blowfish::key(const std::string& value) {
    if (value.empty() || key_ == value) return;
    const std::vector<uint8_t> bytes = bytes_of(value);
    cipher_.set_key(bytes);
    key_ = value;
}

void Blowfish::run_pass(std::span<uint8_t> data, bool encrypt) {
    blowfish::ProgressMeter meter(data.size(), Progress);
    blowfish::Chain chain;
    for (size_t offset = 0; offset < data.size();) {
        if (offset >= meter.next_report()) {
            meter.report(offset);
            if (serve_queue_) process_pending_messages();
        }
        const size_t end = std::min(data.size(), round_up_to_block(meter.next_report()));
        const auto piece = data.subspan(offset, end - offset);
        if (encrypt) cipher_.encrypt_cbc(piece, chain);
        else cipher_.decrypt_cbc(piece, chain);
        offset = end;
    }
    meter.finish();
}

void Blowfish::EncryptByte(std::vector<uint8_t>& byteArray, const std::string& key) {
    this->key(key);
    if (byteArray.size() > kLargestPlain)
        throw EngineError(kTooMuchData, "Tavrin.Blowfish", "Too much data for Blowfish encryption");
    const uint32_t first = random_word();
    blowfish::wrap(byteArray, first, random_word());
    run_pass(byteArray, true);
}

std::optional<size_t> Blowfish::announced_length(std::span<const uint8_t> container) const {
    constexpr size_t kHeadBlocks = 2 * blowfish::kBlockSize;
    if (container.size() < kHeadBlocks || container.size() % blowfish::kBlockSize != 0) return std::nullopt;
    std::array<uint8_t, kHeadBlocks> head;
    std::copy_n(container.begin(), kHeadBlocks, head.begin());
    blowfish::Chain chain;
    cipher_.decrypt_cbc(head, chain);
    return blowfish::plain_length(head, container.size());
}

bool Blowfish::DecryptByte(std::vector<uint8_t>& byteArray, const std::string& key) {
    this->key(key);
    // Checked before a byte is changed, so a refused container stays exactly as it came.
    const std::optional<size_t> length = announced_length(byteArray);
    if (!length) return false;
    run_pass(byteArray, false);
    blowfish::unwrap(byteArray, *length);
    return true;
}

std::string Blowfish::EncryptString(const std::string& Text, const std::string& key, bool OutputInHex) {
    std::vector<uint8_t> bytes = bytes_of(Text);
    EncryptByte(bytes, key);
    std::string encrypted = text_of(bytes);
    return OutputInHex ? to_hex(encrypted) : encrypted;
}

std::string Blowfish::DecryptString(std::string& Text, const std::string& key, bool IsTextInHex) {
    if (IsTextInHex) Text = from_hex(Text);
    std::vector<uint8_t> bytes = bytes_of(Text);
    return DecryptByte(bytes, key) ? text_of(bytes) : std::string();
}

bool Blowfish::encrypt_bytes(std::vector<uint8_t>& bytes, const std::string& key) {
    EncryptByte(bytes, key);
    return true;
}

std::optional<std::vector<uint8_t>> Blowfish::transformed_file(
    const std::string& in_file, bool (Blowfish::*transform)(std::vector<uint8_t>&, const std::string&),
    const std::string& key) {
    auto& files = platform::current_machine().files();
    if (!files.file_size(in_file) || files.is_directory(in_file)) return std::nullopt;
    std::vector<uint8_t> bytes = bytes_of(read_input(in_file));
    if (bytes.empty() || !(this->*transform)(bytes, key)) return std::nullopt;
    return bytes;
}

void Blowfish::write_output(const std::string& out_file, const std::vector<uint8_t>& bytes) {
    auto& files = platform::current_machine().files();
    const std::string_view output(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // A file that already reads so is left as it is: nothing changed, so the machine is not touched.
    if (files.file_size(out_file) == output.size() && files.read_text(out_file) == output) return;
    files.write_text(out_file, output);
}

bool Blowfish::transform_file(const std::string& in_file, const std::string& out_file, bool overwrite,
                              bool (Blowfish::*transform)(std::vector<uint8_t>&, const std::string&),
                              const std::string& key) {
    try {
        if (!overwrite && platform::current_machine().files().exists(out_file)) return false;
        const auto output = transformed_file(in_file, transform, key);
        if (!output) return false;
        write_output(out_file, *output);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool Blowfish::decrypt_kept(std::vector<uint8_t>& bytes, const std::string& key) {
    // The plug-in file is decrypted for every list of the plug-ins and every run, and is nearly
    // always the same file. Compared byte for byte, with its key, the kept plain text is never
    // that of another file or another version of it.
    struct Decrypted {
        std::string key;
        std::vector<uint8_t> container, plain;
    };
    static std::mutex mutex;
    static Decrypted last;
    {
        std::lock_guard lock(mutex);
        if (last.key == key && last.container == bytes) {
            bytes = last.plain;
            return true;
        }
    }
    std::vector<uint8_t> container = bytes;
    if (!DecryptByte(bytes, key)) return false;
    std::lock_guard lock(mutex);
    last = {key, std::move(container), bytes};
    return true;
}

std::optional<std::string> Blowfish::decrypt_file_to_memory(const std::string& in_file, const std::string& key) {
    try {
        const auto plain = transformed_file(in_file, &Blowfish::decrypt_kept, key);
        if (plain) return text_of(*plain);
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

bool Blowfish::encrypt_memory_to_file(const std::string& plain, const std::string& out_file, const std::string& key) {
    try {
        std::vector<uint8_t> bytes = bytes_of(plain);
        if (bytes.empty() || !encrypt_bytes(bytes, key)) return false;
        write_output(out_file, bytes);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool Blowfish::EncryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                           const std::string& key) {
    return transform_file(InFile, OutFile, Overwrite, &Blowfish::encrypt_bytes, key);
}

bool Blowfish::DecryptFile(const std::string& InFile, const std::string& OutFile, bool Overwrite,
                           const std::string& key) {
    return transform_file(InFile, OutFile, Overwrite, &Blowfish::DecryptByte, key);
}

}  // namespace engine
