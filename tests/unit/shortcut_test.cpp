// The dead-shortcut finder: shortcut files built byte by byte here, read back through the
// engine, and the recursive search that collects them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/foundation/hooks.h"
#include "engine/tools/shortcut.h"
#include "platform/shell/shell_link.h"
#include "tests/unit/support/temp_machine.h"

namespace {

// Little-endian pieces of a Shell Link file.
struct Bytes {
    std::string data;
    Bytes& u8(uint8_t v) { data += static_cast<char>(v); return *this; }
    Bytes& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& text(const std::string& s) { data += s; return *this; }
    Bytes& text_z(const std::string& s) { data += s; data += '\0'; return *this; }
    Bytes& utf16_z(const std::u16string& s) {
        for (char16_t c : s) u16(c);
        return u16(0);
    }
    Bytes& zeros(size_t n) { data.append(n, '\0'); return *this; }
    Bytes& guid(const std::vector<uint8_t>& g) { for (auto b : g) u8(b); return *this; }
};

const std::vector<uint8_t> kShellLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                              0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
const std::vector<uint8_t> kMyComputer = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                          0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
const std::vector<uint8_t> kControlPanel = {0x20, 0x20, 0xEC, 0x21, 0xEA, 0x3A, 0x69, 0x10,
                                            0xA2, 0xDD, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

constexpr uint32_t kHasIdList = 0x1, kHasLinkInfo = 0x2, kHasName = 0x4, kIsUnicode = 0x80, kHasExpString = 0x200;

std::string header(uint32_t flags) {
    Bytes b;
    b.u32(0x4C).guid(kShellLinkClsid).u32(flags).u32(0x20).zeros(24).u32(1234).u32(0).u32(1).u16(0).zeros(10);
    return b.data;
}

// LinkInfo with a volume and a local base path (single-byte strings only).
std::string local_link_info(const std::string& base, const std::string& suffix) {
    Bytes volume;
    volume.u32(17).u32(3).u32(0xCAFE).u32(0x10).u8(0);
    const uint32_t base_at = 0x1C + static_cast<uint32_t>(volume.data.size());
    const uint32_t suffix_at = base_at + static_cast<uint32_t>(base.size()) + 1;
    const uint32_t size = suffix_at + static_cast<uint32_t>(suffix.size()) + 1;
    Bytes b;
    b.u32(size).u32(0x1C).u32(1).u32(0x1C).u32(base_at).u32(0).u32(suffix_at).text(volume.data).text_z(base).text_z(suffix);
    return b.data;
}

// LinkInfo with the optional Unicode copies of the path (header of 0x24 bytes).
std::string unicode_link_info(const std::string& ansi_base, const std::u16string& base) {
    Bytes volume;
    volume.u32(17).u32(3).u32(0xCAFE).u32(0x10).u8(0);
    Bytes tail;
    tail.text(volume.data).text_z(ansi_base).text_z("");
    const uint32_t volume_at = 0x24;
    const uint32_t ansi_base_at = volume_at + 17;
    const uint32_t ansi_suffix_at = ansi_base_at + static_cast<uint32_t>(ansi_base.size()) + 1;
    const uint32_t base_at = ansi_suffix_at + 1;
    tail.utf16_z(base);
    const uint32_t suffix_at = 0x24 + static_cast<uint32_t>(tail.data.size());
    tail.utf16_z(u"");
    Bytes b;
    b.u32(0x24 + static_cast<uint32_t>(tail.data.size())).u32(0x24).u32(1).u32(volume_at).u32(ansi_base_at).u32(0)
        .u32(ansi_suffix_at).u32(base_at).u32(suffix_at).text(tail.data);
    return b.data;
}

std::string network_link_info(const std::string& share, const std::string& suffix) {
    Bytes net;
    net.u32(0x14 + static_cast<uint32_t>(share.size()) + 1).u32(0).u32(0x14).u32(0).u32(0x20000).text_z(share);
    const uint32_t net_at = 0x1C;
    const uint32_t suffix_at = net_at + static_cast<uint32_t>(net.data.size());
    Bytes b;
    b.u32(suffix_at + static_cast<uint32_t>(suffix.size()) + 1).u32(0x1C).u32(2).u32(0).u32(0).u32(net_at).u32(suffix_at)
        .text(net.data).text_z(suffix);
    return b.data;
}

std::string item(const std::string& body) {
    Bytes b;
    b.u16(static_cast<uint16_t>(body.size() + 2)).text(body);
    return b.data;
}

// A file or folder item: its 8.3 name, then the long name in the 0xBEEF0004 extension.
std::string file_item(bool folder, const std::string& short_name, const std::u16string& long_name, uint16_t version) {
    Bytes body;
    body.u8(folder ? 0x31 : 0x32).u8(0).u32(0).u32(0).u16(folder ? 0x10 : 0x20).text_z(short_name);
    if ((body.data.size() + 2) % 2) body.u8(0);
    const size_t name_at = version == 3 ? 0x14 : 0x2E;
    Bytes extension;
    extension.u16(0).u16(version).u32(0xBEEF0004).u32(0).u32(0).u16(static_cast<uint16_t>(name_at));
    extension.zeros(name_at - extension.data.size()).utf16_z(long_name).u16(static_cast<uint16_t>(body.data.size() + 2));
    extension.data[0] = static_cast<char>(extension.data.size() & 0xFF);
    extension.data[1] = static_cast<char>(extension.data.size() >> 8);
    body.text(extension.data);
    return item(body.data);
}

std::string id_list(const std::vector<uint8_t>& root, const std::vector<std::string>& items) {
    Bytes list;
    list.text(item(Bytes().u8(0x1F).u8(0x50).guid(root).data));
    for (const auto& i : items) list.text(i);
    list.u16(0);
    Bytes b;
    b.u16(static_cast<uint16_t>(list.data.size())).text(list.data);
    return b.data;
}

std::string drive_item(const std::string& root) { return item(Bytes().u8(0x2F).text_z(root).zeros(18).data); }

class ShortcutTest : public tavrin_test::MachineTest {
protected:
    const engine::HostHooksInPlace hooks{{.show_message = [this](const std::string& text, const std::string& title) {
        messages.push_back({text, title});
    }}};

    std::string target_of(const std::string& bytes) {
        temp.write_file("C:\\links\\test.lnk", bytes);
        return shortcut.GetDeadShortcuts("C:\\links\\test.lnk");
    }

    engine::Shortcut shortcut;
    std::vector<std::pair<std::string, std::string>> messages;
};

TEST_F(ShortcutTest, ReadsTheLocalPathOfTheLinkInformation) {
    EXPECT_EQ(target_of(header(kHasLinkInfo) + local_link_info("C:\\Program Files\\App\\app.exe", "")),
              "C:\\Program Files\\App\\app.exe");
    EXPECT_EQ(target_of(header(kHasLinkInfo) + local_link_info("C:\\Data\\", "report.doc")), "C:\\Data\\report.doc");
    EXPECT_EQ(target_of(header(kHasLinkInfo) + unicode_link_info("C:\\?berweisung.txt", u"C:\\\u00DCberweisung.txt")),
              "C:\\\xC3\x9C" "berweisung.txt");
    EXPECT_EQ(target_of(header(kHasLinkInfo) + network_link_info("\\\\server\\share", "docs\\plan.txt")),
              "\\\\server\\share\\docs\\plan.txt");
    EXPECT_TRUE(messages.empty());
}

TEST_F(ShortcutTest, FallsBackToTheShellItemsWhenThereIsNoLinkInformation) {
    const std::string list = id_list(kMyComputer, {drive_item("C:\\"), file_item(true, "PROGRA~1", u"Program Files", 9),
                                                   file_item(false, "LONGNA~1.TXT", u"Long name \u00E4.txt", 3)});
    // A name string after the lists, to be skipped on the way to nothing further.
    EXPECT_EQ(target_of(header(kHasIdList | kHasName | kIsUnicode) + list + Bytes().u16(2).u16('h').u16('i').data),
              "C:\\Program Files\\Long name \xC3\xA4.txt");
    EXPECT_EQ(target_of(header(kHasIdList) + id_list(kMyComputer, {drive_item("D:\\")})), "D:\\");
    // A control panel item is not a file: no path, and no error either.
    EXPECT_EQ(target_of(header(kHasIdList) + id_list(kControlPanel, {})), "");
    EXPECT_TRUE(messages.empty());
}

TEST_F(ShortcutTest, UsesTheEnvironmentTargetAsTheLastResort) {
    Bytes block;
    block.u32(0x314).u32(0xA0000001).text_z("%windir%\\notepad.exe").zeros(260 - 21).utf16_z(u"%windir%\\notepad.exe");
    block.zeros(0x314 - block.data.size()).u32(0);
    EXPECT_EQ(target_of(header(kHasExpString) + block.data), "%windir%\\notepad.exe");
}

TEST_F(ShortcutTest, AnUnreadableShortcutIsReportedOnceAndGivesNoTarget) {
    const std::string good = header(kHasLinkInfo) + local_link_info("C:\\Program Files\\App\\app.exe", "");
    const std::vector<std::string> damaged = {
        "this is not a shortcut",
        good.substr(0, good.size() - 10),                    // cut inside the link information
        header(kHasLinkInfo) + Bytes().u32(0x1C).u32(0x1C).u32(1).u32(0).u32(0xFFFF).u32(0).u32(0).data,
        header(kHasIdList) + Bytes().u16(40).u16(60).data,  // an item longer than its list
    };
    for (const auto& bytes : damaged) {
        messages.clear();
        EXPECT_EQ(target_of(bytes), "");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].second, "Error: -2147467259");
        EXPECT_TRUE(messages[0].first.ends_with("\nGetShortcutTarget")) << messages[0].first;
    }

    messages.clear();
    EXPECT_EQ(shortcut.GetDeadShortcuts("C:\\links\\missing.lnk"), "");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].second, "Error: 53");
}

TEST(ShellLinkParser, RejectsForeignDataWithAReadableReason) {
    try {
        platform::shell::shell_link_target("PK\x03\x04 a zip file, not a link");
        FAIL() << "accepted a foreign file";
    } catch (const platform::shell::ShellLinkError& error) {
        EXPECT_NE(std::string(error.what()).find("not a shortcut"), std::string::npos);
    }
}

TEST_F(ShortcutTest, StripNullsCutsTheArgumentToo) {
    std::string padded("abc\0def\0", 8);
    EXPECT_EQ(shortcut.StripNulls(padded), "abc");
    EXPECT_EQ(padded, "abc");
    std::string plain = "no nul";
    EXPECT_EQ(shortcut.StripNulls(plain), "no nul");
}

TEST_F(ShortcutTest, FindShortCutsSearchesEverywhereButSystemVolumeInformation) {
    temp.write_file("C:\\tree\\a.lnk", "123");
    temp.write_file("C:\\tree\\notes.txt", "not a link");
    temp.write_file("C:\\tree\\sub\\b.lnk", "12345");
    temp.write_file("C:\\tree\\System Volume Information\\c.lnk", "1");
    temp.write_file("C:\\tree\\sub\\SYSTEM VOLUME INFORMATION\\d.lnk", "1");

    int64_t file_count = 2, dir_count = 7;
    std::string result = "earlier";
    const auto total = shortcut.FindShortCuts("C:\\tree", "*.lnk", file_count, dir_count, result);

    EXPECT_EQ(result, "earlier,C:\\tree\\a.lnk,C:\\tree\\sub\\b.lnk");
    EXPECT_EQ(file_count, 4);
    EXPECT_EQ(dir_count, 10);  // sub and both volume-information folders are counted, not entered
    EXPECT_EQ(std::get<double>(total), 8.0);

    result.clear();
    EXPECT_EQ(std::get<double>(shortcut.FindShortCuts("C:\\tree\\System Volume Information\\", "*.lnk", file_count,
                                                      dir_count, result)),
              0.0);
    EXPECT_EQ(result, "");
}

TEST_F(ShortcutTest, FindShortCutsWithoutMatchesChangesNothing) {
    temp.write_file("C:\\empty tree\\readme.txt", "x");

    int64_t file_count = 0, dir_count = 0;
    std::string result = ",C:\\before.lnk";
    const auto total = shortcut.FindShortCuts("C:\\empty tree\\", "*.lnk", file_count, dir_count, result);

    EXPECT_EQ(result, ",C:\\before.lnk");
    EXPECT_EQ(file_count, 0);
    EXPECT_EQ(std::get<double>(total), 0.0);
}

}  // namespace
