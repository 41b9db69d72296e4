// The engine library as a whole: classes by name, their registration under HKEY_CLASSES_ROOT,
// app settings, the OS mapping, the language list and the small helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "engine/foundation/app_settings.h"
#include "engine/foundation/class_table.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/installed_languages.h"
#include "engine/foundation/os.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using namespace engine;
using platform::registry::Root;

class FoundationTest : public tavrin_test::MachineTest {
protected:
    std::string text_value(Root root, const std::string& key, const std::string& name = "") {
        platform::registry::Value value;
        if (machine().registry().query_value(root, key, name, value) != platform::registry::Status::Ok) return "<missing>";
        EXPECT_EQ(value.type, platform::registry::type::Sz) << key;
        return std::string(value.data.begin(), std::find(value.data.begin(), value.data.end(), 0));
    }
    void set_version(std::string_view name) {
        std::vector<uint8_t> data(name.begin(), name.end());
        data.push_back(0);
        machine().registry().create_key(Root::CurrentUser, "Software\\Wine");
        machine().registry().set_value(Root::CurrentUser, "Software\\Wine", "Version", platform::registry::type::Sz,
                                       data);
    }
};

TEST(ClassTable, CreatesByNameOrProgId) {
    EXPECT_NE(create<cRegistry>("cRegistry"), nullptr);
    EXPECT_NE(create<cRegistry>("TAVRIN.CREGISTRY"), nullptr);
    EXPECT_NE(create<OS>("Tavrin.OS"), nullptr);
    EXPECT_EQ(create_object("Tavrin.NoSuchClass"), nullptr);
    EXPECT_EQ(create<OS>("cRegistry"), nullptr) << "the wrong type casts to nothing";

    auto first = create_object("Logger");
    auto second = create_object("Logger");
    EXPECT_NE(first, second) << "every creation is a new object";
}

TEST(ClassTable, EveryClassHasItsOwnWellFormedId) {
    const std::regex guid("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}");
    std::set<std::string> ids, names;
    for (const ClassInfo& info : class_table()) {
        EXPECT_TRUE(std::regex_match(info.clsid, guid)) << info.name << " " << info.clsid;
        EXPECT_EQ(info.prog_id, "Tavrin." + info.name);
        EXPECT_TRUE(ids.insert(info.clsid).second) << "duplicate class id " << info.clsid;
        EXPECT_TRUE(names.insert(info.name).second) << "duplicate class " << info.name;
    }
    for (auto name : {"INI", "OS", "Error", "Language", "Logger", "cRegistry", "Dll_Cleaner", "cTimer"}) {
        EXPECT_TRUE(names.count(name)) << name;
    }
}

TEST_F(FoundationTest, RegisterAndUnregisterUnderClassesRoot) {
    machine().registry().create_key(Root::ClassesRoot, "CLSID\\{00000000-0000-0000-0000-000000000001}");
    DllRegisterServer();
    machine().flush();
    temp.reopen();

    const ClassInfo* info = find_class("cRegistry");
    ASSERT_NE(info, nullptr);
    std::string clsid_key = "CLSID\\" + info->clsid;
    EXPECT_EQ(text_value(Root::ClassesRoot, "Tavrin.cRegistry\\CLSID"), info->clsid);
    EXPECT_EQ(text_value(Root::ClassesRoot, clsid_key), "cRegistry");
    EXPECT_EQ(text_value(Root::ClassesRoot, clsid_key + "\\ProgID"), "Tavrin.cRegistry");
    EXPECT_EQ(text_value(Root::ClassesRoot, clsid_key + "\\InprocServer32"), "C:\\Program Files\\Orvane\\Tavrin.dll");
    EXPECT_EQ(text_value(Root::ClassesRoot, clsid_key + "\\InprocServer32", "ThreadingModel"), "Apartment");
    std::string library_id = text_value(Root::ClassesRoot, clsid_key + "\\TypeLib");
    EXPECT_EQ(text_value(Root::ClassesRoot, "TypeLib\\" + library_id + "\\1.0"), "Tavrin_DLL");
    EXPECT_EQ(text_value(Root::LocalMachine, "Software\\Classes\\Tavrin.cRegistry\\CLSID"), info->clsid)
        << "HKEY_CLASSES_ROOT is HKLM\\Software\\Classes";
    for (const ClassInfo& each : class_table()) {
        EXPECT_EQ(text_value(Root::ClassesRoot, each.prog_id + "\\CLSID"), each.clsid);
    }

    DllUnregisterServer();
    for (const ClassInfo& each : class_table()) {
        EXPECT_FALSE(machine().registry().key_exists(Root::ClassesRoot, each.prog_id));
        EXPECT_FALSE(machine().registry().key_exists(Root::ClassesRoot, "CLSID\\" + each.clsid));
    }
    EXPECT_FALSE(machine().registry().key_exists(Root::ClassesRoot, "TypeLib\\" + library_id));
    EXPECT_TRUE(machine().registry().key_exists(Root::ClassesRoot, "CLSID\\{00000000-0000-0000-0000-000000000001}"))
        << "other classes stay";
}

TEST_F(FoundationTest, AppSettingsRoundTrip) {
    EXPECT_EQ(GetSetting("Orvane", "Ping", "val", "0"), "0");
    SaveSetting("Orvane", "Ping", "val", "25");
    SaveSetting("Orvane", "Ping", "host", "example.org");
    EXPECT_EQ(GetSetting("orvane", "PING", "VAL", "0"), "25");
    EXPECT_EQ(text_value(Root::CurrentUser, "Software\\VB and VBA Program Settings\\Orvane\\Ping", "val"), "25");
    EXPECT_EQ(GetAllSettings("Orvane", "Ping"),
              (std::vector<std::pair<std::string, std::string>>{{"host", "example.org"}, {"val", "25"}}));

    EXPECT_TRUE(DeleteSetting("Orvane", "Ping", "val"));
    EXPECT_FALSE(DeleteSetting("Orvane", "Ping", "val"));
    EXPECT_EQ(GetSetting("Orvane", "Ping", "val", "gone"), "gone");
    EXPECT_TRUE(DeleteSetting("Orvane", "Ping"));
    EXPECT_EQ(GetSetting("Orvane", "Ping", "host", "gone"), "gone");
    EXPECT_FALSE(DeleteSetting("Orvane", ""));
    EXPECT_TRUE(machine().registry().key_exists(Root::CurrentUser, "Software\\VB and VBA Program Settings\\Orvane"));
}

TEST_F(FoundationTest, OperatingSystemFromWindowsVersion) {
    const std::pair<const char*, Enum_OperatingSystem> cases[] = {
        {"win95", System_Windows_95}, {"win98", System_Windows_98}, {"winme", System_Windows_ME},
        {"nt40", System_Windows_NT},  {"win2k", System_Windows_2K}, {"winxp", System_Windows_XP},
        {"win2003", System_Windows_32}, {"win10", System_Windows_32}, {"win31", System_Windows_32},
    };
    for (auto [name, expected] : cases) {
        set_version(name);
        EXPECT_EQ(OS().OperatingSystem(), expected) << name;
    }
}

TEST_F(FoundationTest, LanguageListFromLanguageFiles) {
    EXPECT_EQ(Language().GetLangList(), "") << "no languages folder";
    machine().files().create_directory("C:\\Program Files\\Orvane\\languages");
    EXPECT_EQ(Language().GetLangList(), "");

    temp.write_file("C:\\Program Files\\Orvane\\languages\\English.ini", "");
    temp.write_file("C:\\Program Files\\Orvane\\languages\\Deutsch.v2.ini", "");
    temp.write_file("C:\\Program Files\\Orvane\\languages\\readme.txt", "");
    machine().files().create_directory("C:\\Program Files\\Orvane\\languages\\folder.ini");
    std::string list = Language().GetLangList();
    EXPECT_TRUE(list == "English||Deutsch" || list == "Deutsch||English") << list;
}

}  // namespace
