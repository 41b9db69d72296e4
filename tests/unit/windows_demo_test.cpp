// The Windows demo traces of a new sandbox: each item of the Windows screen finds work in them,
// and cleaning them leaves nothing behind but the folders a machine keeps.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/demo/shortcut_bytes.h"
#include "app/demo/windows_traces.h"
#include "engine/cleaners/misc_functions.h"
#include "platform/inet/user_folders.h"
#include "platform/shell/shell_link.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using platform::registry::Root;

constexpr const char* kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";

// Every key the demo fills, below HKEY_CURRENT_USER.
const std::vector<std::string> kDemoKeys = {
    "Software\\Microsoft\\Direct3D\\MostRecentApplication",
    "Software\\Microsoft\\DirectInput\\MostRecentApplication",
    "Software\\Microsoft\\DirectDraw\\MostRecentApplication",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List",
    "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList",
    "Software\\Microsoft\\MediaPlayer\\Player\\RecentURLList",
    "Software\\Microsoft\\Search Assistant\\ACMru",
    std::string(kExplorer) + "\\RunMRU",
    std::string(kExplorer) + "\\ComDlg32",
    std::string(kExplorer) + "\\UserAssist\\{5E6AB780-7743-11CF-A12B-00AA004AE837}\\Count",
    std::string(kExplorer) + "\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count",
    std::string(kExplorer) + "\\RecentDocs",
    std::string(kExplorer) + "\\StreamMRU",
    std::string(kExplorer) + "\\Streams",
    "Network\\Connections",
    "Printers\\Connections",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit",
};

class WindowsDemoTest : public tavrin_test::MachineTest {
protected:
    std::string folder(const std::string& shell_folder) {
        return platform::inet::user_shell_folder(machine(), shell_folder);
    }
    bool has_key(const std::string& key) { return machine().registry().key_exists(Root::CurrentUser, key); }
    // Files (not folders) below a Windows folder.
    size_t files_below(const std::string& windows_folder) {
        auto host = temp.host(windows_folder);
        if (!fs::exists(host)) return 0;
        size_t count = 0;
        for (auto& entry : fs::recursive_directory_iterator(host))
            if (!entry.is_directory()) ++count;
        return count;
    }
    size_t log_files_below(const std::string& windows_folder) {
        size_t count = 0;
        for (auto& entry : fs::recursive_directory_iterator(temp.host(windows_folder)))
            if (entry.path().extension() == ".log") ++count;
        return count;
    }
};

TEST_F(WindowsDemoTest, EveryItemFindsWorkAndLeavesNothingBehind) {
    app::demo::plant_windows_traces();
    const std::vector<std::string> folders = {folder("Local Settings") + "\\Temp", "C:\\WINDOWS\\Temp",
                                              folder("CD Burning"), folder("Templates"), "C:\\RECYCLER",
                                              folder("Recent")};
    for (const auto& key : kDemoKeys) ASSERT_TRUE(has_key(key)) << key;
    for (const auto& planted : folders) ASSERT_GT(files_below(planted), 0u) << planted;
    ASSERT_EQ(log_files_below("C:\\WINDOWS"), 3u);

    engine::Misc_Functions misc;
    std::vector<std::string> shown;
    misc.ShowLog.subscribe([&](std::string& line) { shown.push_back(line); });
    misc.CleanTemp();
    misc.DeleteCDBurningFolder();
    misc.DeleteTemplatesFolder();
    misc.CleanRecycleBin();
    misc.DeleteDirect3DMRU();
    misc.DeleteDirectInputMRU();
    misc.DeleteDirectDrawMRU();
    misc.CleanUserAssistHistory();
    misc.CleanCommonDialog();
    misc.DeleteMsPaintMRU();
    misc.CleanWordpadHistory();
    misc.CleanMediaPlayerHistory();
    misc.CleanRunDialog();
    misc.CleanFindHistory();
    misc.CleanRecent();
    misc.CleanNetworkConnections();
    misc.CleanPrinterConnections();
    misc.CleanRegEdit();
    misc.CleanWindowsLogFiles();

    for (const auto& key : kDemoKeys) EXPECT_FALSE(has_key(key)) << key;
    for (const auto& planted : folders) EXPECT_EQ(files_below(planted), 0u) << planted;
    EXPECT_EQ(log_files_below("C:\\WINDOWS"), 0u);
    EXPECT_GT(shown.size(), kDemoKeys.size());
}

// The Recent folder's shortcuts are real ones: the shell reads their targets back.
TEST(DemoShortcut, TheShellReadsTheTargetBack) {
    const std::string target = "C:\\Documents and Settings\\demo\\My Documents\\budget.xls";
    EXPECT_EQ(platform::shell::shell_link_target(app::demo::shortcut_bytes(target)), target);
}

}  // namespace
