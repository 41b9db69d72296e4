// The type-library reader on DLLs built for the purpose (32- and 64-bit "MSFT", a "SLTG" one, one
// without a library) and on damaged copies of them: a damaged file gives no library or the GUID
// it really holds, never bytes from outside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/typelib/pe_resource.h"
#include "platform/typelib/type_library.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using namespace platform::typelib;
using Bytes = std::vector<uint8_t>;

Bytes fixture(const std::string& name) {
    std::ifstream in(std::filesystem::path(TAVRIN_FIXTURES_DIR) / "typelib" / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::optional<std::string> guid_of(const Bytes& image) {
    MemorySource source(image);
    auto guid = embedded_library_guid(source);
    if (!guid) return std::nullopt;
    return guid_text(*guid);
}

// Whether the GUID's 16 bytes occur in the original image: a GUID read from a damaged copy must
// be one the file really holds.
bool held_by(const Bytes& image, const Guid& guid) {
    return std::search(image.begin(), image.end(), guid.begin(), guid.end()) != image.end();
}

FileRange type_library_range(const Bytes& image) {
    MemorySource source(image);
    auto range = find_named_resource(source, "typelib");
    EXPECT_TRUE(range.has_value());
    return range.value_or(FileRange{});
}

struct Fixture {
    const char* file;
    const char* guid;
};
const Fixture kFixtures[] = {{"msft32.dll", "{6B7C1F40-2D5E-4A31-9C8E-0F1A2B3C4D01}"},
                             {"msft64.dll", "{6B7C1F40-2D5E-4A31-9C8E-0F1A2B3C4D02}"},
                             {"sltg32.dll", "{6B7C1F40-2D5E-4A31-9C8E-0F1A2B3C4D03}"}};

TEST(TypeLibraryReader, ReadsTheLibraryGuidOfEachLayoutAndWordSize) {
    for (const Fixture& f : kFixtures) EXPECT_EQ(guid_of(fixture(f.file)), f.guid) << f.file;
    EXPECT_EQ(guid_of(fixture("plain32.dll")), std::nullopt) << "a DLL without a type library";
    EXPECT_EQ(guid_of(Bytes{}), std::nullopt);
    Bytes text(4096, 'M');
    EXPECT_EQ(guid_of(text), std::nullopt) << "not a PE image";
}

TEST(TypeLibraryReader, ATruncatedCopyHasNoLibraryUntilAllOfItIsThere) {
    for (const Fixture& f : kFixtures) {
        Bytes image = fixture(f.file);
        FileRange range = type_library_range(image);
        for (size_t length = 0; length < image.size(); ++length) {
            Bytes cut(image.begin(), image.begin() + length);
            auto guid = guid_of(cut);
            if (length < range.offset + range.size)
                ASSERT_EQ(guid, std::nullopt) << f.file << " cut at " << length;
            else
                ASSERT_EQ(guid, f.guid) << f.file << " cut at " << length;
        }
    }
}

// Random bytes in the PE headers, the resource tree and the head of the type library.
TEST(TypeLibraryReader, FuzzedHeadersNeverGiveAGuidTheFileDoesNotHold) {
    std::mt19937 random(20261208);
    for (const Fixture& f : kFixtures) {
        Bytes image = fixture(f.file);
        FileRange range = type_library_range(image);
        std::vector<size_t> targets;
        for (size_t at = 0; at < 0x400; ++at) targets.push_back(at);
        for (size_t at = range.offset - std::min<size_t>(range.offset, 0x100); at < range.offset + 0x60; ++at)
            targets.push_back(at);
        int found = 0;
        for (int round = 0; round < 4000; ++round) {
            Bytes copy = image;
            int changes = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < changes; ++i) copy[targets[random() % targets.size()]] = static_cast<uint8_t>(random());
            MemorySource source(copy);
            if (auto guid = embedded_library_guid(source)) {
                ASSERT_TRUE(held_by(image, *guid)) << f.file << " round " << round << " gave " << guid_text(*guid);
                ++found;
            }
        }
        EXPECT_GT(found, 0) << "most single changes leave the library readable";
    }
}

size_t resource_tree_offset(const Bytes& image) {
    uint32_t pe = image[0x3C] | image[0x3D] << 8;
    uint16_t sections = image[pe + 6] | image[pe + 7] << 8;
    uint16_t optional_size = image[pe + 20] | image[pe + 21] << 8;
    size_t table = pe + 24 + optional_size;
    for (size_t i = 0; i < sections; ++i) {
        size_t at = table + i * 40;
        if (std::string(reinterpret_cast<const char*>(&image[at]), 5) == ".rsrc")
            return image[at + 20] | image[at + 21] << 8 | image[at + 22] << 16;
    }
    ADD_FAILURE() << "no resource section";
    return 0;
}

void put32(Bytes& image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(TypeLibraryReader, HostileStructuresGiveNoLibrary) {
    Bytes image = fixture("msft32.dll");
    size_t tree = resource_tree_offset(image);
    FileRange range = type_library_range(image);

    Bytes loop = image;  // the first type's subfolder is the root folder again
    put32(loop, tree + 16 + 4, 0x80000000u);
    EXPECT_EQ(guid_of(loop), std::nullopt);

    Bytes huge = image;  // a data entry claiming 4 GB
    bool patched = false;
    for (size_t at = tree; at + 8 <= range.offset; at += 4) {
        uint32_t size = image[at + 4] | image[at + 5] << 8 | image[at + 6] << 16 | image[at + 7] << 24;
        if (size == range.size) {
            put32(huge, at + 4, 0xFFFFFFF0u);
            patched = true;
        }
    }
    ASSERT_TRUE(patched);
    EXPECT_EQ(guid_of(huge), std::nullopt);

    Bytes sltg = fixture("sltg32.dll");  // a block chain that points back at its own block
    FileRange sltg_range = type_library_range(sltg);
    sltg[sltg_range.offset + 0x24 + 6] = 1;
    EXPECT_EQ(guid_of(sltg), std::nullopt);

    Bytes guid_past_table = image;  // the library's entry named past the GUID table
    put32(guid_past_table, range.offset + 8, 24 * 1000);
    EXPECT_EQ(guid_of(guid_past_table), std::nullopt);
}

// An image whose headers put a resource tree of `tree_size` bytes right after them, in a file that
// long (as a sparse file on disk is): reads past the headers give zeros, and the largest is noted.
class ClaimedTree : public ByteSource {
public:
    explicit ClaimedTree(uint32_t tree_size) : headers_(0x1000), size_(0x1000 + uint64_t{tree_size}) {
        auto put = [&](size_t at, uint32_t value, int width) {
            for (int i = 0; i < width; ++i) headers_[at + i] = static_cast<uint8_t>(value >> (8 * i));
        };
        put(0, 0x5A4D, 2);         // "MZ"
        put(0x3C, 0x80, 4);        // where the PE header is
        put(0x80, 0x4550, 4);      // "PE\0\0"
        put(0x86, 1, 2);           // one section
        put(0x94, 0xE0, 2);        // the optional header's size
        put(0x98, 0x10B, 2);       // 32-bit
        put(0x98 + 92, 16, 4);     // directories
        put(0x98 + 112, 0x1000, 4);  // the resource tree's address and size
        put(0x98 + 116, tree_size, 4);
        put(0x178 + 12, 0x1000, 4);  // the section: address, size and place in the file
        put(0x178 + 16, tree_size, 4);
        put(0x178 + 20, 0x1000, 4);
    }
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, std::span<uint8_t> buffer) const override {
        largest_read_ = std::max<uint64_t>(largest_read_, buffer.size());
        if (offset > size_ || buffer.size() > size_ - offset || buffer.size() > (64u << 10)) return false;
        for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = offset + i < headers_.size() ? headers_[offset + i] : 0;
        return true;
    }
    uint64_t largest_read() const { return largest_read_; }

private:
    Bytes headers_;
    uint64_t size_;
    mutable uint64_t largest_read_ = 0;
};

TEST(TypeLibraryReader, AResourceTreeTheHeadersClaimIsHugeIsReadOnlyWhereTheWalkLooks) {
    const ClaimedTree image(256u << 20);
    EXPECT_EQ(embedded_library_guid(image), std::nullopt);
    EXPECT_LE(image.largest_read(), 64u) << "the walk read a buffer the size the headers claim";
}

class TypeLibraryFiles : public tavrin_test::MachineTest {};

TEST_F(TypeLibraryFiles, OpensTheLibraryInAMachineFileAndNamesThatFile) {
    Bytes image = fixture("msft64.dll");
    temp.write_file("C:\\Program Files\\Demo\\Demo.dll", std::string(image.begin(), image.end()));
    auto library = open_type_library(machine().files(), "C:\\Program Files\\Demo\\Demo.dll");
    ASSERT_TRUE(library.has_value());
    EXPECT_EQ(library->containing_file, "C:\\Program Files\\Demo\\Demo.dll");
    EXPECT_EQ(library->guid, "{6B7C1F40-2D5E-4A31-9C8E-0F1A2B3C4D02}");
    EXPECT_EQ(open_type_library(machine().files(), "C:\\Program Files\\Demo\\Missing.dll"), std::nullopt);
    EXPECT_EQ(open_type_library(machine().files(), "Q:\\Demo.dll"), std::nullopt) << "a drive that does not exist";
}

}  // namespace
