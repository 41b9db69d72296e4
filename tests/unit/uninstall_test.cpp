// --uninstall on a real temporary machine: everything the program put there goes, everything
// else stays, and a folder that cannot go completely is reported, not passed over.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/cli/uninstall.h"
#include "app/settings/profile_store.h"
#include "app/settings/user_settings.h"
#include "engine/foundation/class_table.h"
#include "platform/fs/fs.h"
#include "platform/machine/install.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using platform::registry::Root;

class UninstallTest : public tavrin_test::MachineTest {
protected:
    // What a start and a session leave behind, and keys of others beside them.
    void SetUp() override {
        engine::DllRegisterServer();
        app::user_settings::save_language("English");
        app::profile_store::write("Home", "CheckBoxes", "_root.IE_TU", "1");
        auto& registry = machine().registry();
        registry.create_key(Root::CurrentUser, "Software\\lumarq2\\TypedUrls");
        registry.create_key(Root::CurrentUser, "Software\\VB and VBA Program Settings\\OtherApp\\Section");
        registry.create_key(Root::CurrentUser, "Software\\Other Vendor");
        registry.create_key(Root::ClassesRoot, "CLSID\\{00000000-0000-0000-0000-000000000001}");
        temp.write_file("C:\\Program Files\\Other\\keep.txt", "mine");
        machine().flush();
    }

    bool key(Root root, const std::string& path) { return machine().registry().key_exists(root, path); }
};

TEST_F(UninstallTest, RemovesTheProgramFolderItsClassesAndItsKeysAndNothingElse) {
    const std::string folder = platform::kProgramFolder;
    ASSERT_TRUE(machine().files().is_directory(folder + "\\skin"));
    std::string said = app::cli::uninstall_program(machine());
    EXPECT_NE(said.find("Removed Tavrin from the machine " + temp.dir().string()), std::string::npos) << said;
    temp.reopen();

    EXPECT_FALSE(machine().files().exists(folder));
    for (const engine::ClassInfo& info : engine::class_table()) {
        EXPECT_FALSE(key(Root::ClassesRoot, info.prog_id)) << info.prog_id;
        EXPECT_FALSE(key(Root::ClassesRoot, "CLSID\\" + info.clsid)) << info.name;
    }
    for (const char* gone : {"Software\\lumarq3", "Software\\lumarq2", "Software\\VB and VBA Program Settings\\Orvane"})
        EXPECT_FALSE(key(Root::CurrentUser, gone)) << gone;

    EXPECT_TRUE(key(Root::CurrentUser, "Software\\VB and VBA Program Settings\\OtherApp\\Section"));
    EXPECT_TRUE(key(Root::CurrentUser, "Software\\Other Vendor"));
    EXPECT_TRUE(key(Root::ClassesRoot, "CLSID\\{00000000-0000-0000-0000-000000000001}"));
    EXPECT_EQ(machine().files().read_text("C:\\Program Files\\Other\\keep.txt"), "mine");

    EXPECT_NE(app::cli::uninstall_program(machine()).find("not installed"), std::string::npos);
}

TEST_F(UninstallTest, AFileThatCannotGoIsReportedAndTheKeysGoAnyway) {
    const std::string stuck = std::string(platform::kProgramFolder) + "\\Logs\\kept.log";
    temp.write_file(stuck, "log");
    machine().files().set_attributes(stuck, platform::fs::attr::ReadOnly);
    std::string message;
    try {
        app::cli::uninstall_program(machine());
    } catch (const platform::MachineError& e) {
        message = e.what();
    }
    EXPECT_NE(message.find("could not be removed completely"), std::string::npos) << message;
    EXPECT_TRUE(machine().files().exists(stuck));
    temp.reopen();
    EXPECT_FALSE(key(Root::CurrentUser, "Software\\lumarq3"));
    EXPECT_FALSE(key(Root::ClassesRoot, "Tavrin.cRegistry"));
}

}  // namespace
