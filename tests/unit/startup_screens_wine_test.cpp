// The uninstall screen on a real Wine prefix: an uninstaller registered with Wine's own tools runs
// under Wine from the screen, and afterwards both Wine and the program see what it changed and
// what the program had changed before.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "engine/foundation/cregistry.h"
#include "platform/machine/machine.h"
#include "tests/unit/support/program_fixture.h"
#include "tests/unit/support/wine_prefix.h"

namespace {

class UninstallUnderWineTest : public tavrin_test::ProgramTest {
protected:
    std::string value_of(const std::string& key, const std::string& name) {
        return engine::cRegistry().ValueEx(engine::HKEY_CURRENT_USER, key, name, engine::REG_SZ, "missing").to_text();
    }

    std::unique_ptr<platform::Machine> opened;
    std::optional<platform::CurrentMachineScope> current;
};

TEST_F(UninstallUnderWineTest, AnUninstallerRunsUnderWineAndNeitherSideLosesAChange) {
    std::string why_not;
    const auto prefix = tavrin_test::WinePrefix::make(why_not);
    if (!prefix) GTEST_SKIP() << why_not;
    const std::string entry = R"(HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TavrinWineTest)";
    ASSERT_TRUE(prefix->reg_add(entry, "DisplayName", "Tavrin Wine Test"));
    ASSERT_TRUE(prefix->reg_add(entry, "UninstallString", R"(reg.exe add HKCU\Software\TavrinUninstalled /v done /d yes /f)"));
    prefix->stop_server();

    opened = platform::Machine::open(prefix->dir());
    current.emplace(*opened);
    engine::cRegistry().ValueEx(engine::HKEY_CURRENT_USER, "Software\\TavrinOurs", "ours", engine::REG_SZ,
                                engine::Variant(), std::string("1"));
    program.start();
    ASSERT_NE(main_var("_root.NamesOfItems_UP").find("TAVRIN WINE TEST"), std::string::npos)
        << main_var("_root.NamesOfItems_UP");
    command("IDC_FS_UNISTALLPROGRAMS", "TAVRIN WINE TEST");

    EXPECT_TRUE(stage.boxes().empty());
    EXPECT_EQ(value_of("Software\\TavrinUninstalled", "done"), "yes") << "the program's view after Wine";
    EXPECT_EQ(value_of("Software\\TavrinOurs", "ours"), "1");
    std::string output;
    EXPECT_TRUE(prefix->reg_query(R"(HKCU\Software\TavrinUninstalled)", "done", &output));
    EXPECT_NE(output.find("yes"), std::string::npos) << output;
    EXPECT_TRUE(prefix->reg_query(R"(HKCU\Software\TavrinOurs)", "ours", &output)) << output;
    prefix->stop_server();
}

}  // namespace
