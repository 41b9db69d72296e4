// A Windows installation as a machine: a folder holding WINDOWS\system32\config and the users'
// profiles, whose hives are made by hivex from one Windows wrote. It is drive C:, its hives are
// the registry, and nothing the program keeps for itself is written into it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/kernel/host_wiring.h"
#include "app/program/program.h"
#include "app/texts/fill_in.h"
#include "app/texts/read_only_text.h"
#include "engine/cleaners/misc_functions.h"
#include "engine/foundation/message_text.h"
#include "engine/tools/ram.h"
#include "platform/fs/fs.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"
#include "platform/machine/machine_lock.h"
#include "platform/machine/several_profiles.h"
#include "platform/machine/user_environment.h"
#include "platform/sys/environment.h"
#include "tests/unit/support/corpora.h"
#include "tests/unit/support/folder_snapshot.h"
#include "tests/unit/support/recording_stage.h"
#include "tests/unit/support/regf_template.h"
#include "tests/unit/support/scoped_env.h"
#include "tests/unit/support/temp_folder.h"

namespace fs = std::filesystem;
using platform::Machine;
using platform::MachineError;
using platform::MachineOptions;
namespace type = platform::registry::type;

namespace {

constexpr const char* kAliceSid = "S-1-5-21-7-8-9-1003";

class WindowsInstallationTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto hive = tavrin_test::corpus_file("windows/regf/NTUSER.DAT");
        if (!hive) GTEST_SKIP() << "no NTUSER.DAT written by Windows in ../shared/corpora/windows/regf";
        template_ = *hive;
        const fs::path config = dir() / "WINDOWS" / "system32" / "config";
        fs::create_directories(config);
        using tavrin_test::regf_string;
        ASSERT_TRUE(tavrin_test::make_regf_hive(
            template_, config / "SOFTWARE",
            {{"Microsoft\\Windows NT\\CurrentVersion",
              {{"SystemRoot", type::Sz, regf_string("C:\\WINDOWS")}, {"CurrentVersion", type::Sz, regf_string("5.1")}}},
             {"Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + std::string(kAliceSid),
              {{"ProfileImagePath", type::ExpandSz, regf_string("%SystemDrive%\\Documents and Settings\\Alice")}}},
             {"Microsoft\\Windows\\CurrentVersion\\Uninstall\\Editor",
              {{"DisplayName", type::Sz, regf_string("Editor")},
               {"UninstallString", type::Sz, regf_string("C:\\Program Files\\Editor\\uninstall.exe")}}}}));
        ASSERT_TRUE(tavrin_test::make_regf_hive(template_, config / "SYSTEM", {{"Select", {{"Current", type::Dword, {1, 0, 0, 0}}}}}));
        ASSERT_TRUE(tavrin_test::make_regf_hive(template_, config / "DEFAULT", {{"Control Panel", {}}}));
        for (const char* user : {"Alice", "Bob", "Default User", "All Users"}) add_profile(user);
    }

    void add_profile(const std::string& name) {
        const fs::path profile = dir() / "Documents and Settings" / name;
        fs::create_directories(profile);
        fs::copy_file(template_, profile / "NTUSER.DAT");
    }

    std::unique_ptr<Machine> open(const std::string& user) {
        MachineOptions options;
        options.user = user;
        return Machine::open(dir(), options);
    }

    std::string refusal(const std::string& user) {
        try {
            open(user);
        } catch (const MachineError& error) {
            return error.what();
        }
        return "opened";
    }

    fs::path dir() const { return folder_.path() / "win"; }

    // The screens as the program starts them on `machine`, which the caller has made current.
    struct Screens {
        tavrin_test::RecordingStage stage;
        app::Program program{stage, {platform::kProgramFolder, "tavrinapp", 2, 1, 7}};
        app::HostWiring wiring{program.shell()};
    };
    static std::unique_ptr<Screens> start_screens(Machine& machine) {
        platform::install_program_folder(machine, TAVRIN_SKIN_DIR);
        auto screens = std::make_unique<Screens>();
        screens->program.start();
        return screens;
    }

    tavrin_test::TempFolder folder_;
    tavrin_test::ScopedEnv data_home_{"XDG_DATA_HOME", (folder_.path() / "data").string()};
    fs::path template_;
};

}  // namespace

TEST_F(WindowsInstallationTest, TheProfilesOfPeopleAreListedAndOneIsChosenByName) {
    EXPECT_NE(refusal("").find("several user profiles; name one with --user: Alice, Bob."), std::string::npos)
        << refusal("");
    // The screens offer the same list the refusal names, taken from it rather than from its text.
    try {
        open("");
        ADD_FAILURE() << "opened without a profile named";
    } catch (const platform::SeveralProfiles& several) {
        EXPECT_EQ(several.names(), (std::vector<std::string>{"Alice", "Bob"}));
    }
    EXPECT_EQ(open("bob")->user_name(), "Bob");  // one profile differs only in case
    EXPECT_NE(refusal("Carol").find("no user profile named Carol; its profiles: Alice, Bob."), std::string::npos);
    // Two folders whose names differ only in case (a copy on a case-sensitive disk): the exact
    // name picks one, any other spelling is refused.
    add_profile("alice");
    EXPECT_EQ(open("alice")->user_name(), "alice");
    EXPECT_NE(refusal("ALICE").find("several user profiles named ALICE"), std::string::npos) << refusal("ALICE");
}

TEST_F(WindowsInstallationTest, ItsFolderIsDriveCItsHivesTheRegistryAndTheProgramFolderLiesOutside) {
    const tavrin_test::FolderSnapshot before = tavrin_test::snapshot(dir());
    auto machine = open("Alice");
    ASSERT_TRUE(machine->is_windows_installation());
    const platform::CurrentMachineScope current(*machine);
    EXPECT_EQ(machine->files().to_host("c:\\windows\\SYSTEM32"), dir() / "WINDOWS" / "system32");
    EXPECT_EQ(machine->files().drives(), std::vector<std::string>{"C:\\"});
    EXPECT_EQ(machine->registry().user_sid(), kAliceSid);
    EXPECT_EQ(machine->windows_version(), "winxp");
    const platform::sys::Environment env = platform::user_environment(*machine);
    EXPECT_EQ(env.at("USERPROFILE"), "C:\\Documents and Settings\\Alice");

    platform::install_program_folder(*machine, TAVRIN_SKIN_DIR);
    const auto program = machine->files().to_host(platform::kProgramFolder);
    ASSERT_TRUE(program);
    EXPECT_TRUE(program->string().starts_with((folder_.path() / "data" / "tavrin" / "installations").string()))
        << *program;
    EXPECT_TRUE(fs::is_directory(*program / "Logs"));
    EXPECT_EQ(machine->files().to_windows(*program / "Logs"), std::string(platform::kProgramFolder) + "\\Logs");
    machine->files().write_text(std::string(platform::kProgramFolder) + "\\Logs\\today.log", "a line");
    EXPECT_TRUE(machine->flush().empty());
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())), "");
}

TEST_F(WindowsInstallationTest, AHibernatedInstallationIsOnlyReadAndPreviewed) {
    const std::string file = "C:\\Documents and Settings\\Bob\\trace.txt";
    std::ofstream(dir() / "Documents and Settings" / "Bob" / "trace.txt") << "a trace";
    for (const std::string signature : {"hibr", "HIBR", "wake"}) {
        std::ofstream(dir() / "hiberfil.sys", std::ios::binary) << signature << std::string(4092, '\0');
        const tavrin_test::FolderSnapshot before = tavrin_test::snapshot(dir());
        auto machine = open("Alice");
        const bool hibernated = signature != "wake";
        EXPECT_EQ(machine->read_only_reason().find("is hibernated") != std::string::npos, hibernated) << signature;
        {
            platform::Recording dry_run(*machine, platform::RemovalLog::Mode::DryRun);
            EXPECT_TRUE(machine->files().may_modify(file));
            machine->files().delete_file(file);
            EXPECT_EQ(dry_run.finish().size(), 1u);
        }
        if (!hibernated) continue;
        platform::Recording run(*machine, platform::RemovalLog::Mode::Record);
        EXPECT_THROW(machine->files().delete_file(file), platform::fs::FsError);
        // Every way of changing a file refuses, the folder handles the shredder walks with too; the
        // program's own folder, kept outside the installation, stays writable.
        EXPECT_FALSE(machine->files().may_modify(file));
        auto folder = machine->files().open_folder("C:\\Documents and Settings\\Bob");
        ASSERT_TRUE(folder);
        EXPECT_THROW(folder->delete_file("trace.txt"), platform::fs::FsError);
        EXPECT_THROW(folder->open("trace.txt", platform::fs::File::Mode::WriteInPlace), platform::fs::FsError);
        EXPECT_THROW(folder->open("new.txt", platform::fs::File::Mode::CreateAlways), platform::fs::FsError);
        EXPECT_THROW(machine->files().open_folder("C:\\Documents and Settings")->delete_tree("Bob"), platform::fs::FsError);
        const std::string log = std::string(platform::kProgramFolder) + "\\today.log";
        EXPECT_TRUE(machine->files().may_modify(log));
        EXPECT_NO_THROW(machine->files().write_text(log, "a line"));
        ASSERT_EQ(machine->registry().set_value(platform::registry::Root::CurrentUser, "", "Mark", type::Dword,
                                                std::vector<uint8_t>{1, 0, 0, 0}),
                  platform::registry::Status::Ok);
        EXPECT_THROW(machine->flush(), MachineError);
        run.finish();
        EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())), "");
    }
}

TEST_F(WindowsInstallationTest, AHiveThatIsALinkOrAFolderIsRefused) {
    const fs::path bob = dir() / "Documents and Settings" / "Bob" / "NTUSER.DAT";
    fs::remove(bob);
    fs::create_symlink(template_, bob);
    EXPECT_NE(refusal("Bob").find("is a link, not the installation's own file"), std::string::npos) << refusal("Bob");
    fs::remove(bob);
    fs::create_directory(bob);
    EXPECT_NE(refusal("Bob").find("is not a file"), std::string::npos) << refusal("Bob");
}

// A save killed midway leaves its copy of the hive beside it: the program that holds the
// installation next removes it and leaves the hive as it was; on a hibernated one it stays.
TEST_F(WindowsInstallationTest, TheHolderRemovesTheCopiesAKilledSaveLeftBesideTheHives) {
    const fs::path software = dir() / "WINDOWS" / "system32" / "config" / "SOFTWARE";
    const fs::path ntuser = dir() / "Documents and Settings" / "Alice" / "NTUSER.DAT";
    const std::vector<fs::path> leftovers = {software.parent_path() / ".SOFTWARE.tavrin-a1B2c3",
                                             ntuser.parent_path() / ".NTUSER.DAT.tavrin-XyZ789"};
    const fs::path other = ntuser.parent_path() / ".ntuser.ini.tavrin-a1B2c3";
    for (const fs::path& file : leftovers) fs::copy_file(template_, file);
    std::ofstream(other) << "not a hive's";
    std::ofstream(dir() / "hiberfil.sys", std::ios::binary) << "hibr" << std::string(4092, '\0');
    const tavrin_test::FolderSnapshot hibernated = tavrin_test::snapshot(dir());
    {
        auto machine = open("Alice");
        const platform::MachineLock held(*machine);
    }
    EXPECT_EQ(tavrin_test::changes(hibernated, tavrin_test::snapshot(dir())), "");

    fs::remove(dir() / "hiberfil.sys");
    const tavrin_test::FolderSnapshot before = tavrin_test::snapshot(dir());
    auto machine = open("Alice");
    const platform::MachineLock held(*machine);
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())),
              "gone: Documents and Settings/Alice/.NTUSER.DAT.tavrin-XyZ789\n"
              "gone: WINDOWS/system32/config/.SOFTWARE.tavrin-a1B2c3\n");
}

// The clipboard is the desktop's that runs the program: cleaning an offline installation leaves
// it as it is and says why.
TEST_F(WindowsInstallationTest, ItsClipboardItemLeavesTheDesktopsClipboard) {
    auto machine = open("Alice");
    const platform::CurrentMachineScope current(*machine);
    platform::install_program_folder(*machine, TAVRIN_SKIN_DIR);
    const fs::path tools = folder_.path() / "tools";
    fs::create_directories(tools);
    std::ofstream(tools / "wl-copy") << "#!/bin/sh\ntouch '" << (tools / "called").string() << "'\n";
    fs::permissions(tools / "wl-copy", fs::perms::owner_all);
    const tavrin_test::ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-test"), path("PATH", tools.string());
    engine::Misc_Functions misc;
    std::vector<std::string> shown;
    misc.ShowLog.subscribe([&](std::string& line) { shown.push_back(line); });
    misc.CleanClipboard();
    EXPECT_FALSE(fs::exists(tools / "called"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], engine::GetMessageText("msg84") + " " + engine::GetMessageText("msg1020"));
}

// The program's own keys (settings, profiles, backups) are kept beside its program folder: saved
// and read back without a byte of the installation changing, also while it is hibernated.
TEST_F(WindowsInstallationTest, TheProgramsOwnKeysAreKeptOutsideIt) {
    using platform::registry::Root;
    using platform::registry::Status;
    const tavrin_test::FolderSnapshot before = tavrin_test::snapshot(dir());
    const std::string key = "Software\\lumarq3\\Settings\\Mine";
    const auto set = [&](Machine& machine, const std::string& name) {
        ASSERT_EQ(machine.registry().create_key(Root::CurrentUser, key), Status::Ok);
        ASSERT_EQ(machine.registry().set_value(Root::CurrentUser, key, name, type::Dword, std::vector<uint8_t>{1, 0, 0, 0}),
                  Status::Ok);
        EXPECT_TRUE(machine.flush().empty());
    };
    set(*open("Alice"), "Awake");
    std::ofstream(dir() / "hiberfil.sys", std::ios::binary) << "hibr" << std::string(4092, '\0');
    const tavrin_test::FolderSnapshot hibernated = tavrin_test::snapshot(dir());
    set(*open("Alice"), "Hibernated");
    EXPECT_EQ(tavrin_test::changes(hibernated, tavrin_test::snapshot(dir())), "");
    fs::remove(dir() / "hiberfil.sys");
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())), "");
    auto machine = open("Alice");
    EXPECT_EQ(machine->registry().value_names(Root::CurrentUser, key), (std::vector<std::string>{"Awake", "Hibernated"}));
    EXPECT_FALSE(open("Bob")->registry().key_exists(Root::CurrentUser, key));
}

// Freeing memory, the connection booster, the Windows settings and the uninstallers act on a
// running Windows: on an offline installation the screens say so, show none of this computer's
// memory as its, take none of it and leave every byte of the installation as it was.
TEST_F(WindowsInstallationTest, ItsToolsForARunningWindowsSaySoAndChangeNothing) {
    const tavrin_test::FolderSnapshot before = tavrin_test::snapshot(dir());
    auto machine = open("Alice");
    const platform::CurrentMachineScope current(*machine);
    const auto screens = start_screens(*machine);
    auto& stage = screens->stage;
    auto& program = screens->program;
    for (const auto& [command, args] : std::vector<std::pair<std::string, std::string>>{
             {"IDC_FS_SCROLL", "100"}, {"AUTOMATIC-C", ""}, {"IDC_FS_ISB_WIZARDMODE", ""},
             {"IDC_FS_CONNECTION", "false,false,true,false"}, {"IDC_FS_ADVANCEDMODEFINISHED", ""},
             {"IDC_FS_INTERNET SETTINGS", ""}, {"IDC_FS_SYSTEM PROPERTIES", ""}, {"IDC_FS_UNISTALLPROGRAMS", "EDITOR"}}) {
        stage.will_press(program.shell().text("msg18"));
        stage.send(app::kMainMovie, command, args);
    }
    stage.tick_timers();
    EXPECT_TRUE(stage.values_of(app::kMainMovie, "_root.RamValue").empty());
    EXPECT_EQ(stage.values_of(app::kMainMovie, "_root.OfflineInstallation"), std::vector<std::string>{"1"});
    EXPECT_TRUE(stage.values_of(app::kMainMovie, "_root.FreedMemory").empty());
    const auto text = [&](const char* key) { return program.shell().text(key); };
    const std::vector<std::pair<std::string, std::string>> notices{
        {text("msg1021"), text("msg1022")}, {text("msg1021"), text("msg1023")}, {text("msg1021"), text("msg1023")},
        {text("msg1021"), text("msg1061")}, {text("msg1021"), text("msg1061")},
        {text("msg122"), app::fill_in(text("msg1062"), {"Editor"})}};
    ASSERT_EQ(stage.boxes().size(), notices.size());
    for (size_t i = 0; i < notices.size(); ++i) {
        EXPECT_EQ(stage.boxes()[i].title, notices[i].first) << i;
        EXPECT_EQ(stage.boxes()[i].message, notices[i].second) << i;
    }
    EXPECT_EQ(engine::RAM().FreeUpMemory(1 << 20), 0);
    EXPECT_TRUE(machine->flush().empty());
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())), "");
}

// The screens of a hibernated installation say from the start why it is only read, refuse a clean
// and a registry repair before they begin, with that reason, and still preview what the clean
// would remove; not a byte of the installation changes.
TEST_F(WindowsInstallationTest, ItsScreensWhileHibernatedSayWhyRefuseChangesAndStillPreview) {
    const fs::path temp = dir() / "WINDOWS" / "Temp";
    fs::create_directories(temp);
    std::ofstream(temp / "setup.log") << "a trace";
    std::ofstream(dir() / "hiberfil.sys", std::ios::binary) << "hibr" << std::string(4092, '\0');
    const tavrin_test::FolderSnapshot before = tavrin_test::snapshot(dir());
    auto machine = open("Alice");
    const platform::CurrentMachineScope current(*machine);
    const auto screens = start_screens(*machine);
    auto& stage = screens->stage;
    auto& program = screens->program;
    const auto text = [&](std::string_view key) { return program.shell().text(std::string(key)); };
    ASSERT_TRUE(machine->read_only_cause());
    const std::string reason = app::read_only_text(*machine->read_only_cause(), text);
    EXPECT_NE(reason.find("hiberfil.sys"), std::string::npos) << reason;
    EXPECT_EQ(stage.values_of(app::kMainMovie, "_root.ReadOnlyMachine"),
              std::vector<std::string>{app::fill_in(text("msg1026"), {reason})});

    using Command = std::pair<std::string, std::string>;
    for (const auto& [command, args] : std::vector<Command>{{"IDC_FS_WIN", "1"}, {"IDC_FS_CLEAN_REG", "0"}}) {
        stage.will_press(text("msg18"));
        stage.send(app::kMainMovie, command, args);
    }
    ASSERT_EQ(stage.boxes().size(), 2u);
    for (const auto& box : stage.boxes()) {
        EXPECT_EQ(box.title, text("msg1076"));
        EXPECT_EQ(box.message, app::fill_in(text("msg1077"), {reason}));
    }
    EXPECT_TRUE(stage.values_of(app::kLogMovie, "_root.LogFile").empty()) << "no run began";

    stage.send(app::kMainMovie, "IDC_FS_PREVIEW", "IDC_FS_WIN|1");
    const std::vector<std::string> rows = stage.values_of(app::kMainMovie, "_root.NamesOfPreviewRows");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0].find("file\tC:\\WINDOWS\\temp\\setup.log\t"), std::string::npos) << rows[0];
    EXPECT_EQ(stage.boxes().size(), 2u);
    EXPECT_TRUE(machine->flush().empty());
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())), "");
}
