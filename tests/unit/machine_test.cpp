// Opening and creating machines, the Windows they describe, the one-program lock and the
// program folder installed into them.
//
// The wineserver check looks for a listening Unix socket, so the test makes one with the host's
// socket calls.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/machine/install.h"
#include "platform/machine/machine.h"
#include "platform/machine/machine_lock.h"
#include "platform/machine/wineserver.h"
#include "tests/unit/support/folder_snapshot.h"
#include "tests/unit/support/scoped_env.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace stdfs = std::filesystem;
using platform::Machine;
using platform::MachineError;
using platform::registry::Root;

// A scratch folder outside any machine, removed afterwards.
class Scratch {
public:
    Scratch() : dir_(stdfs::temp_directory_path() / ("tavrin-machine-test-" + std::to_string(std::random_device{}()))) {
        stdfs::create_directories(dir_);
    }
    ~Scratch() { stdfs::remove_all(dir_); }
    const stdfs::path& dir() const { return dir_; }

private:
    stdfs::path dir_;
};

std::string text_value(Machine& machine, Root root, std::string_view key, std::string_view name) {
    platform::registry::Value value;
    if (machine.registry().query_value(root, key, name, value) != platform::registry::Status::Ok) return "<missing>";
    std::string text(value.data.begin(), value.data.end());
    return text.substr(0, text.find('\0'));
}

void set_text(Machine& machine, Root root, std::string_view key, std::string_view name, std::string_view text) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    machine.registry().create_key(root, key);
    machine.registry().set_value(root, key, name, platform::registry::type::Sz, data);
}

std::string message_of(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const MachineError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no MachineError was thrown";
    return "";
}

constexpr std::string_view kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

TEST(Sandbox, IsAWindowsXpMachineWhoseRegistryNamesRealFolders) {
    Scratch scratch;
    bool created = false;
    auto machine = Machine::open_or_create(scratch.dir() / "new" / "machine", {}, &created);
    EXPECT_TRUE(created);
    EXPECT_EQ(machine->windows_version(), "winxp");
    EXPECT_EQ(machine->files().drives(), std::vector<std::string>{"C:\\"});
    EXPECT_EQ(stdfs::read_symlink(machine->dir() / "dosdevices" / "c:"), "../drive_c");

    const std::string profile = "C:\\Documents and Settings\\" + machine->user_name();
    for (const char* folder : {"C:\\WINDOWS\\system32", "C:\\WINDOWS\\Temp", "C:\\Program Files",
                               "C:\\Documents and Settings\\All Users"})
        EXPECT_TRUE(machine->files().is_directory(folder)) << folder;
    EXPECT_TRUE(machine->files().is_directory(profile + "\\Local Settings\\Temp"));

    // Every user folder the registry names exists, and both registry forms agree.
    auto names = machine->registry().value_names(Root::CurrentUser, kShellFolders);
    EXPECT_GE(names.size(), 19u);
    for (const std::string& name : names) {
        std::string path = text_value(*machine, Root::CurrentUser, kShellFolders, name);
        EXPECT_TRUE(machine->files().is_directory(path)) << name << " = " << path;
        std::string unexpanded = text_value(*machine, Root::CurrentUser, kUserShellFolders, name);
        EXPECT_EQ(profile + unexpanded.substr(std::string("%USERPROFILE%").size()), path) << name;
    }
    for (const std::string& name : machine->registry().value_names(Root::LocalMachine, kShellFolders))
        EXPECT_TRUE(machine->files().is_directory(text_value(*machine, Root::LocalMachine, kShellFolders, name))) << name;

    EXPECT_EQ(text_value(*machine, Root::CurrentUser, kShellFolders, "Cache"),
              profile + "\\Local Settings\\Temporary Internet Files");
    const std::string_view nt = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    EXPECT_EQ(text_value(*machine, Root::LocalMachine, nt, "SystemRoot"), "C:\\WINDOWS");
    EXPECT_EQ(text_value(*machine, Root::LocalMachine, nt, "CurrentBuildNumber"), "2600");
    EXPECT_EQ(text_value(*machine, Root::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"),
              "C:\\Program Files");
    EXPECT_EQ(text_value(*machine, Root::CurrentUser, "Environment", "TEMP"), profile + "\\Local Settings\\Temp");
    EXPECT_EQ(text_value(*machine, Root::CurrentUser, "Control Panel\\International", "sShortDate"), "M/d/yyyy");
    EXPECT_EQ(text_value(*machine, Root::CurrentUser, "Control Panel\\International", "sTimeFormat"), "h:mm:ss tt");
    EXPECT_NE(text_value(*machine, Root::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main", "Start Page"),
              "<missing>");
    EXPECT_FALSE(machine->registry().has_unsaved_changes());

    // Opened again, it is the same machine and nothing new is created.
    machine.reset();
    machine = Machine::open_or_create(scratch.dir() / "new" / "machine/", {}, &created);
    EXPECT_FALSE(created);
    EXPECT_EQ(machine->windows_version(), "winxp");
    EXPECT_EQ(stdfs::directory_entry(scratch.dir() / "new").path(), scratch.dir() / "new");
    EXPECT_EQ(std::distance(stdfs::directory_iterator(scratch.dir() / "new"), stdfs::directory_iterator()), 1)
        << "the folder the sandbox was built in was left behind";
}

TEST(Sandbox, IsCreatedInAnEmptyFolderButNeverOverAnythingElse) {
    Scratch scratch;
    stdfs::create_directories(scratch.dir() / "empty");
    bool created = false;
    Machine::open_or_create(scratch.dir() / "empty", {}, &created);
    EXPECT_TRUE(created);
    EXPECT_TRUE(stdfs::exists(scratch.dir() / "empty" / "system.reg"));

    stdfs::create_directories(scratch.dir() / "documents");
    std::ofstream(scratch.dir() / "documents" / "letter.txt") << "dear";
    std::string message = message_of([&] { Machine::open_or_create(scratch.dir() / "documents"); });
    EXPECT_NE(message.find("is not a machine"), std::string::npos) << message;
    EXPECT_FALSE(stdfs::exists(scratch.dir() / "documents" / "system.reg"));

    message = message_of([&] { Machine::open(scratch.dir() / "missing"); });
    EXPECT_NE(message.find("does not exist"), std::string::npos) << message;
    EXPECT_FALSE(stdfs::exists(scratch.dir() / "missing"));
    message = message_of([&] { Machine::open(scratch.dir() / "documents" / "letter.txt"); });
    EXPECT_NE(message.find("not a folder"), std::string::npos) << message;

    stdfs::create_directories(scratch.dir() / "broken");
    std::ofstream(scratch.dir() / "broken" / "system.reg") << "this is not a registry file\n";
    message = message_of([&] { Machine::open(scratch.dir() / "broken"); });
    EXPECT_NE(message.find("system.reg"), std::string::npos) << message;
}

// A real Wine prefix: its registry files from the fixture, a C: drive and z: -> / as Wine makes it.
class WinePrefixTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix = scratch.dir() / "prefix";
        stdfs::create_directories(prefix / "dosdevices");
        for (const char* hive : {"system.reg", "user.reg", "userdef.reg"})
            stdfs::copy_file(stdfs::path(TAVRIN_FIXTURES_DIR) / "wine-prefix" / hive, prefix / hive);
        stdfs::create_directories(prefix / "drive_c" / "users" / "root" / "Temp");
        stdfs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
        stdfs::create_directory_symlink("/", prefix / "dosdevices" / "z:");
        outside = scratch.dir() / "outside.txt";
        std::ofstream(outside) << "not the machine's";
    }

    Scratch scratch;
    stdfs::path prefix;
    stdfs::path outside;
};

TEST_F(WinePrefixTest, OpensWithItsOwnVersionUserAndDrives) {
    bool created = true;
    auto machine = Machine::open_or_create(prefix, {}, &created);
    EXPECT_FALSE(created);
    EXPECT_EQ(machine->windows_version(), "win2003");  // the fixture's NT key says 5.2
    EXPECT_EQ(machine->user_name(), "root");
    EXPECT_EQ(machine->files().drives(), (std::vector<std::string>{"C:\\", "Z:\\"}));
    EXPECT_TRUE(machine->files().is_directory("C:\\Users\\ROOT\\temp"));
    EXPECT_EQ(text_value(*machine, Root::CurrentUser, "Software\\PlanTest\\Key With Space", ""), "default value");

    std::string victim = "Z:" + outside.string();
    std::replace(victim.begin(), victim.end(), '/', '\\');
    EXPECT_EQ(machine->files().read_text(victim), "not the machine's");
    EXPECT_THROW(machine->files().delete_file(victim), platform::fs::FsError);
    EXPECT_THROW(machine->files().write_text(victim, "overwritten"), platform::fs::FsError);
    EXPECT_THROW(machine->files().delete_tree("Z:\\tmp"), platform::fs::FsError);
    std::ifstream in(outside);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not the machine's");

    // Opening and closing without changes leaves the prefix's files exactly as they were.
    machine->flush();
    std::ifstream original(stdfs::path(TAVRIN_FIXTURES_DIR) / "wine-prefix" / "system.reg", std::ios::binary);
    std::ifstream kept(prefix / "system.reg", std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(original), {}, std::istreambuf_iterator<char>(kept), {}));
}

TEST_F(WinePrefixTest, WindowsVersionPrefersWinesOwnSetting) {
    auto machine = Machine::open(prefix);
    set_text(*machine, Root::LocalMachine, "Software\\Wine", "Version", "win98");
    EXPECT_EQ(machine->windows_version(), "win98");
    set_text(*machine, Root::CurrentUser, "Software\\Wine", "Version", "WIN2K");
    EXPECT_EQ(machine->windows_version(), "win2k");

    machine->registry().delete_value(Root::CurrentUser, "Software\\Wine", "Version");
    machine->registry().delete_value(Root::LocalMachine, "Software\\Wine", "Version");
    set_text(*machine, Root::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", "5.1");
    EXPECT_EQ(machine->windows_version(), "winxp");

    machine->registry().delete_value(Root::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion",
                                     "CurrentVersion");
    set_text(*machine, Root::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "VersionNumber", "4.90.3000");
    EXPECT_EQ(machine->windows_version(), "winme");
}

// The lock writes nothing into the machine: its file lives in the user's runtime folder (here a
// stand-in) and goes with the lock. It holds whatever happens to that file, and whichever path
// leads to the machine.
TEST(MachineLock, KeepsASecondProgramOffAndLeavesNoTrace) {
    Scratch runtime;
    tavrin_test::ScopedEnv runtime_dir("XDG_RUNTIME_DIR", runtime.dir().string());
    tavrin_test::TempMachine temp;
    const stdfs::path other_way = runtime.dir() / "another name";
    stdfs::create_directory_symlink(temp.dir(), other_way);
    const auto before = tavrin_test::snapshot(temp.dir());
    {
        platform::MachineLock first(temp.machine());
        EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "");
        std::string message = message_of([&] { platform::MachineLock second(temp.machine()); });
        EXPECT_NE(message.find("Another Tavrin is already working on this machine"), std::string::npos) << message;
        EXPECT_NE(message.find(temp.dir().string()), std::string::npos) << message;
        EXPECT_NE(message.find("process " + std::to_string(getpid())), std::string::npos) << message;
        // Once the holder serves its screens, a second start learns where, by any path to the machine.
        const std::string address = "http://127.0.0.1:4711/?token=abc";
        first.publish_address(address);
        auto reopened = Machine::open(other_way);
        try {
            platform::MachineLock second(*reopened);
            ADD_FAILURE() << "a second lock by a link";
        } catch (const platform::MachineBusy& busy) {
            EXPECT_EQ(busy.address(), address);
            EXPECT_NE(std::string(busy.what()).find("process " + std::to_string(getpid())), std::string::npos);
        }
        stdfs::remove_all(runtime.dir() / "tavrin");
        EXPECT_THROW(platform::MachineLock second(temp.machine()), MachineError) << "its lock file deleted";
    }
    EXPECT_NO_THROW(platform::MachineLock again(temp.machine()));
    EXPECT_TRUE(stdfs::is_empty(runtime.dir() / "tavrin"));
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(temp.dir())), "");
}

// Without a runtime folder the lock file goes to a private folder in the temporary folder; one
// that someone else made there (a link, a folder open to others) is refused, not written into.
TEST(MachineLock, RefusesATemporaryLockFolderThatIsNotPrivate) {
    Scratch temp_root, outside;
    tavrin_test::ScopedEnv runtime_dir("XDG_RUNTIME_DIR", std::nullopt);
    tavrin_test::ScopedEnv tmpdir("TMPDIR", temp_root.dir().string());
    tavrin_test::TempMachine temp;
    const stdfs::path folder = temp_root.dir() / ("tavrin-" + std::to_string(geteuid()));

    stdfs::create_directory_symlink(outside.dir(), folder);
    std::string message = message_of([&] { platform::MachineLock lock(temp.machine()); });
    EXPECT_NE(message.find("not a private folder"), std::string::npos) << message;
    EXPECT_TRUE(stdfs::is_empty(outside.dir()));
    stdfs::remove(folder);

    stdfs::create_directory(folder);
    stdfs::permissions(folder, stdfs::perms::others_all, stdfs::perm_options::add);
    EXPECT_THROW(platform::MachineLock lock(temp.machine()), MachineError);
    stdfs::remove(folder);

    EXPECT_NO_THROW(platform::MachineLock lock(temp.machine()));
    EXPECT_EQ(stdfs::status(folder).permissions() & stdfs::perms::all, stdfs::perms::owner_all);
}

std::string read_file(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A program killed in the middle of a save leaves its half-written replacement beside the hive;
// the next one to hold the machine removes it, and nothing else.
TEST(MachineLock, TheHolderRemovesReplacementsAKilledSaveLeftBehind) {
    tavrin_test::TempMachine temp;
    // The last name is how earlier versions named a hive's replacement.
    const char* stale[] = {".system.reg.tavrin-a1B2c3", ".user.reg.tavrin-XyZ789", ".userdef.reg.tavrin-000000",
                           "user.reg.tmp-Q1w2E3"};
    const char* kept[] = {".user.reg.tavrin-toolong1", ".notes.reg.tavrin-a1B2c3", "user.reg.bak", "user.reg.tmp-toolong"};
    for (const char* name : stale) std::ofstream(temp.dir() / name) << "[half";
    for (const char* name : kept) std::ofstream(temp.dir() / name) << "mine";
    {
        platform::MachineLock first(temp.machine());
        for (const char* name : stale) EXPECT_FALSE(stdfs::exists(temp.dir() / name)) << name;
        for (const char* name : kept) EXPECT_EQ(read_file(temp.dir() / name), "mine") << name;
        // While it is held, a second program takes nothing away from the holder's saves.
        std::ofstream(temp.dir() / stale[1]) << "[being written";
        EXPECT_THROW(platform::MachineLock second(temp.machine()), platform::MachineError);
        EXPECT_TRUE(stdfs::exists(temp.dir() / stale[1]));
    }
    EXPECT_TRUE(read_file(temp.dir() / "system.reg").starts_with("WINE REGISTRY Version 2"));
}

// A Unix socket at the place Wine's server of this prefix would listen on: in the folder Wine as
// built upstream uses, or in another one.
class FakeWineserver {
public:
    explicit FakeWineserver(const stdfs::path& prefix,
                            const stdfs::path& folder = stdfs::path("/tmp") / (".wine-" + std::to_string(getuid()))) {
        struct stat st;
        EXPECT_EQ(stat(prefix.c_str(), &st), 0);
        char name[64];
        std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
        folder_ = folder / name;
        stdfs::create_directories(folder_);
        fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (folder_ / "socket").c_str());
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    ~FakeWineserver() {
        if (fd_ >= 0) close(fd_);
        stdfs::remove_all(folder_);
    }
    void listen_now() { EXPECT_EQ(::listen(fd_, 4), 0); }

private:
    stdfs::path folder_;
    int fd_ = -1;
};

TEST(MachineLock, RefusesAPrefixARunningWineserverServes) {
    tavrin_test::TempMachine temp;
    FakeWineserver server(temp.dir());
    // A socket left behind by a wineserver that has gone accepts nothing: no reason to refuse.
    EXPECT_NO_THROW(platform::MachineLock stale(temp.machine()));

    server.listen_now();
    std::string message = message_of([&] { platform::MachineLock lock(temp.machine()); });
    EXPECT_NE(message.find("wineserver"), std::string::npos) << message;
    EXPECT_NE(message.find("registry in memory"), std::string::npos) << message;
}

// Debian's wineserver, started for the prefix and ended with -k whatever the test's outcome.
// It keeps its socket in a folder under its temporary folder (tmpdir, else /tmp) that the prefix's
// "wineserver" file names; the folder stays behind after -k, so the test removes it.
class RealWineserver {
public:
    static bool available() { return std::system("command -v wineserver >/dev/null 2>&1") == 0; }

    RealWineserver(const stdfs::path& prefix, const std::optional<stdfs::path>& tmpdir)
        : prefix_(prefix), temp_root_(tmpdir.value_or("/tmp")) {
        std::string environment = tmpdir ? "TMPDIR='" + tmpdir->string() + "'" : "env -u TMPDIR";
        command_prefix_ = environment + " WINEPREFIX='" + prefix.string() + "' WINEDEBUG=-all wineserver";
        started_ = std::system((command_prefix_ + " -p >/dev/null 2>&1").c_str()) == 0;
    }
    ~RealWineserver() { end(); }
    bool started() const { return started_; }

    // -k waits until the server has written its files and gone.
    void end() {
        if (!started_) return;
        started_ = false;
        [[maybe_unused]] int status = std::system((command_prefix_ + " -k >/dev/null 2>&1").c_str());
        std::string folder;
        std::getline(std::ifstream(prefix_ / "wineserver"), folder);
        if (!folder.empty() && folder.find('/') == std::string::npos) stdfs::remove_all(temp_root_ / folder);
    }

private:
    stdfs::path prefix_, temp_root_;
    std::string command_prefix_;
    bool started_ = false;
};

TEST(MachineLock, RefusesAPrefixARealWineserverServesAndSaysHowToEndIt) {
    if (!RealWineserver::available()) GTEST_SKIP() << "wineserver is not installed (Debian package wine64)";
    tavrin_test::TempMachine temp;
    Scratch tmpdir;
    tavrin_test::ScopedEnv tmpdir_variable("TMPDIR", tmpdir.dir().string());
    const std::string kill_command = "WINEPREFIX=" + temp.dir().string() + " wineserver -k";

    // Started under the same temporary folder as ours, and under /tmp while ours is elsewhere.
    for (std::optional<stdfs::path> server_tmpdir : {std::optional(tmpdir.dir()), std::optional<stdfs::path>()}) {
        SCOPED_TRACE(server_tmpdir ? "TMPDIR=" + server_tmpdir->string() : "TMPDIR unset");
        RealWineserver server(temp.dir(), server_tmpdir);
        if (!server.started()) GTEST_SKIP() << "Wine cannot run here: wineserver -p did not start";
        std::string message = message_of([&] { platform::MachineLock lock(temp.machine()); });
        EXPECT_NE(message.find("registry in memory"), std::string::npos) << message;
        EXPECT_NE(message.find(kill_command), std::string::npos) << message;

        server.end();
        EXPECT_NO_THROW(platform::MachineLock lock(temp.machine())) << "an ended wineserver is no reason to refuse";
    }
}

// The "wineserver" file comes with the prefix: whatever it holds, looking at it neither hangs nor
// leads the check out of the temporary folder.
TEST(MachineLock, AHostileWineserverFileNeitherHangsNorLeadsElsewhere) {
    tavrin_test::TempMachine temp;
    Scratch scratch;
    stdfs::create_directories(scratch.dir() / "tmp");
    tavrin_test::ScopedEnv tmpdir("TMPDIR", (scratch.dir() / "tmp").string());
    // A listening socket one level above the temporary folder, which ".." would reach.
    FakeWineserver elsewhere(temp.dir(), scratch.dir());
    elsewhere.listen_now();

    const stdfs::path file = temp.dir() / "wineserver";
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"a pipe", [&] { ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); }},
        {"a link to an endless device", [&] { stdfs::create_symlink("/dev/zero", file); }},
        {"the folder above", [&] { std::ofstream(file) << "..\n"; }},
        {"a path through the folder above", [&] { std::ofstream(file) << "../" << scratch.dir().filename().string(); }},
    };
    for (const auto& [name, make] : cases) {
        stdfs::remove(file);
        make();
        EXPECT_FALSE(platform::wineserver_serves(temp.dir())) << name;
        EXPECT_NO_THROW(platform::MachineLock lock(temp.machine())) << name;
    }
}

TEST(MachineLock, TheAdviceQuotesAPrefixWithSpaces) {
    EXPECT_EQ(platform::wineserver_kill_command("/home/me/.wine"), "WINEPREFIX=/home/me/.wine wineserver -k");
    EXPECT_EQ(platform::wineserver_kill_command("/home/me/My Wine's"),
              "WINEPREFIX='/home/me/My Wine'\\''s' wineserver -k");
}

TEST(ProgramFolder, IsInstalledAndRepairedFromTheSkin) {
    Scratch skin;
    stdfs::create_directories(skin.dir() / "js");
    std::ofstream(skin.dir() / "index.html") << "<html>";
    std::ofstream(skin.dir() / "js" / "player.js") << "play();";
    tavrin_test::TempMachine temp;
    auto& files = temp.machine().files();
    const std::string folder = platform::kProgramFolder;

    platform::install_program_folder(temp.machine(), skin.dir());
    for (const char* sub : {"\\Logs", "\\BackUp_dll", "\\plugins", "\\skin\\js"})
        EXPECT_TRUE(files.is_directory(folder + sub)) << sub;
    EXPECT_EQ(files.read_text(folder + "\\skin\\js\\player.js"), "play();");

    // A changed file is put back; an unchanged one is not rewritten.
    files.write_text(folder + "\\skin\\index.html", "<html>tampered");
    auto player = temp.host(folder + "\\skin\\js\\player.js");
    auto old_time = stdfs::file_time_type::clock::now() - std::chrono::hours(24);
    stdfs::last_write_time(player, old_time);
    platform::install_program_folder(temp.machine(), skin.dir());
    EXPECT_EQ(files.read_text(folder + "\\skin\\index.html"), "<html>");
    EXPECT_EQ(stdfs::last_write_time(player), old_time);

    std::string message = message_of([&] { platform::install_program_folder(temp.machine(), skin.dir() / "none"); });
    EXPECT_NE(message.find("skin folder"), std::string::npos) << message;
}

// A hive is saved as a new file beside it, renamed over the old name: a hive that is a link to
// a file outside the machine, or a second name of one, gets a file of its own, and the file
// outside stays as it was.
TEST(MachineHives, AreNeverSavedThroughALinkOrASecondName) {
    Scratch outside;
    tavrin_test::TempMachine temp;
    for (const char* hive : {"user.reg", "system.reg"}) {
        stdfs::copy_file(temp.dir() / hive, outside.dir() / hive);
        stdfs::remove(temp.dir() / hive);
    }
    stdfs::create_hard_link(outside.dir() / "user.reg", temp.dir() / "user.reg");
    stdfs::create_symlink(outside.dir() / "system.reg", temp.dir() / "system.reg");
    const std::string user_before = read_file(outside.dir() / "user.reg");
    const std::string system_before = read_file(outside.dir() / "system.reg");
    temp.reopen();

    set_text(temp.machine(), Root::CurrentUser, "Software\\Tavrin\\Test", "mine", "changed");
    set_text(temp.machine(), Root::LocalMachine, "Software\\Tavrin\\Test", "mine", "changed");
    temp.machine().flush();

    EXPECT_EQ(read_file(outside.dir() / "user.reg"), user_before);
    EXPECT_EQ(read_file(outside.dir() / "system.reg"), system_before);
    EXPECT_EQ(stdfs::hard_link_count(temp.dir() / "user.reg"), 1u);
    EXPECT_TRUE(stdfs::is_regular_file(stdfs::symlink_status(temp.dir() / "system.reg")));
    temp.reopen();
    EXPECT_EQ(text_value(temp.machine(), Root::CurrentUser, "Software\\Tavrin\\Test", "mine"), "changed");
    EXPECT_EQ(text_value(temp.machine(), Root::LocalMachine, "Software\\Tavrin\\Test", "mine"), "changed");
}

// Whatever lies in a hive's place, opening the machine answers at once: a pipe does not wait for
// a writer, a device is not read for ever, a sparse giant is not read into memory.
TEST(MachineHives, APipeADeviceOrAGiantInAHivesPlaceIsRefusedAtOnce) {
    tavrin_test::TempMachine temp;
    const stdfs::path hive = temp.dir() / "system.reg";
    const auto refusal = [&](const char* what) {
        auto opened = std::async(std::launch::async, [&] {
            try {
                platform::Machine::open(temp.dir());
            } catch (const MachineError& e) {
                return std::string(e.what());
            }
            return std::string("opened");
        });
        if (opened.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ::close(::open(hive.c_str(), O_WRONLY | O_NONBLOCK));  // lets a waiting open go on
            ADD_FAILURE() << what << ": opening the machine waited";
        }
        return opened.get();
    };

    stdfs::remove(hive);
    ASSERT_EQ(mkfifo(hive.c_str(), 0600), 0);
    EXPECT_NE(refusal("a pipe").find("not a regular file"), std::string::npos);
    stdfs::remove(hive);
    stdfs::create_symlink("/dev/zero", hive);
    EXPECT_NE(refusal("/dev/zero").find("not a regular file"), std::string::npos);
    stdfs::remove(hive);
    std::ofstream(hive).close();
    stdfs::resize_file(hive, uint64_t{8} << 30);
    EXPECT_NE(refusal("a sparse file of 8 GiB").find("more than a registry file can hold"), std::string::npos);
}

TEST(CurrentMachine, IsTheTestsMachineAndSurvivesAReopen) {
    {
        tavrin_test::TempMachine temp;
        ASSERT_TRUE(platform::has_current_machine());
        EXPECT_EQ(&platform::current_machine(), &temp.machine());

        // Only what was flushed survives a restart.
        set_text(temp.machine(), Root::CurrentUser, "Software\\Tavrin\\Test", "kept", "yes");
        temp.machine().flush();
        set_text(temp.machine(), Root::CurrentUser, "Software\\Tavrin\\Test", "lost", "yes");
        temp.reopen();
        EXPECT_EQ(&platform::current_machine(), &temp.machine());
        EXPECT_EQ(text_value(temp.machine(), Root::CurrentUser, "Software\\Tavrin\\Test", "kept"), "yes");
        EXPECT_EQ(text_value(temp.machine(), Root::CurrentUser, "Software\\Tavrin\\Test", "lost"), "<missing>");
    }
    EXPECT_FALSE(platform::has_current_machine());
    EXPECT_THROW(platform::current_machine(), MachineError);
}

}  // namespace
