// The registry store on real hive files in a temporary folder: Wine's format both ways, Win32
// semantics, and what happens to the files on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fs/write_faults.h"
#include "platform/registry/registry.h"

namespace fs = std::filesystem;
using namespace platform::registry;

namespace {

const fs::path fixture_dir = fs::path(TAVRIN_FIXTURES_DIR) / "wine-prefix";
const char* const hive_files[] = {"system.reg", "user.reg", "userdef.reg"};

std::string read_file(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const fs::path& file, std::string_view contents) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << contents;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }
// A string value as the ANSI view carries it: with its terminating NUL.
std::vector<uint8_t> sz(std::string_view text) {
    auto data = bytes(text);
    data.push_back(0);
    return data;
}

class RegistryStore : public ::testing::Test {
protected:
    RegistryStore() {
        std::random_device random;
        dir = fs::temp_directory_path() / ("tavrin-registry-" + std::to_string(random()));
        fs::create_directories(dir);
    }
    ~RegistryStore() override { fs::remove_all(dir); }

    void copy_fixture() {
        for (const char* name : hive_files) {
            fs::copy_file(fixture_dir / name, dir / name);
            fs::permissions(dir / name, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
        }
    }

    // A hive file of our own: the signature line, then the given lines.
    void write_hive(const char* name, std::string_view body) {
        write_file(dir / name, "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n" +
                                   std::string(body));
    }

    std::string hive_text(const char* name) const { return read_file(dir / name); }

    // The file's lines without the time stamps a change gives a key.
    std::vector<std::string> lines_without_times(const std::string& text) const {
        std::vector<std::string> out;
        for (std::string line : lines_of(text)) {
            if (line.starts_with("#time=")) continue;
            if (line.starts_with("[")) line = line.substr(0, line.rfind(']') + 1);
            out.push_back(line);
        }
        return out;
    }

    std::vector<fs::path> stray_files() const {
        std::vector<fs::path> stray;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name != "system.reg" && name != "user.reg" && name != "userdef.reg") stray.push_back(entry.path());
        }
        return stray;
    }

    Value query(Registry& registry, Root root, std::string_view path, std::string_view name) {
        Value value;
        EXPECT_EQ(registry.query_value(root, path, name, value), Status::Ok) << path << " : " << name;
        return value;
    }

    fs::path dir;
};

// Sets every value of a tree to something else and back to what it held, so that every key and
// value is written anew from the model rather than copied from the loaded text.
void rewrite_tree(Registry& registry, Root root, const std::string& path) {
    for (const std::string& name : registry.value_names(root, path)) {
        Value value;
        ASSERT_EQ(registry.query_value(root, path, name, value), Status::Ok);
        ASSERT_EQ(registry.set_value(root, path, name, type::Dword, std::vector<uint8_t>{1, 2, 3, 4}), Status::Ok);
        ASSERT_EQ(registry.set_value(root, path, name, value.type, value.data), Status::Ok);
    }
    for (const std::string& key : registry.subkey_names(root, path))
        rewrite_tree(registry, root, path.empty() ? key : path + "\\" + key);
}

TEST_F(RegistryStore, RealPrefixSavesByteIdenticalAndRewritesInWinesOwnLayout) {
    copy_fixture();
    {
        Registry registry(dir);
        EXPECT_FALSE(registry.has_unsaved_changes());
        registry.save_all();
    }
    for (const char* name : hive_files) EXPECT_EQ(hive_text(name), read_file(fixture_dir / name)) << name;

    // Regenerating every value must give back Wine's text exactly: escapes, non-ASCII, hex
    // wrapping, str(2)/str(7), hex(N). Only the key time stamps may differ.
    Registry registry(dir);
    rewrite_tree(registry, Root::LocalMachine, "");
    rewrite_tree(registry, Root::CurrentUser, "");
    rewrite_tree(registry, Root::Users, ".Default");
    registry.flush();
    for (const char* name : hive_files)
        EXPECT_EQ(lines_without_times(hive_text(name)), lines_without_times(read_file(fixture_dir / name))) << name;
}

TEST_F(RegistryStore, ChangeRewritesOnlyTheChangedKeyAndFlushWritesOnlyChangedHives) {
    copy_fixture();
    const auto before = std::chrono::system_clock::now();
    Registry registry(dir);
    ASSERT_EQ(registry.set_value(Root::CurrentUser, "Software\\PlanTest\\Periodic", "t", type::Sz, sz("9")), Status::Ok);
    EXPECT_TRUE(registry.has_unsaved_changes());
    fs::remove(dir / "system.reg");  // an unchanged hive must not be written at all
    registry.flush();
    EXPECT_FALSE(registry.has_unsaved_changes());
    EXPECT_FALSE(fs::exists(dir / "system.reg"));
    EXPECT_TRUE(stray_files().empty());

    const auto original = lines_of(read_file(fixture_dir / "user.reg"));
    const auto saved = lines_of(hive_text("user.reg"));
    ASSERT_EQ(saved.size(), original.size());
    std::vector<std::string> changed;
    for (size_t i = 0; i < saved.size(); ++i)
        if (saved[i] != original[i]) changed.push_back(saved[i]);
    ASSERT_EQ(changed.size(), 3u);
    EXPECT_TRUE(changed[0].starts_with("[Software\\\\PlanTest\\\\Periodic] "));
    EXPECT_TRUE(changed[1].starts_with("#time="));
    EXPECT_EQ(changed[2], "\"t\"=\"9\"");

    // The new stamp is now, in both forms: seconds since 1970 and a FILETIME.
    const auto after = std::chrono::system_clock::now();
    const auto seconds = std::stoull(changed[0].substr(changed[0].rfind(' ') + 1));
    const auto filetime = std::stoull(changed[1].substr(6), nullptr, 16);
    const auto to_seconds = [](auto t) {
        return static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count());
    };
    EXPECT_GE(seconds, to_seconds(before));
    EXPECT_LE(seconds, to_seconds(after));
    EXPECT_EQ(filetime / 10'000'000 - 11644473600ull, seconds);
}

TEST_F(RegistryStore, SettingAValueToWhatItHoldsLeavesTheHiveUnsaved) {
    write_hive("system.reg",
               "\n[Software\\\\Same] 1700000000\n"
               "\"Text\"=\"abc\"\n"
               "\"Hand\"=hex(1):61,00,62,00,00,00\n"  // "ab" written as hex by hand
               "\"Count\"=dword:0000002a\n");
    const std::string original = hive_text("system.reg");
    Registry registry(dir);
    registry.flush();  // the two missing hives are written once
    const auto written = fs::last_write_time(dir / "system.reg");
    ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\Same", "Text", type::Sz, sz("abc")), Status::Ok);
    ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\Same", "hand", type::Sz, sz("ab")), Status::Ok);
    ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\Same", "Count", type::Dword, std::vector<uint8_t>{42, 0, 0, 0}),
              Status::Ok);
    EXPECT_FALSE(registry.has_unsaved_changes());
    registry.flush();
    EXPECT_EQ(fs::last_write_time(dir / "system.reg"), written);
    EXPECT_EQ(hive_text("system.reg"), original);

    // The same data under another type is a change.
    ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\Same", "Text", type::ExpandSz, sz("abc")), Status::Ok);
    EXPECT_TRUE(registry.has_unsaved_changes());
    registry.flush();
    Registry reloaded(dir);
    EXPECT_EQ(query(reloaded, Root::LocalMachine, "Software\\Same", "Text").type, type::ExpandSz);
    EXPECT_EQ(query(reloaded, Root::LocalMachine, "Software\\Same", "Hand").data, sz("ab"));
}

// Every change is kept as text until the save; a value changed over and over leaves old text
// behind, which is dropped from time to time without losing what the other values hold.
TEST_F(RegistryStore, ValuesChangedManyTimesKeepTheirLatestDataThroughTheSave) {
    Registry registry(dir);
    ASSERT_EQ(registry.create_key(Root::LocalMachine, "Software\\Churn"), Status::Ok);
    ASSERT_EQ(registry.create_key(Root::LocalMachine, "Software\\Gone"), Status::Ok);
    ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\Gone", "big", type::Binary, std::vector<uint8_t>(50'000, 7)),
              Status::Ok);
    ASSERT_EQ(registry.delete_key(Root::LocalMachine, "Software\\Gone"), Status::Ok);
    std::vector<std::vector<uint8_t>> latest(4);
    for (int round = 0; round < 200; ++round) {
        for (size_t v = 0; v < latest.size(); ++v) {
            latest[v].assign(3000 + round * 7 + v, static_cast<uint8_t>(round + v));
            ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\Churn", "v" + std::to_string(v), type::Binary,
                                         latest[v]),
                      Status::Ok);
        }
        if (round == 100) {
            ASSERT_EQ(registry.delete_value(Root::LocalMachine, "Software\\Churn", "v3"), Status::Ok);
        }
    }
    for (size_t v = 0; v < latest.size(); ++v)
        EXPECT_EQ(query(registry, Root::LocalMachine, "Software\\Churn", "v" + std::to_string(v)).data, latest[v]) << v;
    registry.flush();
    EXPECT_LT(fs::file_size(dir / "system.reg"), 60'000u);  // only the latest data is saved
    Registry reloaded(dir);
    for (size_t v = 0; v < latest.size(); ++v)
        EXPECT_EQ(query(reloaded, Root::LocalMachine, "Software\\Churn", "v" + std::to_string(v)).data, latest[v]) << v;
    EXPECT_FALSE(reloaded.key_exists(Root::LocalMachine, "Software\\Gone"));
}

TEST_F(RegistryStore, EveryValueTypeRoundTripsThroughTheFileInWinesForms) {
    Registry registry(dir);
    const std::string key = "Software\\Types";
    ASSERT_EQ(registry.create_key(Root::LocalMachine, key), Status::Ok);
    const std::vector<uint8_t> multi = {'a', 0, 'b', 'c', 0, 0};
    const std::vector<uint8_t> qword = {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
    const std::vector<uint8_t> long_binary(40, 0xab);
    struct Case {
        std::string name;
        uint32_t type;
        std::vector<uint8_t> data;
        std::string line;  // as Wine writes it
    };
    const std::vector<Case> cases = {
        {"", type::Sz, sz("default"), "@=\"default\""},
        {"Sz", type::Sz, sz("quote\" back\\ tab\t nl\n"), "\"Sz\"=\"quote\\\" back\\\\ tab\\t nl\\n\""},
        {"Empty", type::Sz, sz(""), "\"Empty\"=\"\""},
        {"Expand", type::ExpandSz, sz("%TEMP%\\x"), "\"Expand\"=str(2):\"%TEMP%\\\\x\""},
        {"Multi", type::MultiSz, multi, "\"Multi\"=str(7):\"a\\0bc\\0\""},
        {"Dword", type::Dword, {0x2a, 0, 0, 0}, "\"Dword\"=dword:0000002a"},
        {"BigEndian", type::DwordBigEndian, {1, 2, 3, 4}, "\"BigEndian\"=hex(5):01,02,03,04"},
        {"Binary", type::Binary, {1, 0xff}, "\"Binary\"=hex:01,ff"},
        {"EmptyBinary", type::Binary, {}, "\"EmptyBinary\"=hex:"},
        {"Qword", type::Qword, qword, "\"Qword\"=hex(b):88,77,66,55,44,33,22,11"},
        {"None", type::None, {}, "\"None\"=hex(0):"},
        {"Unterminated", type::Sz, bytes("ab"), "\"Unterminated\"=hex(1):61,00,62,00"},
        {"ShortDword", type::Dword, {1, 2}, "\"ShortDword\"=hex(4):01,02"},
        {"Umlaut", type::Sz, sz("Grüße"), "\"Umlaut\"=\"Gr\\xfc\\x00dfe\""},
        {"Smile", type::Sz, sz("\xF0\x9F\x98\x80!"), "\"Smile\"=\"\\xd83d\\xde00!\""},
        {"Long", type::Binary, long_binary, ""},
    };
    for (const Case& c : cases) ASSERT_EQ(registry.set_value(Root::LocalMachine, key, c.name, c.type, c.data), Status::Ok) << c.name;
    registry.flush();

    const std::string text = hive_text("system.reg");
    for (const Case& c : cases) {
        if (c.line.empty()) continue;
        EXPECT_NE(text.find("\n" + c.line + "\n"), std::string::npos) << c.line;
    }
    // Long hex data wraps after column 76 with a backslash, continued two spaces in.
    EXPECT_NE(text.find("\"Long\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\n  ab,"),
              std::string::npos);

    Registry reloaded(dir);
    for (const Case& c : cases) {
        const Value value = query(reloaded, Root::LocalMachine, key, c.name);
        EXPECT_EQ(value.type, c.type) << c.name;
        EXPECT_EQ(value.data, c.data) << c.name;
    }
}

TEST_F(RegistryStore, ReadsEveryFormWineAcceptsIncludingHandWrittenOnes) {
    write_hive("system.reg",
               "\n[Software\\\\Forms] 1700000000\n"
               "\"Old\"=str:\"old style\"\n"
               "\"Octal\"=\"\\101\\0102\"\n"
               "\"HexEscape\"=\"\\x41\\x00e9z\"\n"
               "\"RawUtf8\"=\"Grüße\"\n"
               "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\n"
               "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
               "  \"Indented\"=dword:00000007\n"
               "\"Spaced\" = dword:1\n"
               "\"Wrapped\"=hex:01,02,\\\n  03,\\\r\n  04\r\n"
               "\"Quote\\\"Name\"=\"x\"\n");
    Registry registry(dir);
    const std::string key = "Software\\Forms";
    EXPECT_EQ(query(registry, Root::LocalMachine, key, "Old").data, sz("old style"));
    EXPECT_EQ(query(registry, Root::LocalMachine, key, "Octal").data, sz("A\b2"));
    EXPECT_EQ(query(registry, Root::LocalMachine, key, "HexEscape").data, sz("A\xC3\xA9z"));
    EXPECT_EQ(query(registry, Root::LocalMachine, key, "RawUtf8").data, sz("Grüße"));
    const Value expand = query(registry, Root::LocalMachine, key, "Expand");
    EXPECT_EQ(expand.type, type::ExpandSz);
    EXPECT_EQ(expand.data, sz("%A%"));
    EXPECT_EQ(query(registry, Root::LocalMachine, key, "Multi").data, (std::vector<uint8_t>{'a', 0, 'b', 0, 0}));
    EXPECT_EQ(query(registry, Root::LocalMachine, key, "Indented").data, (std::vector<uint8_t>{7, 0, 0, 0}));
    EXPECT_EQ(query(registry, Root::LocalMachine, key, "Spaced").data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(query(registry, Root::LocalMachine, key, "Wrapped").data, (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(query(registry, Root::LocalMachine, key, "Quote\"Name").data, sz("x"));
}

TEST_F(RegistryStore, NamesAreCaseInsensitiveAndKeepTheirFirstSpelling) {
    copy_fixture();
    Registry registry(dir);
    EXPECT_TRUE(registry.key_exists(Root::CurrentUser, "SOFTWARE\\plantest\\GRÜSSE KEY") == false);
    EXPECT_TRUE(registry.key_exists(Root::CurrentUser, "SOFTWARE\\plantest\\GRÜßE KEY"));
    EXPECT_EQ(query(registry, Root::CurrentUser, "software\\PlanTest\\key with space", "grÜße name").type, type::Dword);

    ASSERT_EQ(registry.create_key(Root::CurrentUser, "Software\\MixedCase\\Ünder"), Status::Ok);
    ASSERT_EQ(registry.create_key(Root::CurrentUser, "SOFTWARE\\MIXEDCASE\\üNDER"), Status::Ok);
    EXPECT_EQ(registry.subkey_names(Root::CurrentUser, "software\\mixedcase"), std::vector<std::string>{"Ünder"});
    ASSERT_EQ(registry.set_value(Root::CurrentUser, "Software\\MixedCase", "Name", type::Sz, sz("one")), Status::Ok);
    ASSERT_EQ(registry.set_value(Root::CurrentUser, "SOFTWARE\\MIXEDCASE", "NAME", type::Sz, sz("two")), Status::Ok);
    registry.flush();

    Registry reloaded(dir);
    EXPECT_EQ(reloaded.value_names(Root::CurrentUser, "Software\\MixedCase"), std::vector<std::string>{"Name"});
    EXPECT_EQ(query(reloaded, Root::CurrentUser, "Software\\MixedCase", "name").data, sz("two"));
    std::string name;
    ASSERT_EQ(reloaded.enum_key(Root::CurrentUser, "Software", 0, name), Status::Ok);
    EXPECT_TRUE(reloaded.key_exists(Root::CurrentUser, "Software\\MixedCase\\ünder"));
}

TEST_F(RegistryStore, DeletionFollowsWin32Rules) {
    copy_fixture();
    Registry registry(dir);
    EXPECT_EQ(registry.delete_key(Root::CurrentUser, "Software\\PlanTest"), Status::KeyHasChildren);
    EXPECT_TRUE(registry.key_exists(Root::CurrentUser, "Software\\PlanTest\\Periodic"));
    EXPECT_EQ(registry.delete_key(Root::CurrentUser, "Software\\PlanTest\\Periodic"), Status::Ok);
    EXPECT_FALSE(registry.key_exists(Root::CurrentUser, "Software\\PlanTest\\Periodic"));
    EXPECT_EQ(registry.delete_key(Root::CurrentUser, "Software\\PlanTest\\Periodic"), Status::FileNotFound);
    EXPECT_EQ(registry.delete_key(Root::CurrentUser, ""), Status::InvalidParameter);
    EXPECT_EQ(registry.delete_key(Root::ClassesRoot, ""), Status::InvalidParameter);
    EXPECT_EQ(registry.delete_key(Root::Users, ".Default"), Status::AccessDenied);
    EXPECT_EQ(registry.delete_key(static_cast<Root>(0x80000004u), "Software"), Status::InvalidParameter);

    const std::string key = "Software\\PlanTest\\Key With Space";
    EXPECT_EQ(registry.delete_value(Root::CurrentUser, key, "DwVal"), Status::Ok);
    EXPECT_EQ(registry.delete_value(Root::CurrentUser, key, "DwVal"), Status::FileNotFound);
    EXPECT_EQ(registry.delete_value(Root::CurrentUser, key, ""), Status::Ok);  // the default value
    EXPECT_EQ(registry.delete_value(Root::CurrentUser, "Software\\Missing", "x"), Status::FileNotFound);
    registry.flush();

    Registry reloaded(dir);
    EXPECT_FALSE(reloaded.key_exists(Root::CurrentUser, "Software\\PlanTest\\Periodic"));
    EXPECT_TRUE(reloaded.key_exists(Root::CurrentUser, "Software\\PlanTest"));
    Value value;
    EXPECT_EQ(reloaded.query_value(Root::CurrentUser, key, "DwVal", value), Status::FileNotFound);
    EXPECT_EQ(reloaded.query_value(Root::CurrentUser, key, "", value), Status::FileNotFound);
    EXPECT_EQ(query(reloaded, Root::CurrentUser, key, "BinVal").data, (std::vector<uint8_t>{1, 2, 0xab, 0xcd, 0xef}));
    EXPECT_EQ(hive_text("user.reg").find("\"DwVal\"=dword:12345678"), std::string::npos);
}

TEST_F(RegistryStore, EnumerationFollowsWinesOrderAndNewEntriesGoToTheirSortedPlace) {
    copy_fixture();
    Registry registry(dir);
    const std::string key = "Software\\PlanTest";
    // Wine sorts by lower case, so "_" (0x5F) comes before letters, and a shorter name first.
    for (const char* name : {"Zeta", "_under", "key", "Key With Spacf"}) ASSERT_EQ(registry.create_key(Root::CurrentUser, key + "\\" + name), Status::Ok);
    const std::vector<std::string> expected = {"_under", "Grüße Key", "key", "Key With Space", "Key With Spacf",
                                               "Periodic", "Zeta"};
    EXPECT_EQ(registry.subkey_names(Root::CurrentUser, key), std::vector<std::string>(expected));
    std::string name;
    EXPECT_EQ(registry.enum_key(Root::CurrentUser, key, 6, name), Status::Ok);
    EXPECT_EQ(name, "Zeta");
    EXPECT_EQ(registry.enum_key(Root::CurrentUser, key, 7, name), Status::NoMoreItems);
    EXPECT_EQ(registry.enum_key(Root::CurrentUser, "Software\\Missing", 0, name), Status::FileNotFound);

    ASSERT_EQ(registry.set_value(Root::CurrentUser, key + "\\Key With Space", "C", type::Sz, sz("c")), Status::Ok);
    auto values = registry.value_names(Root::CurrentUser, key + "\\Key With Space");
    ASSERT_GE(values.size(), 5u);
    EXPECT_EQ(values[0], "");  // the default value sorts first
    EXPECT_EQ(values[1], "AddedBySed");
    EXPECT_EQ(values[3], "BinVal");
    EXPECT_EQ(values[4], "C");
    Value value;
    EXPECT_EQ(registry.enum_value(Root::CurrentUser, key + "\\Key With Space", 4, name, &value), Status::Ok);
    EXPECT_EQ(value.data, sz("c"));
    EXPECT_EQ(registry.enum_value(Root::CurrentUser, key + "\\Key With Space", 99, name), Status::NoMoreItems);

    registry.flush();
    Registry reloaded(dir);
    EXPECT_EQ(reloaded.subkey_names(Root::CurrentUser, key), std::vector<std::string>(expected));
    EXPECT_EQ(reloaded.value_names(Root::CurrentUser, key + "\\Key With Space"), values);
}

// A whole key read in one lookup says exactly what enumeration and queries say one by one.
TEST_F(RegistryStore, AWholeKeyReadInOneLookupMatchesEnumerationAndQueries) {
    copy_fixture();
    Registry registry(dir);
    const std::string key = "Software\\PlanTest";
    ASSERT_EQ(registry.set_value(Root::CurrentUser, key + "\\Periodic", "Shared", type::Sz, sz("periodic")), Status::Ok);
    ASSERT_EQ(registry.set_value(Root::CurrentUser, key + "\\Key With Space", "shared", type::Dword, std::vector<uint8_t>{7, 0, 0, 0}),
              Status::Ok);
    for (const std::string& path : {key, key + "\\Key With Space", key + "\\Periodic"}) {
        auto whole = registry.values(Root::CurrentUser, path);
        ASSERT_EQ(whole.size(), registry.value_names(Root::CurrentUser, path).size()) << path;
        for (uint32_t i = 0; i < whole.size(); ++i) {
            std::string name;
            Value value;
            ASSERT_EQ(registry.enum_value(Root::CurrentUser, path, i, name, &value), Status::Ok);
            EXPECT_EQ(whole[i].name, name);
            ASSERT_TRUE(whole[i].value) << name;
            EXPECT_EQ(whole[i].value->type, value.type) << name;
            EXPECT_EQ(whole[i].value->data, value.data) << name;
        }
    }
    auto shared = registry.subkey_values(Root::CurrentUser, key, "SHARED");
    ASSERT_EQ(shared.size(), registry.subkey_names(Root::CurrentUser, key).size());
    for (const auto& [name, value] : shared) {
        Value queried;
        bool present = registry.query_value(Root::CurrentUser, key + "\\" + name, "Shared", queried) == Status::Ok;
        ASSERT_EQ(value.has_value(), present) << name;
        if (present) {
            EXPECT_EQ(value->data, queried.data) << name;
        }
    }
    EXPECT_EQ(std::count_if(shared.begin(), shared.end(), [](const auto& item) { return item.value.has_value(); }), 2);
    EXPECT_TRUE(registry.values(Root::CurrentUser, "Software\\Missing").empty());
    EXPECT_TRUE(registry.subkey_values(Root::CurrentUser, "Software\\Missing", "").empty());
    EXPECT_EQ(registry.subkey_values(Root::Users, "", "").size(), registry.subkey_names(Root::Users, "").size());
}

TEST_F(RegistryStore, AHandEditedFileKeepsItsOrderAndItsUnknownLines) {
    const std::string body =
        "; a comment the user wrote\n"
        "\n[Software\\\\b] 1700000000\n#time=1d9000000000000\n#class=\"cls\"\nwhatever this is\n"
        "\"z\"=\"1\"\n; about a\n\"a\"=\"2\"\n"
        "\n[Software\\\\a] 1700000000\n\"v\"=\"3\"";  // no final newline
    write_hive("system.reg", body);
    const std::string original = hive_text("system.reg");
    {
        Registry registry(dir);
        EXPECT_EQ(registry.subkey_names(Root::LocalMachine, "Software"), (std::vector<std::string>{"b", "a"}));
        EXPECT_EQ(registry.value_names(Root::LocalMachine, "Software\\b"), (std::vector<std::string>{"z", "a"}));
        registry.save_all();
        EXPECT_EQ(hive_text("system.reg"), original);

        ASSERT_EQ(registry.create_key(Root::LocalMachine, "Software\\aa"), Status::Ok);
        ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\b", "n", type::Sz, sz("5")), Status::Ok);
        ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\a", "w", type::Sz, sz("6")), Status::Ok);
        registry.flush();
    }
    Registry registry(dir);
    EXPECT_EQ(registry.subkey_names(Root::LocalMachine, "Software"), (std::vector<std::string>{"aa", "b", "a"}));
    EXPECT_EQ(registry.value_names(Root::LocalMachine, "Software\\b"), (std::vector<std::string>{"n", "z", "a"}));
    EXPECT_EQ(registry.value_names(Root::LocalMachine, "Software\\a"), (std::vector<std::string>{"v", "w"}));
    const std::string text = hive_text("system.reg");
    for (const char* kept : {"; a comment the user wrote\n", "#class=\"cls\"\nwhatever this is\n", "; about a\n",
                             "\"v\"=\"3\"\n\"w\"=\"6\"\n"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept;
    EXPECT_EQ(text.find("#time=1d9000000000000"), std::string::npos);  // the changed key got a new stamp
}

// A user.reg edited on Windows ends its lines with CRLF; what the program adds must not leave
// the file with two kinds of line end.
TEST_F(RegistryStore, AFileWithCrlfLineEndsKeepsThemForNewAndChangedLines) {
    copy_fixture();
    std::string crlf;
    for (const std::string& line : lines_of(read_file(fixture_dir / "user.reg"))) crlf += line + "\r\n";
    write_file(dir / "user.reg", crlf);
    {
        Registry registry(dir);
        ASSERT_EQ(registry.create_key(Root::CurrentUser, "Software\\Tavrin\\New"), Status::Ok);
        ASSERT_EQ(registry.set_value(Root::CurrentUser, "Software\\Tavrin\\New", "v", type::Binary,
                                     std::vector<uint8_t>(60, 0xab)), Status::Ok);  // wraps over lines
        ASSERT_EQ(registry.set_value(Root::CurrentUser, "Software\\Tavrin\\New", "s", type::Sz, sz("x")),
                  Status::Ok);
        registry.flush();
    }
    const std::string text = hive_text("user.reg");
    ASSERT_NE(text.find("[Software\\\\Tavrin\\\\New]"), std::string::npos);
    size_t bare = 0, lines = 0;
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1), ++lines)
        if (at == 0 || text[at - 1] != '\r') ++bare;
    EXPECT_EQ(bare, 0u) << "of " << lines << " lines";
    EXPECT_GT(lines, lines_of(crlf).size());

    Registry again(dir);
    EXPECT_EQ(query(again, Root::CurrentUser, "Software\\Tavrin\\New", "v").data, std::vector<uint8_t>(60, 0xab));
}

TEST_F(RegistryStore, AKeyGivenTwiceIsMergedAndTheLaterValueWins) {
    write_hive("system.reg",
               "\n[Software\\\\k] 1\n\"x\"=\"first\"\n\"y\"=\"1\"\n"
               "\n[Software\\\\l] 1\n\"v\"=\"2\"\n"
               "\n[Software\\\\K] 1\n\"X\"=\"second\"\n\"z\"=\"3\"\n");
    {
        Registry registry(dir);
        EXPECT_EQ(registry.subkey_names(Root::LocalMachine, "Software"), (std::vector<std::string>{"k", "l"}));
        EXPECT_EQ(registry.value_names(Root::LocalMachine, "Software\\k"), (std::vector<std::string>{"x", "y", "z"}));
        EXPECT_EQ(query(registry, Root::LocalMachine, "Software\\k", "x").data, sz("second"));
        registry.save_all();
    }
    const std::string text = hive_text("system.reg");
    EXPECT_EQ(text.find("[Software\\\\K]"), std::string::npos);
    EXPECT_EQ(text.find("first"), std::string::npos);
    Registry registry(dir);
    EXPECT_EQ(query(registry, Root::LocalMachine, "Software\\k", "x").data, sz("second"));
    EXPECT_EQ(query(registry, Root::LocalMachine, "Software\\k", "z").data, sz("3"));
    EXPECT_EQ(query(registry, Root::LocalMachine, "Software\\l", "v").data, sz("2"));
}

TEST_F(RegistryStore, KeysChangedOnlyThroughTheirSubkeysKeepTheirValuesAndComments) {
    // Neither parent's values are read before its subkeys change: the rewrite of its section must
    // still carry every value, the continued hex lines and the comment that follows.
    write_hive("system.reg",
               "\n[Software\\\\Gains] 1\n#time=1d9000000000000\n\"a\"=\"1\"\n; keep me\n"
               "\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
               "  17,18\n\"z\"=dword:00000002\n"
               "\n[Software\\\\Loses] 1\n\"b\"=\"2\"\n"
               "\n[Software\\\\Loses\\\\Child] 1\n\"c\"=\"3\"\n");
    {
        Registry registry(dir);
        ASSERT_EQ(registry.create_key(Root::LocalMachine, "Software\\Gains\\New"), Status::Ok);
        ASSERT_EQ(registry.delete_key(Root::LocalMachine, "Software\\Loses\\Child"), Status::Ok);
        registry.flush();
    }
    const std::string text = hive_text("system.reg");
    EXPECT_NE(text.find("\"a\"=\"1\"\n; keep me\n\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,"
                        "13,14,15,16,\\\n  17,18\n\"z\"=dword:00000002\n"),
              std::string::npos)
        << text;
    Registry registry(dir);
    EXPECT_EQ(registry.value_names(Root::LocalMachine, "Software\\Gains"), (std::vector<std::string>{"a", "bin", "z"}));
    EXPECT_EQ(query(registry, Root::LocalMachine, "Software\\Gains", "bin").data.size(), 25u);
    EXPECT_EQ(query(registry, Root::LocalMachine, "Software\\Loses", "b").data, sz("2"));
    EXPECT_TRUE(registry.key_exists(Root::LocalMachine, "Software\\Gains\\New"));
    EXPECT_FALSE(registry.key_exists(Root::LocalMachine, "Software\\Loses\\Child"));
}

// A changed key is written with its path as its key line spelled it, escapes and all (the
// spelling was checked when the file was loaded); only its time stamp is new.
TEST_F(RegistryStore, AChangedKeyKeepsThePathItsKeyLineSpelledWithANewTimeStamp) {
    write_hive("system.reg",
               "\n  [Software\\\\Caf\\xe9 \\x0041\\\\Tag\\]s\\\\\\\\Leaf] 1\n#time=1d9000000000000\n\"v\"=\"1\"\n");
    {
        Registry registry(dir);
        ASSERT_TRUE(registry.key_exists(Root::LocalMachine, "Software\\Caf\xC3\xA9 A\\Tag]s\\Leaf"));
        ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\CAF\xC3\xA9 a\\tag]s\\leaf", "v", type::Sz, sz("2")),
                  Status::Ok);
        registry.flush();
    }
    const std::vector<std::string> lines = lines_of(hive_text("system.reg"));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[5].substr(0, lines[5].rfind(']') + 1), "[Software\\\\Caf\\xe9 \\x0041\\\\Tag\\]s\\\\\\\\Leaf]");
    EXPECT_TRUE(lines[6].starts_with("#time=") && lines[6] != "#time=1d9000000000000") << lines[6];
    EXPECT_EQ(lines[7], "\"v\"=\"2\"");
    Registry registry(dir);
    EXPECT_EQ(query(registry, Root::LocalMachine, "Software\\Caf\xC3\xA9 A\\Tag]s\\Leaf", "v").data, sz("2"));
}

TEST_F(RegistryStore, SectionsThatShareNamePrefixesBuildTheRightTree) {
    // Paths that agree byte for byte beyond a component boundary must not be taken for the same key.
    write_hive("system.reg",
               "\n[A\\\\Item1] 1\n\"v\"=\"1\"\n"
               "\n[A\\\\Item10] 1\n\"v\"=\"10\"\n"
               "\n[A\\\\Item10\\\\Sub] 1\n\"v\"=\"sub\"\n"
               "\n[A\\\\Item1\\\\Sub] 1\n\"v\"=\"1sub\"\n"
               "\n[A] 1\n\"v\"=\"a\"\n"
               "\n[A\\\\\\\\Item2\\\\] 1\n\"v\"=\"2\"\n"
               "\n[] 1\n\"v\"=\"root\"\n");
    Registry registry(dir);
    EXPECT_EQ(registry.subkey_names(Root::LocalMachine, ""), std::vector<std::string>{"A"});
    EXPECT_EQ(registry.subkey_names(Root::LocalMachine, "A"), (std::vector<std::string>{"Item1", "Item10", "Item2"}));
    EXPECT_EQ(query(registry, Root::LocalMachine, "A", "v").data, sz("a"));
    EXPECT_EQ(query(registry, Root::LocalMachine, "A\\Item1", "v").data, sz("1"));
    EXPECT_EQ(query(registry, Root::LocalMachine, "A\\Item1\\Sub", "v").data, sz("1sub"));
    EXPECT_EQ(query(registry, Root::LocalMachine, "A\\Item10\\Sub", "v").data, sz("sub"));
    EXPECT_EQ(query(registry, Root::LocalMachine, "A\\Item2", "v").data, sz("2"));
    EXPECT_EQ(query(registry, Root::LocalMachine, "", "v").data, sz("root"));
}

TEST_F(RegistryStore, MalformedOrTruncatedFilesAreRefusedWithFileAndLineAndLeftAlone) {
    struct Case {
        std::string body;
        int line;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"\n[Software\\\\Unterminated 1700000000\n", 6, "unterminated key name"},
        {"\n[Software] 1\n\"Name\"=\"no end\n", 7, "unterminated string"},
        {"\n[Software] 1\n\"Name=\"x\"\n", 7, "missing '='"},
        {"\n[Software] 1\n\"Bin\"=hex:01,zz\n", 7, "malformed hex data"},
        {"\n[Software] 1\n\"Bin\"=hex:01,02,\\\n", 7, "past the end of the file"},
        {"\n[Software] 1\n\"D\"=dword:123456789\n", 7, "malformed dword"},
        {"\n[Software] 1\n\"T\"=blob:00\n", 7, "unknown value type"},
        {"\"Orphan\"=\"x\"\n", 5, "value outside of any key"},
    };
    for (const Case& c : cases) {
        write_hive("system.reg", c.body);
        const std::string before = hive_text("system.reg");
        try {
            Registry registry(dir);
            ADD_FAILURE() << "accepted: " << c.body;
        } catch (const HiveError& error) {
            const std::string what = error.what();
            EXPECT_NE(what.find((dir / "system.reg").string() + ":" + std::to_string(c.line) + ":"), std::string::npos) << what;
            EXPECT_NE(what.find(c.message), std::string::npos) << what;
        }
        EXPECT_EQ(hive_text("system.reg"), before);
    }
    write_file(dir / "user.reg", "REGEDIT4\n");
    EXPECT_THROW(Registry{dir}, HiveError);
    write_file(dir / "user.reg", "");
    EXPECT_THROW(Registry{dir}, HiveError);
    EXPECT_TRUE(stray_files().empty());
}

TEST_F(RegistryStore, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    copy_fixture();
    Registry registry(dir);
    ASSERT_EQ(registry.set_value(Root::CurrentUser, "Software\\PlanTest", "new", type::Sz, sz("x")), Status::Ok);
    // A folder where the file should go makes the final rename fail (even for root).
    fs::rename(dir / "user.reg", dir / "user.reg.moved");
    fs::create_directory(dir / "user.reg");
    try {
        registry.flush();
        ADD_FAILURE() << "a failed save was reported as done";
    } catch (const HiveError& error) {
        EXPECT_NE(std::string(error.what()).find("user.reg"), std::string::npos);
    }
    EXPECT_TRUE(registry.has_unsaved_changes());
    EXPECT_TRUE(fs::is_directory(dir / "user.reg"));
    fs::remove(dir / "user.reg");
    fs::remove(dir / "user.reg.moved");
    EXPECT_TRUE(stray_files().empty());

    registry.flush();  // the changes were kept and go out once the way is clear
    EXPECT_FALSE(registry.has_unsaved_changes());
    Registry reloaded(dir);
    EXPECT_EQ(query(reloaded, Root::CurrentUser, "Software\\PlanTest", "new").data, sz("x"));
}

// A full disk or a failing device in the middle of a save, at each step of it: the old file stays
// as it was, nothing is left beside it, the error says why, and the next flush saves after all.
TEST_F(RegistryStore, AWriteFlushOrRenameThatFailsLosesNothingAndTheNextFlushSaves) {
    namespace faults = platform::write_faults;
    copy_fixture();
    const std::string original = hive_text("user.reg");
    Registry registry(dir);
    const struct {
        faults::Step step;
        int error;
    } failures[] = {{faults::Step::write, ENOSPC}, {faults::Step::flush, EIO}, {faults::Step::rename, ENOSPC}};
    for (const auto& failure : failures) {
        ASSERT_EQ(registry.set_value(Root::CurrentUser, "Software\\PlanTest", "new", type::Sz, sz("x")), Status::Ok);
        faults::fail(failure.step, 1, failure.error);
        try {
            registry.flush();
            ADD_FAILURE() << "a failed save was reported as done";
        } catch (const HiveError& error) {
            EXPECT_NE(std::string(error.what()).find(std::strerror(failure.error)), std::string::npos) << error.what();
        }
        faults::clear();
        EXPECT_TRUE(registry.has_unsaved_changes());
        EXPECT_EQ(hive_text("user.reg"), original);
        EXPECT_TRUE(stray_files().empty());
        ASSERT_EQ(registry.delete_value(Root::CurrentUser, "Software\\PlanTest", "new"), Status::Ok);
    }

    ASSERT_EQ(registry.set_value(Root::CurrentUser, "Software\\PlanTest", "new", type::Sz, sz("x")), Status::Ok);
    faults::fail(faults::Step::write, 1, ENOSPC);
    EXPECT_THROW(registry.flush(), HiveError);
    registry.flush();  // the plan was for one write only: the retry goes through
    EXPECT_FALSE(registry.has_unsaved_changes());
    Registry reloaded(dir);
    EXPECT_EQ(query(reloaded, Root::CurrentUser, "Software\\PlanTest", "new").data, sz("x"));
}

TEST_F(RegistryStore, RootsMapOntoTheThreeHiveFiles) {
    copy_fixture();
    {
        Registry registry(dir);
        const std::string sid = registry.user_sid();
        EXPECT_EQ(sid, "S-1-5-21-0-0-0-1000");
        EXPECT_EQ(registry.subkey_names(Root::Users, ""), (std::vector<std::string>{".Default", sid}));
        KeyInfo info;
        ASSERT_EQ(registry.query_info(Root::Users, "", info), Status::Ok);
        EXPECT_EQ(info.subkey_count, 2u);

        ASSERT_EQ(registry.create_key(Root::ClassesRoot, ".tvr\\ShellNew"), Status::Ok);
        EXPECT_TRUE(registry.key_exists(Root::LocalMachine, "Software\\Classes\\.TVR\\shellnew"));
        ASSERT_EQ(registry.set_value(Root::Users, sid + "\\Software\\PlanTest", "viaUsers", type::Sz, sz("u")), Status::Ok);
        EXPECT_EQ(query(registry, Root::CurrentUser, "Software\\PlanTest", "viaUsers").data, sz("u"));
        ASSERT_EQ(registry.create_key(Root::Users, ".DEFAULT\\Software\\Tavrin"), Status::Ok);
        EXPECT_EQ(registry.create_key(Root::Users, "S-1-5-99"), Status::AccessDenied);
        EXPECT_EQ(registry.set_value(Root::Users, "", "x", type::Sz, sz("x")), Status::AccessDenied);
        EXPECT_EQ(registry.create_key(static_cast<Root>(0x80000005u), "x"), Status::InvalidParameter);
        EXPECT_EQ(registry.create_key(Root::CurrentUser, "\\Software"), Status::BadPathname);
        EXPECT_FALSE(registry.key_exists(static_cast<Root>(7), ""));
        registry.flush();
    }
    EXPECT_NE(hive_text("system.reg").find("\n[Software\\\\Classes\\\\.tvr\\\\ShellNew] "), std::string::npos);
    EXPECT_NE(hive_text("user.reg").find("\"viaUsers\"=\"u\"\n"), std::string::npos);
    EXPECT_NE(hive_text("userdef.reg").find("\n[Software\\\\Tavrin] "), std::string::npos);

    Root root{};
    EXPECT_TRUE(parse_root_name("hkey_current_user", root));
    EXPECT_EQ(root, Root::CurrentUser);
    EXPECT_TRUE(parse_root_name("HKCR", root));
    EXPECT_EQ(root, Root::ClassesRoot);
    EXPECT_FALSE(parse_root_name("HKEY_PERFORMANCE_DATA", root));
    EXPECT_EQ(root_name(0x80000002u), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(root_name(0x80000004u), "");
}

TEST_F(RegistryStore, AnEmptyFolderBecomesThreeNewHivesWithWinesHeaders) {
    {
        Registry registry(dir);
        EXPECT_EQ(registry.user_sid(), "S-1-5-21-0-0-0-1000");
        EXPECT_TRUE(registry.subkey_names(Root::LocalMachine, "").empty());
        ASSERT_EQ(registry.create_key(Root::CurrentUser, "Software\\Tavrin"), Status::Ok);
        ASSERT_EQ(registry.set_value(Root::CurrentUser, "Software\\Tavrin", "Dir", type::Sz, sz("C:\\Tavrin")), Status::Ok);
        registry.save_all();
    }
    EXPECT_EQ(hive_text("system.reg"), "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n");
    const auto user = lines_of(hive_text("user.reg"));
    ASSERT_EQ(user.size(), 8u);
    EXPECT_EQ(user[1], ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000");
    EXPECT_TRUE(user[5].starts_with("[Software\\\\Tavrin] "));  // "Software" alone is implied, as in Wine
    EXPECT_EQ(user[7], "\"Dir\"=\"C:\\\\Tavrin\"");

    Registry reloaded(dir);
    EXPECT_EQ(query(reloaded, Root::CurrentUser, "Software\\Tavrin", "Dir").data, sz("C:\\Tavrin"));
    KeyInfo info;
    ASSERT_EQ(reloaded.query_info(Root::CurrentUser, "Software\\Tavrin", info), Status::Ok);
    EXPECT_EQ(info.value_count, 1u);
    EXPECT_EQ(info.max_value_name_length, 3u);
    EXPECT_EQ(info.subkey_count, 0u);
}

}  // namespace
