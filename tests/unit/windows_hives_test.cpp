// The registry of a Windows installation: binary hives read and changed through the registry API,
// checked with independent readers (hivexregedit, reglookup, regfexport) on a hive Windows wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/unicode.h"
#include "tests/unit/support/command_output.h"
#include "tests/unit/support/corpora.h"
#include "tests/unit/support/regf_template.h"
#include "tests/unit/support/temp_folder.h"

namespace fs = std::filesystem;
using namespace platform::registry;
using tavrin_test::RegfKey;
using tavrin_test::regf_string;

namespace {

constexpr const char* kSid = "S-1-5-21-1-2-3-1004";

std::string read_file(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

tavrin_test::CommandOutput run(const std::string& command) { return tavrin_test::command_output(command + " 2>&1"); }

// Keys and their value lines, as hivexregedit --export writes them.
using Export = std::map<std::string, std::map<std::string, std::string>>;

std::string value_name_in_export(const std::string& name) {
    if (name.empty()) return "@";
    std::string quoted = "\"";
    for (const char c : name) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

Export hivexregedit_export(const fs::path& hive) {
    const tavrin_test::CommandOutput exported = run("hivexregedit --export '" + hive.string() + "' '\\'");
    EXPECT_EQ(exported.status, 0) << exported.out;
    Export keys;
    std::istringstream in(exported.out);
    std::string key;
    for (std::string line; std::getline(in, line);) {
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') keys[key = line.substr(1, line.size() - 2)];
        else if (!key.empty() && !line.empty()) {
            // The name: "@", or quoted with backslash escapes.
            size_t end = 0;
            if (line.front() == '"')
                for (end = 1; end < line.size() && line[end] != '"'; ++end)
                    if (line[end] == '\\') ++end;
            keys[key][line.substr(0, end + 1)] = line;
        }
    }
    return keys;
}

// A value as hivexregedit writes it, from what the registry API returned: strings go back to
// the UTF-16LE the hive stores.
std::string export_line(const std::string& name, const Value& value) {
    std::vector<uint8_t> stored = value.data;
    if (value.type == type::Sz || value.type == type::ExpandSz || value.type == type::MultiSz) {
        stored.clear();
        for (const char16_t unit : utf8_to_utf16({reinterpret_cast<const char*>(value.data.data()), value.data.size()}))
            stored.insert(stored.end(), {static_cast<uint8_t>(unit & 0xFF), static_cast<uint8_t>(unit >> 8)});
    }
    char text[64];
    std::string line = value_name_in_export(name) + "=";
    if (value.type == type::Dword && stored.size() == 4) {
        std::snprintf(text, sizeof text, "dword:%08x", stored[0] | stored[1] << 8 | stored[2] << 16 | unsigned(stored[3]) << 24);
        return line + text;
    }
    std::snprintf(text, sizeof text, "hex(%x):", value.type);
    line += text;
    for (size_t i = 0; i < stored.size(); ++i) {
        std::snprintf(text, sizeof text, i ? ",%02x" : "%02x", stored[i]);
        line += text;
    }
    return line;
}

void export_through_api(const Registry& registry, Root root, const std::string& path, const std::string& shown, Export& out) {
    auto& values = out[shown.empty() ? "\\" : shown];
    for (const auto& [name, value] : registry.values(root, path))
        values[value_name_in_export(name)] = export_line(name, *value);
    for (const std::string& child : registry.subkey_names(root, path))
        export_through_api(registry, root, path.empty() ? child : path + "\\" + child, shown + "\\" + child, out);
}

// The first difference between two exports, for a failure message that can be read.
std::string first_difference(const Export& a, const Export& b) {
    for (const auto& [key, values] : a) {
        const auto other = b.find(key);
        if (other == b.end()) return "only in the first: [" + key + "]";
        for (const auto& [name, line] : values) {
            const auto same = other->second.find(name);
            if (same == other->second.end() || same->second != line)
                return "[" + key + "] " + line + " vs " + (same == other->second.end() ? "nothing" : same->second);
        }
        if (values.size() != other->second.size()) return "[" + key + "] has more values in the second";
    }
    for (const auto& [key, values] : b)
        if (!a.count(key)) return "only in the second: [" + key + "]";
    return "";
}

// Every key name, value name and value data of a key and those below it, as text.
void collect_text(const Registry& registry, Root root, const std::string& path, std::string& out) {
    for (const auto& [name, value] : registry.values(root, path))
        out += name + "\n" + std::string(value->data.begin(), value->data.end()) + "\n";
    for (const std::string& child : registry.subkey_names(root, path)) {
        out += child + "\n";
        collect_text(registry, root, path.empty() ? child : path + "\\" + child, out);
    }
}

size_t occurrences(const std::string& haystack, const std::string& needle) {
    size_t count = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
    return count;
}

std::string utf16le(const std::string& ascii) {
    std::string out;
    for (const char c : ascii) out += {c, '\0'};
    return out;
}

void delete_tree(Registry& registry, Root root, const std::string& path) {
    for (const std::string& child : registry.subkey_names(root, path)) delete_tree(registry, root, path + "\\" + child);
    ASSERT_EQ(registry.delete_key(root, path), Status::Ok) << path;
}

std::vector<uint8_t> sz(std::string_view text) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

// Sets a base block's primary sequence number and gives it the checksum that goes with it.
void set_sequence(std::string& hive, uint32_t sequence) {
    std::memcpy(hive.data() + 4, &sequence, 4);
    uint32_t sum = 0;
    for (size_t offset = 0; offset < 508; offset += 4) {
        uint32_t word;
        std::memcpy(&word, hive.data() + offset, 4);
        sum ^= word;
    }
    std::memcpy(hive.data() + 508, &sum, 4);
}

uint32_t sequence_of(const std::string& hive) {
    uint32_t sequence;
    std::memcpy(&sequence, hive.data() + 8, 4);
    return sequence;
}

class WindowsHivesTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto corpus = tavrin_test::corpus_file("windows/regf/NTUSER.DAT");
        if (!corpus) GTEST_SKIP() << "no corpus ../shared/corpora/windows/regf/NTUSER.DAT: nothing to test on";
        if (run("command -v hivexregedit").status != 0) GTEST_SKIP() << "hivexregedit (libwin-hivex-perl) is not installed";
        template_hive = *corpus;
        fs::copy_file(template_hive, folder.path() / "NTUSER.DAT");
        fs::permissions(folder.path() / "NTUSER.DAT", fs::perms::owner_write, fs::perm_options::add);
        ASSERT_TRUE(tavrin_test::make_regf_hive(template_hive, folder.path() / "SOFTWARE",
                                                {{"Classes\\.txt", {{"", type::Sz, regf_string("txtfile")}}},
                                                 {"Classes\\txtfile", {{"", type::Sz, regf_string("Text Document")}}},
                                                 {"Microsoft\\Windows\\CurrentVersion", {{"ProgramFilesDir", type::Sz, regf_string("C:\\Program Files")}}}}));
        ASSERT_TRUE(tavrin_test::make_regf_hive(template_hive, folder.path() / "SYSTEM", {{"Select", {{"Current", type::Dword, {1, 0, 0, 0}}}}}));
        ASSERT_TRUE(tavrin_test::make_regf_hive(template_hive, folder.path() / "DEFAULT", {{"Control Panel\\Desktop", {}}}));
    }

    WindowsHives hives(bool with_classes = false) {
        WindowsHives paths{folder.path() / "SOFTWARE", folder.path() / "SYSTEM", folder.path() / "DEFAULT",
                           folder.path() / "NTUSER.DAT", {}, kSid};
        if (with_classes) paths.user_classes = folder.path() / "UsrClass.dat";
        return paths;
    }

    fs::path user_hive() const { return folder.path() / "NTUSER.DAT"; }

    tavrin_test::TempFolder folder;
    fs::path template_hive;
};

TEST_F(WindowsHivesTest, EveryKeyAndValueReadsAsHivexregeditExportsIt) {
    Registry registry(hives());
    Export ours;
    export_through_api(registry, Root::CurrentUser, "", "", ours);
    const Export theirs = hivexregedit_export(user_hive());
    ASSERT_GT(theirs.size(), 1000u);
    EXPECT_EQ(first_difference(ours, theirs), "");

    // The same hive under HKEY_USERS, the machine's hives where Windows mounts them.
    Value value;
    ASSERT_EQ(registry.query_value(Root::Users, std::string(kSid) + "\\Software\\Microsoft\\Internet Explorer\\TypedURLs",
                                   "url2", value), Status::Ok);
    EXPECT_EQ(value.data, sz("http://spotify.com/"));
    EXPECT_EQ(registry.subkey_names(Root::LocalMachine, ""), (std::vector<std::string>{"SOFTWARE", "SYSTEM"}));
    EXPECT_EQ(registry.subkey_names(Root::Users, ""), (std::vector<std::string>{".DEFAULT", kSid}));
    ASSERT_EQ(registry.query_value(Root::LocalMachine, "System\\Select", "Current", value), Status::Ok);
    EXPECT_EQ(value.data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_TRUE(registry.key_exists(Root::Users, ".DEFAULT\\Control Panel\\Desktop"));
    EXPECT_EQ(registry.create_key(Root::LocalMachine, "SAM"), Status::AccessDenied);
    EXPECT_EQ(registry.read_only_reason(), "");
}

TEST_F(WindowsHivesTest, ClassesAreTheUsersOverTheMachines) {
    ASSERT_TRUE(tavrin_test::make_regf_hive(template_hive, folder.path() / "UsrClass.dat",
                                            {{".txt", {{"", type::Sz, regf_string("MyEditor.txt")}}},
                                             {".zzz", {}}}));
    Registry registry(hives(true));
    Value value;
    ASSERT_EQ(registry.query_value(Root::ClassesRoot, ".txt", "", value), Status::Ok);
    EXPECT_EQ(value.data, sz("MyEditor.txt"));
    ASSERT_EQ(registry.query_value(Root::ClassesRoot, "txtfile", "", value), Status::Ok);
    EXPECT_EQ(value.data, sz("Text Document"));
    EXPECT_EQ(registry.subkey_names(Root::ClassesRoot, ""), (std::vector<std::string>{".txt", ".zzz", "txtfile"}));
    EXPECT_EQ(registry.subkey_names(Root::CurrentUser, "Software\\Classes"), (std::vector<std::string>{".txt", ".zzz"}));
    EXPECT_EQ(registry.subkey_names(Root::Users, ""),
              (std::vector<std::string>{".DEFAULT", kSid, std::string(kSid) + "_Classes"}));
    // A key only the machine has is changed there; one the user has, in the user's classes.
    ASSERT_EQ(registry.set_value(Root::ClassesRoot, "txtfile", "", type::Sz, sz("Plain text")), Status::Ok);
    ASSERT_EQ(registry.delete_key(Root::ClassesRoot, ".zzz"), Status::Ok);
    registry.flush();
    EXPECT_NE(hivexregedit_export(folder.path() / "SOFTWARE")["\\Classes\\txtfile"]["@"].find(
                  "hex(1):50,00,6c,00,61,00,69,00,6e,00"), std::string::npos);
    EXPECT_FALSE(hivexregedit_export(folder.path() / "UsrClass.dat").count("\\.zzz"));
}

// A clean's changes (keys and values removed, data that fits where the old was) are made in the
// hive's own cells; adding a key needs new cells and goes through hivex. Both ways are checked.
TEST_F(WindowsHivesTest, ASaveLeavesNothingOfWhatWasRemovedAndEveryReaderAgrees) {
    const std::string recent = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
    const std::string typed = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
    const std::string main = "Software\\Microsoft\\Internet Explorer\\Main";
    const fs::path software = folder.path() / "SOFTWARE";
    const std::string software_before = read_file(software);
    const auto software_written = fs::last_write_time(software);
    const Export before = hivexregedit_export(user_hive());
    const std::string bytes_before = read_file(user_hive());

    for (const bool adds_a_key : {false, true}) {
        SCOPED_TRACE(adds_a_key ? "through hivex" : "in the hive's cells");
        std::ofstream(user_hive(), std::ios::binary | std::ios::trunc) << bytes_before;
        Registry registry(hives());
        std::vector<std::string> removed_texts{"RecentDocs", "WINSTORE_EN-US_OfficeApp", "OfficeApp_Buy_Text",
                                               "Once_Per_Session"};
        Value url;
        for (const char* name : {"url1", "url2", "url3", "url4", "url5"}) {
            ASSERT_EQ(registry.query_value(Root::CurrentUser, typed, name, url), Status::Ok);
            removed_texts.emplace_back(reinterpret_cast<const char*>(url.data.data()));
            ASSERT_EQ(registry.delete_value(Root::CurrentUser, typed, name), Status::Ok);
        }
        delete_tree(registry, Root::CurrentUser, recent);
        ASSERT_EQ(registry.set_value(Root::CurrentUser, main, "Cache_Update_Frequency", type::Sz, sz("Never")), Status::Ok);
        ASSERT_EQ(registry.set_value(Root::CurrentUser, main, "Do404Search", type::Dword, std::vector<uint8_t>{0, 0, 0, 0}),
                  Status::Ok);
        if (adds_a_key) {
            ASSERT_EQ(registry.create_key(Root::CurrentUser, "Software\\Tavrin Test"), Status::Ok);
            ASSERT_EQ(registry.set_value(Root::CurrentUser, "Software\\Tavrin Test", "Kept", type::Dword,
                                         std::vector<uint8_t>{7, 0, 0, 0}),
                      Status::Ok);
        }
        // What was removed but is still held elsewhere (the Start Page is one of the typed addresses)
        // rightly stays.
        std::string kept;
        collect_text(registry, Root::CurrentUser, "", kept);
        std::erase_if(removed_texts, [&](const std::string& text) { return kept.find(text) != std::string::npos; });
        ASSERT_GE(removed_texts.size(), 5u);
        for (const std::string& text : removed_texts)
            ASSERT_GT(occurrences(bytes_before, text) + occurrences(bytes_before, utf16le(text)), 0u) << text;
        EXPECT_TRUE(registry.flush().empty());

        Export expected = before;
        std::erase_if(expected, [&](const auto& key) { return key.first.rfind("\\" + recent, 0) == 0; });
        expected["\\" + typed].clear();
        expected["\\" + main]["\"Cache_Update_Frequency\""] =
            "\"Cache_Update_Frequency\"=hex(1):4e,00,65,00,76,00,65,00,72,00,00,00";
        expected["\\" + main]["\"Do404Search\""] = "\"Do404Search\"=dword:00000000";
        if (adds_a_key) expected["\\Software\\Tavrin Test"]["\"Kept\""] = "\"Kept\"=dword:00000007";
        EXPECT_EQ(first_difference(hivexregedit_export(user_hive()), expected), "");
        const tavrin_test::CommandOutput reglookup = run("reglookup '" + user_hive().string() + "'");
        EXPECT_EQ(reglookup.status, 0) << reglookup.out;
        EXPECT_NE(reglookup.out.find("/Software/Microsoft/Internet Explorer/Main/Do404Search,DWORD,0x00000000"),
                  std::string::npos);
        EXPECT_EQ(reglookup.out.find("RecentDocs"), std::string::npos);
        const tavrin_test::CommandOutput regfexport = run("regfexport '" + user_hive().string() + "'");
        EXPECT_EQ(regfexport.status, 0) << regfexport.out;
        EXPECT_NE(regfexport.out.find("Cache_Update_Frequency"), std::string::npos);

        const std::string bytes_after = read_file(user_hive());
        for (const std::string& text : removed_texts) {
            EXPECT_EQ(occurrences(bytes_after, text), 0u) << text;
            EXPECT_EQ(occurrences(bytes_after, utf16le(text)), 0u) << text;
        }
        EXPECT_EQ(sequence_of(bytes_after), sequence_of(bytes_before) + 1);
        // An unchanged hive is not written.
        EXPECT_EQ(read_file(software), software_before);
        EXPECT_EQ(fs::last_write_time(software), software_written);
        // What the API reads after the save is what was saved.
        EXPECT_FALSE(registry.key_exists(Root::CurrentUser, recent));
        EXPECT_TRUE(registry.value_names(Root::CurrentUser, typed).empty());
    }
}

TEST_F(WindowsHivesTest, AHiveWindowsDidNotCloseCleanlyIsReadButNeverWritten) {
    std::string dirty = read_file(user_hive());
    const std::string clean = dirty;
    set_sequence(dirty, sequence_of(dirty) + 1);
    std::ofstream(user_hive(), std::ios::binary | std::ios::trunc) << dirty;
    {
        Registry registry(hives());
        EXPECT_NE(registry.read_only_reason().find(user_hive().string()), std::string::npos);
        EXPECT_NE(registry.read_only_reason().find("shut it down fully"), std::string::npos);
        // A preview changes the registry in memory only; that still works.
        ASSERT_EQ(registry.delete_value(Root::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1"), Status::Ok);
        Value value;
        EXPECT_EQ(registry.query_value(Root::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1", value),
                  Status::FileNotFound);
        EXPECT_THROW(registry.flush(), HiveError);
        EXPECT_THROW(registry.save_all(), HiveError);
        EXPECT_EQ(read_file(user_hive()), dirty);
    }

    // A log beside a clean hive whose header is ahead of it: Windows has changes to write into it.
    std::ofstream(user_hive(), std::ios::binary | std::ios::trunc) << clean;
    std::string log = clean.substr(0, 4096);
    set_sequence(log, sequence_of(clean) + 1);
    std::ofstream(folder.path() / "ntuser.dat.LOG1", std::ios::binary) << log;
    EXPECT_NE(Registry(hives()).read_only_reason().find("ntuser.dat.LOG1"), std::string::npos);
    // One that is not ahead holds nothing new.
    set_sequence(log, sequence_of(clean));
    std::ofstream(folder.path() / "ntuser.dat.LOG1", std::ios::binary | std::ios::trunc) << log;
    Registry registry(hives());
    EXPECT_EQ(registry.read_only_reason(), "");

    // The machine's own reason (a hibernated volume) holds every hive.
    registry.set_read_only("hibernated");
    EXPECT_NO_THROW(registry.flush());  // nothing to save
    ASSERT_EQ(registry.delete_value(Root::LocalMachine, "SYSTEM\\Select", "Current"), Status::Ok);
    try {
        registry.flush();
        ADD_FAILURE() << "saved on a read-only machine";
    } catch (const HiveError& error) {
        EXPECT_STREQ(error.what(), "hibernated");
    }
    EXPECT_EQ(read_file(user_hive()), clean);
}

TEST_F(WindowsHivesTest, DamagedHivesAreRefusedWithTheirPathOrReadWithoutHarm) {
    const std::string good = read_file(user_hive());
    const auto open_and_walk = [&](const std::string& bytes) {
        std::ofstream(user_hive(), std::ios::binary | std::ios::trunc) << bytes;
        try {
            Registry registry(hives());
            Export walked;
            export_through_api(registry, Root::CurrentUser, "", "", walked);
        } catch (const HiveError& error) {
            EXPECT_NE(std::string(error.what()).find(user_hive().string()), std::string::npos) << error.what();
        }
        EXPECT_EQ(read_file(user_hive()), bytes);
    };
    std::string wrong_checksum = good;
    wrong_checksum[508] ^= 1;
    std::ofstream(user_hive(), std::ios::binary | std::ios::trunc) << wrong_checksum;
    EXPECT_THROW(Registry{hives()}, HiveError);
    for (size_t length = 0; length < good.size(); length += 4096) open_and_walk(good.substr(0, length));
    // Cell sizes, list offsets and data lengths changed at random places.
    uint32_t seed = 12345;
    for (int round = 0; round < 60; ++round) {
        std::string damaged = good;
        for (int i = 0; i < 8; ++i) {
            seed = seed * 1103515245u + 12345u;
            const size_t at = 4096 + (seed >> 4) % (damaged.size() - 4100);
            damaged[at] = static_cast<char>(seed >> 24);
        }
        open_and_walk(damaged);
        // A clean's removals on a damaged hive are refused with the file as it was, or make a hive
        // that an independent reader opens whenever it opened the damaged one.
        const auto readable = [&](const fs::path& hive) {
            return run("hivexregedit --export '" + hive.string() + "' '\\' >/dev/null 2>&1").status == 0;
        };
        std::ofstream(user_hive(), std::ios::binary | std::ios::trunc) << damaged;
        try {
            Registry registry(hives());
            // A damaged hive may hide some keys: whatever can be removed is.
            const std::function<void(const std::string&)> remove = [&](const std::string& path) {
                for (const std::string& child : registry.subkey_names(Root::CurrentUser, path)) remove(path + "\\" + child);
                registry.delete_key(Root::CurrentUser, path);
            };
            remove("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
            registry.delete_value(Root::CurrentUser, "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1");
            registry.flush();
        } catch (const HiveError& error) {
            EXPECT_EQ(read_file(user_hive()), damaged) << error.what();
            continue;
        }
        if (!readable(user_hive())) {
            std::ofstream(folder.path() / "damaged", std::ios::binary) << damaged;
            EXPECT_FALSE(readable(folder.path() / "damaged")) << round;
        }
    }
}

TEST_F(WindowsHivesTest, ManySubkeysAndNamesWithEveryUtf16UnitRoundTrip) {
    // hivex rewrites a key's whole subkey list for every key it adds, so a hive with ten thousand
    // subkeys in one key takes minutes to build and hundreds of megabytes: two thousand here.
    std::vector<RegfKey> keys;
    for (int i = 0; i < 2'000; ++i) keys.push_back({"Many\\Key" + std::to_string(i), {}});
    std::vector<std::string> names;
    std::u16string name;
    for (char32_t unit = 1; unit <= 0xFFFF; ++unit) {
        if (unit == u'\\' || (unit >= 0xD800 && unit <= 0xDFFF)) continue;
        name += static_cast<char16_t>(unit);
        if (name.size() == kMaxKeyNameLength || unit == 0xFFFF) {
            names.push_back(utf16_to_utf8(name));
            keys.push_back({"Names\\" + names.back(), {}});
            name.clear();
        }
    }
    ASSERT_TRUE(tavrin_test::make_regf_hive(template_hive, folder.path() / "SOFTWARE", keys));
    Registry registry(hives());
    EXPECT_EQ(registry.subkey_names(Root::LocalMachine, "SOFTWARE\\Many").size(), 2'000u);
    EXPECT_TRUE(registry.key_exists(Root::LocalMachine, "SOFTWARE\\Many\\key1999"));
    for (const std::string& each : names) ASSERT_TRUE(registry.key_exists(Root::LocalMachine, "SOFTWARE\\Names\\" + each));
    ASSERT_EQ(registry.delete_key(Root::LocalMachine, "SOFTWARE\\Names\\" + names[3]), Status::Ok);
    ASSERT_EQ(registry.set_value(Root::LocalMachine, "SOFTWARE\\Names\\" + names[4], names[5], type::Sz, sz(names[6])), Status::Ok);
    registry.flush();
    Registry reread(hives());
    EXPECT_EQ(reread.subkey_names(Root::LocalMachine, "SOFTWARE\\Names").size(), names.size() - 1);
    Value value;
    ASSERT_EQ(reread.query_value(Root::LocalMachine, "SOFTWARE\\Names\\" + names[4], names[5], value), Status::Ok);
    EXPECT_EQ(value.data, sz(names[6]));
    EXPECT_EQ(run("hivexregedit --export '" + (folder.path() / "SOFTWARE").string() + "' '\\' >/dev/null").status, 0);
}

}  // namespace
