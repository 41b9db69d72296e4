// A Windows installation on a real NTFS file system, as people bring one: an image made by mkntfs
// and mounted through ntfs-3g. --info, preview and clean through the mount find its folders in any
// case, replace the user's hive in one step under the name it has, leave it readable by
// hivexregedit and write nothing else. Where this computer cannot mount NTFS the test says why and
// skips.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/machine_info.h"
#include "app/cli/message_texts.h"
#include "platform/machine/machine.h"
#include "tests/unit/support/command_output.h"
#include "tests/unit/support/corpora.h"
#include "tests/unit/support/folder_snapshot.h"
#include "tests/unit/support/regf_template.h"
#include "tests/unit/support/scoped_env.h"
#include "tests/unit/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
namespace type = platform::registry::type;
using tavrin_test::regf_string;

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string read_bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The NTFS image mounted on `mount`, unmounted again however the test ends.
class NtfsMount {
public:
    // Empty when mounted; else why not.
    std::string mount(const fs::path& image, const fs::path& at) {
        if (tavrin_test::command_output("command -v mkntfs ntfs-3g fusermount").status != 0)
            return "mkntfs, ntfs-3g or fusermount is not installed (Debian package ntfs-3g)";
        if (!fs::exists("/dev/fuse")) return "no /dev/fuse: this computer offers no FUSE mounts";
        std::ofstream(image, std::ios::binary).close();
        fs::resize_file(image, 32 << 20);
        const auto made = tavrin_test::command_output("mkntfs -F -f -q -L TavrinTest " + quoted(image) + " 2>&1");
        if (made.status != 0) return "mkntfs refused: " + made.out;
        fs::create_directories(at);
        const auto mounted = tavrin_test::command_output("ntfs-3g " + quoted(image) + " " + quoted(at) + " 2>&1");
        if (mounted.status != 0) return "ntfs-3g could not mount the image here: " + mounted.out;
        at_ = at;
        return {};
    }
    ~NtfsMount() {
        if (at_) tavrin_test::command_output("fusermount -u " + quoted(*at_) + " 2>&1 || umount -l " + quoted(*at_) + " 2>&1");
    }

private:
    std::optional<fs::path> at_;
};

class NtfsInstallationTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto hive = tavrin_test::corpus_file("windows/regf/NTUSER.DAT");
        if (!hive) GTEST_SKIP() << "no NTUSER.DAT written by Windows in ../shared/corpora/windows/regf";
        if (tavrin_test::command_output("command -v hivexregedit").status != 0) GTEST_SKIP() << "hivexregedit is not installed";
        if (const std::string refused = mount_.mount(folder_.path() / "ntfs.img", dir()); !refused.empty())
            GTEST_SKIP() << refused;
        // Spelt as later Windows versions spell them, while the registry says "WINDOWS".
        const fs::path config = dir() / "Windows" / "System32" / "config";
        fs::create_directories(config);
        ASSERT_TRUE(tavrin_test::make_regf_hive(
            *hive, config / "SOFTWARE",
            {{"Microsoft\\Windows NT\\CurrentVersion",
              {{"SystemRoot", type::Sz, regf_string("C:\\WINDOWS")}, {"CurrentVersion", type::Sz, regf_string("5.1")}}},
             {"Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-7-8-9-1003",
              {{"ProfileImagePath", type::ExpandSz, regf_string("%SystemDrive%\\Documents and Settings\\Alice")}}}}));
        ASSERT_TRUE(tavrin_test::make_regf_hive(*hive, config / "SYSTEM", {{"Select", {{"Current", type::Dword, {1, 0, 0, 0}}}}}));
        ASSERT_TRUE(tavrin_test::make_regf_hive(*hive, config / "DEFAULT", {{"Control Panel", {}}}));
        fs::create_directories(dir() / "Documents and Settings" / "Alice");
        fs::copy_file(*hive, user_hive());
        fs::permissions(user_hive(), fs::perms::owner_write, fs::perm_options::add);
    }

    tavrin_test::CommandOutput run(std::vector<std::string> args) {
        args.insert(args.end(), {"--machine", dir().string(), "--json"});
        std::ostringstream out, err;
        const int status = app::cli::run_command(args, out, err);
        return {status, out.str() + err.str()};
    }

    // The recent documents Windows listed, as hivexregedit reads them from the user's hive.
    std::string recent_documents() const {
        const auto exported = tavrin_test::command_output(
            "hivexregedit --export " + quoted(user_hive()) + " '\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer'");
        EXPECT_EQ(exported.status, 0) << "hivexregedit cannot read the hive";
        const size_t key = exported.out.find("\\Explorer\\RecentDocs]");
        return key == std::string::npos ? "" : exported.out.substr(key, exported.out.find("\n\n", key) - key);
    }

    fs::path dir() const { return folder_.path() / "mnt"; }
    // Windows writes it upper-case; a copy made by hand may not be.
    fs::path user_hive() const { return dir() / "Documents and Settings" / "Alice" / "ntuser.dat"; }

    tavrin_test::TempFolder folder_;
    tavrin_test::ScopedEnv home_{"HOME", (folder_.path() / "home").string()};
    tavrin_test::ScopedEnv data_home_{"XDG_DATA_HOME", (folder_.path() / "data").string()};
    NtfsMount mount_;
};

}  // namespace

TEST_F(NtfsInstallationTest, InfoPreviewAndCleanThroughTheMountReplaceOnlyTheUsersHive) {
    const tavrin_test::FolderSnapshot before = tavrin_test::snapshot(dir());
    {
        auto machine = platform::Machine::open(dir());
        const platform::CurrentMachineScope current(*machine);
        std::ostringstream info;
        app::cli::print_machine_info(*machine, app::cli::message_texts(), info);
        EXPECT_NE(info.str().find("Kind: Windows installation, the profile of Alice\nWindows version: winxp\n"), std::string::npos)
            << info.str();
    }
    const std::string listed = recent_documents();
    ASSERT_NE(listed.find("\"MRUListEx\"="), std::string::npos) << "the corpus hive lists no recent documents";
    const auto preview = run({"preview", "windows.recent-documents"});
    ASSERT_EQ(preview.status, 0) << preview.out;
    EXPECT_NE(preview.out.find("\\\\RecentDocs"), std::string::npos) << preview.out;
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())), "") << "--info or preview wrote";

    const std::string bytes_before = read_bytes(user_hive());
    struct stat old_file {};
    ASSERT_EQ(::stat(user_hive().c_str(), &old_file), 0);
    const auto clean = run({"clean", "windows.recent-documents"});
    ASSERT_EQ(clean.status, 0) << clean.out;
    // The same removals as the preview listed.
    const auto removals = [](const std::string& json) {
        const size_t from = json.find("\"removals\"");
        return json.substr(from, json.find("\"totals\"") - from);
    };
    EXPECT_EQ(removals(clean.out), removals(preview.out));
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())),
              "changed: Documents and Settings/Alice/ntuser.dat\n");
    // Replaced by renaming a whole new file over it: another file record, not the old one rewritten.
    struct stat new_file {};
    ASSERT_EQ(::stat(user_hive().c_str(), &new_file), 0);
    EXPECT_NE(new_file.st_ino, old_file.st_ino);
    EXPECT_EQ(recent_documents().find("\"MRUListEx\"="), std::string::npos) << recent_documents();
    // The name of a document Windows listed is gone from the hive's bytes, not only from its keys.
    EXPECT_NE(bytes_before.find("ash_0.lnk"), std::string::npos);
    EXPECT_EQ(read_bytes(user_hive()).find("ash_0.lnk"), std::string::npos);
}
