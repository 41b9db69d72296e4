// The cipher against its published test vectors, the container and its length check, the file
// members on a real temporary machine, and the container read and written by OpenSSL.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "engine/foundation/hooks.h"
#include "engine/plugins/blowfish.h"
#include "engine/plugins/blowfish_cipher.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using engine::Blowfish;
using engine::blowfish::Chain;
using engine::blowfish::Cipher;
using tavrin_test::MachineTest;

std::vector<uint8_t> from_hex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string to_hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (uint8_t b : bytes) {
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 0xF]);
    }
    return hex;
}

std::vector<uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

std::string read_host(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_host(const fs::path& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

// The bare chaining mode with a zero IV, the way a standard implementation runs it.
std::vector<uint8_t> run_cbc(std::vector<uint8_t> blocks, const std::string& key, bool encrypt) {
    Cipher cipher;
    cipher.set_key(bytes_of(key));
    Chain chain;
    if (encrypt) cipher.encrypt_cbc(blocks, chain);
    else cipher.decrypt_cbc(blocks, chain);
    return blocks;
}

TEST(BlowfishCipher, MatchesThePublishedSingleBlockVectors) {
    struct Vector {
        const char* key;
        const char* plain;
        const char* cipher;
    };
    const Vector vectors[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    };
    for (const Vector& vector : vectors) {
        Cipher cipher;
        cipher.set_key(from_hex(vector.key));
        std::vector<uint8_t> block = from_hex(vector.plain);
        Chain zero;
        cipher.encrypt_cbc(block, zero);  // one block from a zero start is the bare cipher
        EXPECT_EQ(to_hex(block), vector.cipher) << "key " << vector.key;
        Chain back;
        cipher.decrypt_cbc(block, back);
        EXPECT_EQ(to_hex(block), vector.plain) << "key " << vector.key;
    }
}

TEST(BlowfishCipher, MatchesThePublishedChainingVector) {
    Cipher cipher;
    cipher.set_key(from_hex("0123456789ABCDEFF0E1D2C3B4A59687"));
    std::string text = "7654321 Now is the time for ";
    text.append(4, '\0');
    std::vector<uint8_t> data = bytes_of(text);
    Chain iv{0xFEDCBA98u, 0x76543210u};
    cipher.encrypt_cbc(data, iv);
    EXPECT_EQ(to_hex(data), "6B77B4D63006DEE605B156E27403979358DEB9E7154616D959F1652BD5FF92CC");
}

TEST(BlowfishCipher, OnlyTheFirst72KeyBytesCountAndEveryKeyStartsFromTheInitialTables) {
    const std::string long_key(72, 'k');
    std::vector<uint8_t> a(8, 0x5A), b(8, 0x5A), c(8, 0x5A);
    Cipher first, second, reused;
    first.set_key(bytes_of(long_key));
    second.set_key(bytes_of(long_key + "ignored"));
    reused.set_key(bytes_of("another key"));
    reused.set_key(bytes_of(long_key));
    Chain x, y, z;
    first.encrypt_cbc(a, x);
    second.encrypt_cbc(b, y);
    reused.encrypt_cbc(c, z);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
}

TEST(BlowfishContainer, HasTheRightSizeLayoutAndRandomStart) {
    Blowfish blowfish;
    for (auto [plain, container] : {std::pair<size_t, size_t>{0, 16}, {1, 16}, {4, 16}, {5, 24}, {20, 32}}) {
        std::vector<uint8_t> bytes(plain, 'x');
        blowfish.EncryptByte(bytes, "QUILLMAX");
        EXPECT_EQ(bytes.size(), container) << plain << " plain bytes";
    }

    std::vector<uint8_t> five = bytes_of("hello"), again = five;
    blowfish.EncryptByte(five, "QUILLMAX");
    blowfish.EncryptByte(again, "QUILLMAX");
    EXPECT_NE(five, again) << "the random header words must make each container different";
    const std::vector<uint8_t> raw = run_cbc(five, "QUILLMAX", false);
    // The length is little-endian even though the cipher reads its words big-endian.
    EXPECT_EQ(std::vector<uint8_t>(raw.begin() + 8, raw.begin() + 12), (std::vector<uint8_t>{5, 0, 0, 0}));
    EXPECT_EQ(std::string(raw.begin() + 12, raw.begin() + 17), "hello");
    EXPECT_EQ(std::vector<uint8_t>(raw.begin() + 17, raw.end()), std::vector<uint8_t>(7, 0));
    for (int word : {0, 4}) EXPECT_LT(raw[word + 3], 0x80) << "header words stay below 2^31";

    ASSERT_TRUE(blowfish.DecryptByte(five, "QUILLMAX"));
    ASSERT_TRUE(blowfish.DecryptByte(again, ""));  // an empty key keeps the current one
    EXPECT_EQ(five, bytes_of("hello"));
    EXPECT_EQ(again, bytes_of("hello"));
}

TEST(BlowfishContainer, StringsRoundTripInHexAndRaw) {
    Blowfish blowfish;
    const std::string hex = blowfish.EncryptString("abc", "secret", true);
    ASSERT_EQ(hex.size(), 32u);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
    std::string text = hex;
    EXPECT_EQ(blowfish.DecryptString(text, "secret", true), "abc");
    EXPECT_EQ(text.size(), 16u) << "the caller's hex text is replaced by its bytes";

    std::string raw = blowfish.EncryptString(std::string("a\0b", 3), "secret", false);
    EXPECT_EQ(blowfish.DecryptString(raw, "secret", false), std::string("a\0b", 3));
    EXPECT_EQ(blowfish.DecryptString(raw, "other key", false), "") << "a wrong key gives no text";
}

TEST(BlowfishContainer, ARefusedContainerStaysExactlyAsItCame) {
    Blowfish blowfish;
    for (size_t size : {0, 7, 8, 15}) {
        std::vector<uint8_t> bytes(size, 0xAB);
        EXPECT_FALSE(blowfish.DecryptByte(bytes, "QUILLMAX")) << size << " bytes";
        EXPECT_EQ(bytes, std::vector<uint8_t>(size, 0xAB));
    }
    // A header whose length field claims more than the container holds.
    std::vector<uint8_t> header(16, 0);
    header[9] = 0x04;  // 1024 bytes announced in a 16-byte container
    std::vector<uint8_t> lying = run_cbc(header, "QUILLMAX", true);
    const std::vector<uint8_t> before = lying;
    EXPECT_FALSE(blowfish.DecryptByte(lying, "QUILLMAX"));
    EXPECT_EQ(lying, before);

    std::vector<uint8_t> sealed = bytes_of("plug-in definitions");
    blowfish.EncryptByte(sealed, "QUILLMAX");
    const std::vector<uint8_t> sealed_before = sealed;
    EXPECT_FALSE(blowfish.DecryptByte(sealed, "WRONGKEY"));
    EXPECT_EQ(sealed, sealed_before);
}

TEST(BlowfishContainer, ProgressRunsFromZeroToOneHundredInWholePercent) {
    Blowfish blowfish;
    std::vector<int32_t> seen;
    blowfish.Progress.subscribe([&](int32_t& percent) { seen.push_back(percent); });
    std::vector<uint8_t> bytes(1 << 20, 7);
    blowfish.EncryptByte(bytes, "QUILLMAX");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "no value twice";
    EXPECT_GE(seen.size(), 95u) << "about one report per hundredth of the data";

    seen.clear();
    ASSERT_TRUE(blowfish.DecryptByte(bytes, ""));
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);

    seen.clear();
    std::vector<uint8_t> wrong(64, 1);
    blowfish.DecryptByte(wrong, "");
    EXPECT_TRUE(seen.empty()) << "a refused container is not worked on";
}

TEST(BlowfishContainer, APassLetsTheProgramRunUnlessTheCallerSaysNo) {
    int served = 0;
    const engine::HostHooksInPlace hooks({.process_pending = [&] { ++served; }});
    std::vector<uint8_t> bytes(64 * 1024, 3);
    Blowfish().EncryptByte(bytes, "QUILLMAX");
    const int while_serving = served;
    served = 0;
    Blowfish(false).EncryptByte(bytes, "QUILLMAX");
    EXPECT_GE(while_serving, 50) << "about once per hundredth of the data";
    EXPECT_EQ(served, 0);
}

class BlowfishFiles : public MachineTest {
protected:
    std::string host_text(const std::string& windows_path) { return read_host(temp.host(windows_path)); }
    bool exists(const std::string& windows_path) { return fs::exists(temp.host(windows_path)); }
    Blowfish blowfish;
};

TEST_F(BlowfishFiles, EncryptedFilesHaveTheContainerSizeAndDecryptBack) {
    for (auto [plain, container] : {std::pair<size_t, size_t>{1, 16}, {4, 16}, {5, 24}, {20, 32}}) {
        temp.write_file("C:\\plain.txt", std::string(plain, 'p'));
        ASSERT_TRUE(blowfish.EncryptFile("C:\\plain.txt", "C:\\sealed.bin", true, "QUILLMAX"));
        EXPECT_EQ(host_text("C:\\sealed.bin").size(), container);
        ASSERT_TRUE(blowfish.DecryptFile("C:\\sealed.bin", "C:\\opened.txt", true, "QUILLMAX"));
        EXPECT_EQ(host_text("C:\\opened.txt"), std::string(plain, 'p'));
    }
}

// A working copy that already reads as the decrypted file is not written again (a preview looks
// at the plug-ins without changing the machine); one that differs is.
TEST_F(BlowfishFiles, AnOutputThatAlreadyHoldsTheResultIsLeftUntouched) {
    temp.write_file("C:\\plain.txt", "[Plug-in]\r\nFC=1\r\n");
    ASSERT_TRUE(blowfish.EncryptFile("C:\\plain.txt", "C:\\sealed.bin", true, "QUILLMAX"));
    ASSERT_TRUE(blowfish.DecryptFile("C:\\sealed.bin", "C:\\opened.txt", true, "QUILLMAX"));
    const auto old_time = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(temp.host("C:\\opened.txt"), old_time);
    ASSERT_TRUE(blowfish.DecryptFile("C:\\sealed.bin", "C:\\opened.txt", true, "QUILLMAX"));
    EXPECT_EQ(fs::last_write_time(temp.host("C:\\opened.txt")), old_time);

    temp.write_file("C:\\opened.txt", "[Plug-in]\r\nFC=2\r\n");
    ASSERT_TRUE(blowfish.DecryptFile("C:\\sealed.bin", "C:\\opened.txt", true, "QUILLMAX"));
    EXPECT_EQ(host_text("C:\\opened.txt"), "[Plug-in]\r\nFC=1\r\n");
}

TEST_F(BlowfishFiles, RefusesWithoutTouchingAFile) {
    temp.write_file("C:\\empty.txt", "");
    EXPECT_FALSE(blowfish.EncryptFile("C:\\empty.txt", "C:\\out.bin", true, "QUILLMAX"));
    EXPECT_FALSE(blowfish.EncryptFile("C:\\missing.txt", "C:\\out.bin", true, "QUILLMAX"));
    EXPECT_FALSE(exists("C:\\out.bin"));

    temp.write_file("C:\\plain.txt", "new");
    temp.write_file("C:\\out.bin", "old contents");
    EXPECT_FALSE(blowfish.EncryptFile("C:\\plain.txt", "C:\\out.bin", false, "QUILLMAX"));
    EXPECT_EQ(host_text("C:\\out.bin"), "old contents");
}

TEST_F(BlowfishFiles, AContainerThatFailsTheLengthCheckWritesNothing) {
    temp.write_file("C:\\plain.txt", "the user's plug-ins");
    ASSERT_TRUE(blowfish.EncryptFile("C:\\plain.txt", "C:\\sealed.bin", true, "QUILLMAX"));
    temp.write_file("C:\\out.txt", "previous working copy");
    EXPECT_FALSE(blowfish.DecryptFile("C:\\sealed.bin", "C:\\out.txt", true, "ANOTHER!"));
    EXPECT_EQ(host_text("C:\\out.txt"), "previous working copy");

    for (size_t size : {7, 8, 15}) {
        temp.write_file("C:\\short.bin", std::string(size, 'x'));
        EXPECT_FALSE(blowfish.DecryptFile("C:\\short.bin", "C:\\fresh.txt", true, "QUILLMAX")) << size;
        EXPECT_FALSE(exists("C:\\fresh.txt"));
    }
}

TEST_F(BlowfishFiles, AFailedWriteLeavesTheOldOutputWhole) {
    temp.write_file("C:\\plain.txt", std::string(4096, 'n'));
    temp.write_file("C:\\out.bin", "old");
    machine().files().set_quota('C', 1);  // the drive is full
    EXPECT_FALSE(blowfish.EncryptFile("C:\\plain.txt", "C:\\out.bin", true, "QUILLMAX"));
    EXPECT_EQ(host_text("C:\\out.bin"), "old");
    for (const auto& entry : fs::directory_iterator(temp.host("C:\\")))
        EXPECT_EQ(entry.path().filename().string().find(".out.bin"), std::string::npos) << "no temporary left";
}

// The container is plain CBC over the whole buffer, so a standard implementation reads and
// writes it: OpenSSL's Blowfish, which lives in its legacy provider.
class BlowfishOpenSsl : public BlowfishFiles {
protected:
    void SetUp() override {
        if (std::system("openssl enc -bf-cbc -provider legacy -provider default -K 00 -iv 00 -nopad"
                        " -in /dev/null -out /dev/null 2>/dev/null") != 0)
            GTEST_SKIP() << "this openssl has no legacy provider with Blowfish; the interop check cannot run";
    }
    // OpenSSL takes a 16-byte key; the 8-byte key twice over schedules the same tables.
    bool openssl(const std::string& direction, const fs::path& in, const fs::path& out,
                 const std::string& mode = "-bf-cbc") {
        const std::string key = to_hex(bytes_of("QUILLMAXQUILLMAX"));
        const std::string command =
            "openssl enc " + direction + " " + mode + " -provider legacy -provider default -K " + key +
            " -iv 0000000000000000 -nopad -in '" + in.string() + "' -out '" + out.string() + "' 2>/dev/null";
        return std::system(command.c_str()) == 0;
    }
};

TEST_F(BlowfishOpenSsl, TheBareCipherMatchesItsElectronicCodebookBlockForBlock) {
    std::string plain(64 * 1024, '\0');
    uint32_t state = 12345;
    for (char& c : plain) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    const fs::path in = temp.dir() / "blocks.raw", out = temp.dir() / "blocks.ecb";
    write_host(in, plain);
    ASSERT_TRUE(openssl("-e", in, out, "-bf-ecb"));
    const std::string theirs = read_host(out);

    Cipher cipher;
    cipher.set_key(bytes_of("QUILLMAX"));
    std::vector<uint8_t> ours = bytes_of(plain);
    for (size_t offset = 0; offset < ours.size(); offset += 8) {
        Chain fresh;  // every block on its own
        cipher.encrypt_cbc(std::span<uint8_t>(ours).subspan(offset, 8), fresh);
    }
    EXPECT_EQ(std::string(ours.begin(), ours.end()), theirs);
}

TEST_F(BlowfishOpenSsl, ReadsWhatWeWriteAndWeReadWhatItWrites) {
    std::string plain;
    for (int i = 0; i < 1000; ++i) plain += "[Plug-in " + std::to_string(i) + "]\r\nFC=1\r\n";
    temp.write_file("C:\\plain.ini", plain);
    ASSERT_TRUE(blowfish.EncryptFile("C:\\plain.ini", "C:\\ours.dll", true, "QUILLMAX"));
    const fs::path opened = temp.dir() / "opened.raw";
    ASSERT_TRUE(openssl("-d", temp.host("C:\\ours.dll"), opened));
    const std::string raw = read_host(opened);
    ASSERT_EQ(raw.size(), (plain.size() + 12 + 7) / 8 * 8);
    uint32_t length = 0;
    for (int i = 11; i >= 8; --i) length = length << 8 | static_cast<uint8_t>(raw[i]);
    EXPECT_EQ(length, plain.size());
    EXPECT_EQ(raw.substr(12, plain.size()), plain);

    std::string container = std::string("\x11\x22\x33\x04\x55\x66\x77\x08", 8);
    const uint32_t n = static_cast<uint32_t>(plain.size());
    for (int i = 0; i < 4; ++i) container.push_back(static_cast<char>(n >> (8 * i)));
    container += plain;
    container.resize((container.size() + 7) / 8 * 8, '\0');
    const fs::path theirs_plain = temp.dir() / "theirs.raw";
    write_host(theirs_plain, container);
    ASSERT_TRUE(openssl("-e", theirs_plain, temp.host("C:\\theirs.dll")));
    ASSERT_TRUE(blowfish.DecryptFile("C:\\theirs.dll", "C:\\theirs.ini", true, "QUILLMAX"));
    EXPECT_EQ(host_text("C:\\theirs.ini"), plain);
}

}  // namespace
