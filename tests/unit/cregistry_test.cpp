// cRegistry on a real temporary machine: value types both ways, deletions with their log lines and
// events, enumerations, the remote and bad-root cases, file associations, and %VAR% expansion.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/foundation/clock.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/message_text.h"
#include "platform/machine/user_environment.h"
#include "platform/sys/environment.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using namespace engine;
using platform::registry::Root;
namespace type = platform::registry::type;

constexpr const char* kKey = "Software\\Tavrin Test";

// A string as the registry stores it: its bytes and the terminating NUL.
std::vector<uint8_t> sz(std::string_view text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

class CRegistryTest : public tavrin_test::MachineTest {
protected:
    void SetUp() override {
        set_clock([] { return LocalTime{2026, 12, 7, 14, 3, 11}; });
        reg.ClassKey(HKEY_CURRENT_USER);
        reg.SectionKey(kKey);
        reg.ShowLog.subscribe([this](std::string& message) { events.push_back(message); });
        // US regional settings, whatever the sandbox chose.
        for (auto [name, value] : {std::pair{"sShortDate", "M/d/yyyy"}, std::pair{"sTimeFormat", "h:mm:ss tt"},
                                   std::pair{"s1159", "AM"}, std::pair{"s2359", "PM"}}) {
            put_raw("Control Panel\\International", name, type::Sz, sz(value));
        }
    }
    void TearDown() override { set_clock(nullptr); }

    platform::registry::Value stored(Root root, std::string_view path, std::string_view name) {
        platform::registry::Value value;
        EXPECT_EQ(machine().registry().query_value(root, path, name, value), platform::registry::Status::Ok)
            << path << "\\" << name;
        return value;
    }
    void put_raw(std::string_view path, std::string_view name, uint32_t value_type, std::vector<uint8_t> data) {
        machine().registry().create_key(Root::CurrentUser, path);
        machine().registry().set_value(Root::CurrentUser, path, name, value_type, data);
    }
    std::vector<std::string> log_lines() {
        std::ifstream in(temp.host(log_file_path(2026, 12, 7)), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    std::string deletion_line(const std::string& path) {
        return "\"12/7/2026     2:03:11 PM\"\t" + GetMessageText("msg15") + " " + path + "\r";
    }

    cRegistry reg;
    std::vector<std::string> events;
};

TEST_F(CRegistryTest, TextWritesChooseTheirTypeByPercentSigns) {
    auto write_text = [&](const std::string& name, const std::string& text) {
        reg.ValueKey(name);
        reg.ValueType(REG_SZ);
        reg.Value(Variant(text));
        return stored(Root::CurrentUser, kKey, name);
    };
    auto plain = write_text("plain", "50% off");
    EXPECT_EQ(plain.type, type::Sz);
    EXPECT_EQ(plain.data, (std::vector<uint8_t>{'5', '0', '%', ' ', 'o', 'f', 'f', 0}));
    EXPECT_EQ(write_text("expand", "%TEMP%\\x").type, type::ExpandSz);
    EXPECT_EQ(write_text("adjacent", "%%").type, type::Sz);
    EXPECT_EQ(write_text("short", "%a%").type, type::ExpandSz);
    EXPECT_EQ(write_text("empty", "").data, std::vector<uint8_t>{0});
}

TEST_F(CRegistryTest, ReadsConvertByStoredType) {
    put_raw(kKey, "multi", type::MultiSz, {'a', 0, 'b', 0, 0});
    put_raw(kKey, "big", type::DwordBigEndian, {0x04, 0x03, 0x02, 0x01});  // 0x01020304 as stored
    put_raw(kKey, "little", type::Dword, {0x04, 0x03, 0x02, 0x01});
    put_raw(kKey, "bin", type::Binary, {1, 2, 3});
    put_raw(kKey, "sz", type::Sz, {'h', 'i', 0});

    reg.ValueKey("multi");
    EXPECT_EQ(reg.Value(), Variant(std::string("a\0b\0", 4)));
    EXPECT_EQ(reg.ValueType(), REG_MULTI_SZ);
    reg.ValueKey("big");
    EXPECT_EQ(reg.Value(), Variant(int32_t{0x04030201}));
    EXPECT_EQ(reg.ValueType(), REG_DWORD_BIG_ENDIAN);
    reg.ValueKey("little");
    EXPECT_EQ(reg.Value(), Variant(int32_t{0x01020304}));
    reg.ValueKey("bin");
    EXPECT_EQ(reg.Value(), Variant(Bytes{1, 2, 3}));
    EXPECT_EQ(reg.ValueType(), REG_BINARY);

    reg.ValueKey("missing");
    reg.ValueType(REG_SZ);
    reg.Default(Variant("fallback"));
    EXPECT_EQ(reg.Value(), Variant("fallback"));
    EXPECT_EQ(reg.ValueType(), REG_SZ) << "a failed read leaves ValueType alone";

    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, kKey, "sz", REG_NONE, Variant()), Variant("hi"));
    EXPECT_EQ(reg.ValueType(), REG_SZ);
}

TEST_F(CRegistryTest, DwordAndBinaryWrites) {
    reg.ValueKey("word");
    reg.ValueType(REG_DWORD);
    reg.Value(Variant(int16_t{-2}));
    EXPECT_EQ(stored(Root::CurrentUser, kKey, "word").data, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));

    reg.ValueKey("big");
    reg.ValueType(REG_DWORD_BIG_ENDIAN);
    reg.Value(Variant(int32_t{0x01020304}));
    auto big = stored(Root::CurrentUser, kKey, "big");
    EXPECT_EQ(big.type, type::Dword) << "integers are always stored little-endian";
    EXPECT_EQ(big.data, (std::vector<uint8_t>{4, 3, 2, 1}));

    reg.ValueKey("text");
    reg.ValueType(REG_DWORD);
    reg.Value(Variant("12"));
    platform::registry::Value none;
    EXPECT_NE(machine().registry().query_value(Root::CurrentUser, kKey, "text", none), platform::registry::Status::Ok);

    reg.ValueKey("bytes");
    reg.ValueType(REG_BINARY);
    reg.Value(Variant(Bytes{9, 8}));
    EXPECT_EQ(stored(Root::CurrentUser, kKey, "bytes").data, (std::vector<uint8_t>{9, 8}));

    reg.SectionKey("Software\\Never Created");
    try {
        reg.Value(Variant("not bytes"));
        FAIL() << "a REG_BINARY write of text must raise";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.number(), 26001);
        EXPECT_EQ(error.source(), "Tavrin.cRegistry");
        EXPECT_EQ(error.description(), "");
    }
    EXPECT_FALSE(reg.KeyExists()) << "a refused write leaves no key behind";
}

TEST_F(CRegistryTest, ValueExWritesDefaultForEmptyText) {
    reg.ValueEx(HKEY_CURRENT_USER, kKey, "v", REG_SZ, Variant("instead"), Variant(""));
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, kKey, "v", REG_SZ, Variant()), Variant("instead"));
    reg.ValueEx(HKEY_CURRENT_USER, kKey, "v", REG_SZ, Variant("instead"), Variant("given"));
    EXPECT_EQ(reg.ValueEx(HKEY_CURRENT_USER, kKey, "v", REG_SZ, Variant()), Variant("given"));
}

TEST_F(CRegistryTest, ExpandedReadsUseTheMachinesEnvironment) {
    put_raw("Environment", "TEMP", type::ExpandSz, sz("%USERPROFILE%\\Tmp"));
    put_raw(kKey, "path", type::ExpandSz, sz("%temp%\\x;%NOPE%;%%"));
    auto env = platform::user_environment(machine());
    ASSERT_FALSE(env["USERPROFILE"].empty());
    reg.ValueKey("path");
    EXPECT_EQ(reg.Value(), Variant(env["USERPROFILE"] + "\\Tmp\\x;%NOPE%;%%"));
    EXPECT_EQ(reg.ValueType(), REG_EXPAND_SZ);
}

TEST_F(CRegistryTest, EnvironmentOfTheSandboxXpMachine) {
    auto env = platform::user_environment(machine());
    std::string user = machine().user_name();
    EXPECT_EQ(env["SystemRoot"], "C:\\WINDOWS");
    EXPECT_EQ(env["WINDIR"], "C:\\WINDOWS") << "names compare without case";
    EXPECT_EQ(env["USERNAME"], user);
    EXPECT_EQ(env["USERPROFILE"], "C:\\Documents and Settings\\" + user);
    EXPECT_EQ(env["ALLUSERSPROFILE"], "C:\\Documents and Settings\\All Users");
    EXPECT_EQ(env["ProgramFiles"], "C:\\Program Files");
    EXPECT_EQ(env["TEMP"], env["USERPROFILE"] + "\\Local Settings\\Temp") << "the user's TEMP wins over the system's";
    EXPECT_EQ(env["ComSpec"], "C:\\WINDOWS\\system32\\cmd.exe");
}

// The registry of a real Wine prefix: a newer profile layout with a ProgramData folder.
TEST_F(CRegistryTest, EnvironmentOfARealWinePrefix) {
    for (auto hive : {"system.reg", "user.reg", "userdef.reg"}) {
        std::filesystem::copy_file(std::filesystem::path(TAVRIN_FIXTURES_DIR) / "wine-prefix" / hive, temp.dir() / hive,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    temp.reopen();
    auto env = platform::user_environment(machine());
    EXPECT_EQ(env["SystemRoot"], "C:\\windows");
    EXPECT_EQ(env["USERPROFILE"], "C:\\users\\root");
    EXPECT_EQ(env["ALLUSERSPROFILE"], "C:\\ProgramData");
    EXPECT_EQ(env["APPDATA"], "C:\\users\\root\\AppData\\Roaming");
    EXPECT_EQ(env["TEMP"], "C:\\users\\root\\Temp");
    EXPECT_TRUE(env["PATH"].starts_with("C:\\windows\\system32;C:\\windows;")) << env["PATH"];
}

TEST(Environment, ExpansionRules) {
    platform::sys::Environment env{{"Name", "value"}, {"EMPTY", ""}};
    using platform::sys::expand_environment_strings;
    EXPECT_EQ(expand_environment_strings("a%NAME%b%name%", env), "avaluebvalue");
    EXPECT_EQ(expand_environment_strings("%unknown%%name%", env), "%unknown%value");
    EXPECT_EQ(expand_environment_strings("50% of %name", env), "50% of %name");
    EXPECT_EQ(expand_environment_strings("[%EMPTY%]", env), "[]");
    EXPECT_EQ(expand_environment_strings("%%name%", env), "%%name%");
}

TEST_F(CRegistryTest, KeysCreateAndDelete) {
    reg.SectionKey("Software\\Tavrin Test\\Deep\\Leaf");
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(reg.KeyExists());

    reg.SectionKey("Software\\Tavrin Test\\Deep");
    EXPECT_FALSE(reg.DeleteKey()) << "a key with subkeys is not deleted";
    EXPECT_TRUE(events.empty());

    reg.SectionKey("Software\\Tavrin Test\\Deep\\Leaf");
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(reg.DeleteKey()) << "already gone";
    EXPECT_EQ(events, std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Tavrin Test\\Deep\\Leaf"});
    EXPECT_EQ(log_lines(), std::vector<std::string>{deletion_line(events[0])});

    reg.SectionKey("");
    EXPECT_FALSE(reg.DeleteKey()) << "never the root itself";
}

TEST_F(CRegistryTest, DeleteValueAnnouncesAndLogs) {
    put_raw(kKey, "gone", type::Sz, {'x', 0});
    ASSERT_NE(GetMessageText("msg15"), std::string(255, '\0')) << "the installed skin has the message";
    reg.ValueKey("gone");
    EXPECT_TRUE(reg.DeleteValue());
    EXPECT_FALSE(reg.DeleteValue());
    EXPECT_EQ(events, std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Tavrin Test\\gone"});
    EXPECT_EQ(log_lines(), std::vector<std::string>{deletion_line(events[0])});
}

TEST_F(CRegistryTest, DelRegSubDeletesDeepestFirstInOrder) {
    put_raw(kKey, "one", type::Sz, {'1', 0});
    put_raw(kKey, "two", type::Sz, {'2', 0});
    put_raw("Software\\Tavrin Test\\Inner", "three", type::Sz, {'3', 0});
    reg.SectionKey("Software\\Kept");
    reg.ValueKey("kept");

    std::string inkey = "hkey_current_user\\Software\\Tavrin Test";
    reg.del_reg_sub(inkey);

    EXPECT_EQ(events, (std::vector<std::string>{
                          "hkey_current_user\\Software\\Tavrin Test\\one",
                          "hkey_current_user\\Software\\Tavrin Test\\two",
                          "hkey_current_user\\Software\\Tavrin Test\\Inner\\three",
                          "hkey_current_user\\Software\\Tavrin Test\\Inner",
                          "hkey_current_user\\Software\\Tavrin Test",
                      }));
    EXPECT_EQ(log_lines(), (std::vector<std::string>{
                               deletion_line("HKEY_CURRENT_USER\\Software\\Tavrin Test\\one"),
                               deletion_line("HKEY_CURRENT_USER\\Software\\Tavrin Test\\two"),
                               deletion_line("HKEY_CURRENT_USER\\Software\\Tavrin Test\\Inner\\three"),
                               deletion_line("HKEY_CURRENT_USER\\Software\\Tavrin Test\\Inner"),
                               deletion_line("HKEY_CURRENT_USER\\Software\\Tavrin Test"),
                           }));
    EXPECT_FALSE(machine().registry().key_exists(Root::CurrentUser, kKey));
    EXPECT_EQ(reg.SectionKey(), "Software\\Kept") << "the caller's position is kept";
    EXPECT_EQ(reg.ValueKey(), "kept");
}

TEST_F(CRegistryTest, DelRegSubIgnoresWhatItCannotAddress) {
    put_raw(kKey, "stays", type::Sz, sz("x"));
    for (std::string inkey : {"HKEY_CURRENT_USER\\Software\\Absent", "HKEY_NOWHERE\\Software", "HKEY_CURRENT_USER",
                              "HKEY_CURRENT_USER\\"}) {
        reg.del_reg_sub(inkey);
    }
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(machine().registry().key_exists(Root::CurrentUser, kKey));
    EXPECT_FALSE(machine().files().exists(log_file_path(2026, 12, 7))) << "nothing deleted, nothing logged";
}

TEST_F(CRegistryTest, EnumerationsListNamesAndToleratesMissingKeys) {
    put_raw("Software\\Tavrin Test\\B", "", type::Sz, {0});
    put_raw("Software\\Tavrin Test\\a", "", type::Sz, {0});
    put_raw(kKey, "y", type::Sz, {0});
    put_raw(kKey, "X", type::Sz, {0});

    std::vector<std::string> names{"stale"};
    int32_t count = -1;
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(names, (std::vector<std::string>{"a", "B"}));
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_EQ(names, (std::vector<std::string>{"X", "y"}));
    EXPECT_EQ(count, 2);

    reg.SectionKey("Software\\Absent");
    EXPECT_TRUE(reg.EnumerateValues(names, count));
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 0);
}

TEST_F(CRegistryTest, MachinePropertyAndRemoteAccess) {
    reg.Machine("ab");
    EXPECT_EQ(reg.Machine(), "");
    reg.Machine("\\\\pc02");
    EXPECT_EQ(reg.Machine(), "\\\\pc02");
    reg.Machine("pc01");
    EXPECT_EQ(reg.Machine(), "\\\\pc01");

    put_raw(kKey, "local", type::Sz, {'l', 0});
    reg.ValueKey("local");
    reg.Default(Variant("remote default"));
    EXPECT_EQ(reg.Value(), Variant("remote default"));
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_FALSE(reg.DeleteValue());
    EXPECT_THROW(reg.CreateKey(), EngineError);
    reg.ValueType(REG_SZ);
    try {
        reg.Value(Variant("x"));
        FAIL() << "a remote write must raise";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.number(), 26001);
        EXPECT_EQ(error.description(),
                  "Failed to set registry value Key: '-2147483647',Section: 'Software\\Tavrin Test',Key: 'local' "
                  "to value: 'x'");
    }
    EXPECT_EQ(stored(Root::CurrentUser, kKey, "local").data, (std::vector<uint8_t>{'l', 0}));
}

TEST_F(CRegistryTest, UnknownRootReadsDefaultAndRefusesWrites) {
    reg.ClassKey(static_cast<ERegistryClassConstants>(0x80000009u));
    reg.Default(Variant(int32_t{7}));
    EXPECT_EQ(reg.Value(), Variant(int32_t{7}));
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_FALSE(reg.DeleteKey());
    try {
        reg.CreateKey();
        FAIL() << "CreateKey under an unknown root must raise";
    } catch (const EngineError& error) {
        EXPECT_EQ(error.number(), 26001);
        EXPECT_EQ(error.description(), "Failed to create registry Key: 'Software\\Tavrin Test");
    }
}

TEST_F(CRegistryTest, ExeAssociationWritesBothClassRoots) {
    reg.CreateEXEAssociation("  C:\\Tools\\ed.exe ", "Tavrin.Doc", "Tavrin document", "tvd", "", true, "", false, "",
                             true, "", 2);
    auto text = [&](Root root, const std::string& path) {
        auto value = stored(root, path, "");
        EXPECT_EQ(value.type, type::Sz) << path;
        return std::string(value.data.begin(), value.data.end() - 1);
    };
    for (auto [root, prefix] : {std::pair{Root::ClassesRoot, ""}, std::pair{Root::LocalMachine, "SOFTWARE\\Classes\\"}}) {
        std::string p = prefix;
        EXPECT_EQ(text(root, p + ".tvd"), "Tavrin.Doc");
        EXPECT_EQ(text(root, p + "Tavrin.Doc"), "Tavrin document");
        EXPECT_EQ(text(root, p + "Tavrin.Doc\\shell\\open"), "&Open");
        EXPECT_EQ(text(root, p + "Tavrin.Doc\\shell\\open\\command"), "\"C:\\Tools\\ed.exe\" \"%1\"");
        EXPECT_EQ(text(root, p + "Tavrin.Doc\\shell\\print\\command"), "\"C:\\Tools\\ed.exe\" /p \"%1\"");
        EXPECT_EQ(text(root, p + "Tavrin.Doc\\shell\\add"), "&Install tvd");
        EXPECT_EQ(text(root, p + "Tavrin.Doc\\shell\\add\\command"), "\"C:\\Tools\\ed.exe\" /a \"%1\"");
        EXPECT_EQ(text(root, p + "Tavrin.Doc\\DefaultIcon"), "\"C:\\Tools\\ed.exe\",2");
    }
    EXPECT_FALSE(machine().registry().key_exists(Root::ClassesRoot, "Tavrin.Doc\\shell\\new"));

    std::vector<Variant> extra{Variant("edit"), Variant("&Edit"), Variant("ed.exe /e \"%1\"")};
    reg.CreateAdditionalEXEAssociations("Tavrin.Doc", extra);
    EXPECT_EQ(text(Root::ClassesRoot, "Tavrin.Doc\\shell\\edit\\command"), "ed.exe /e \"%1\"");

    std::vector<Variant> uneven{Variant("a"), Variant("b")};
    try {
        reg.CreateAdditionalEXEAssociations("Tavrin.Doc", uneven);
        FAIL();
    } catch (const EngineError& error) {
        EXPECT_EQ(error.number(), errors::kInvalidAssociationList);
    }
    try {
        reg.CreateAdditionalEXEAssociations("Tavrin.Undefined", extra);
        FAIL();
    } catch (const EngineError& error) {
        EXPECT_EQ(error.number(), errors::kAssociationClassMissing);
    }
    EXPECT_FALSE(machine().registry().key_exists(Root::ClassesRoot, "Tavrin.Undefined"));
}

}  // namespace
