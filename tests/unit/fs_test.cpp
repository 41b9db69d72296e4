// The drives of a machine: Windows paths, searches, attributes, files, quotas and the rules that
// keep destructive operations inside the machine folder.
//
// These tests check how Windows notions land on the host (the DOSATTRIB attribute, write bits),
// so unlike engine tests they look at the host side directly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/xattr.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <tuple>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/registry/registry.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace stdfs = std::filesystem;
using platform::fs::FindData;
using platform::fs::FsError;
using namespace std::chrono_literals;
namespace attr = platform::fs::attr;
namespace error = platform::fs::error;

std::string host_contents(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> names(const std::vector<FindData>& found) {
    std::vector<std::string> result;
    for (const auto& entry : found) result.push_back(entry.name);
    return result;
}

std::span<const uint8_t> bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Runs `operation` and returns the code of the FsError it must throw.
template <typename Operation>
uint32_t error_of(Operation operation) {
    try {
        operation();
    } catch (const FsError& e) {
        return e.code();
    }
    ADD_FAILURE() << "no FsError was thrown";
    return 0;
}

class FileSystemTest : public tavrin_test::MachineTest {
protected:
    platform::fs::FileSystem& files() { return machine().files(); }
};

TEST(WildcardMatch, FollowsTheWindowsRules) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*", "anything.txt", true},        {"*.*", "README", true},          {"*.*", "a.b.c", true},
        {"*.*", ".", true},                 {"*.*", "..", true},              {"*.txt", "notes.TXT", true},
        {"*.txt", "notes.txt.bak", false},  {"*.txt", "notes.txt", true},     {"*.", "README", true},
        {"*.", "notes.txt", false},         {"a?c", "abc", true},             {"a?c", "ac", false},
        {"a?c", "a.c", false},              {"file?.txt", "file.txt", true},  {"file?.txt", "file1.txt", true},
        {"file??", "file", true},           {"file??", "file123", false},     {"~*.tmp", "~WRL0001.tmp", true},
        {"*.tmp", "x.tmp1", false},         {"index.dat", "INDEX.DAT", true}, {"ÄBC*", "äbcdef", true},
        {"*a*b*c*d*e*f*g*", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::fs::wildcard_match(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
}

TEST_F(FileSystemTest, ResolvesWindowsPathsLikeWindows) {
    stdfs::path windows = machine().dir() / "drive_c" / "WINDOWS";
    EXPECT_EQ(files().to_host("C:\\windows\\SYSTEM32"), windows / "system32");
    EXPECT_EQ(files().to_host("c:/Windows/system32/"), windows / "system32");
    EXPECT_EQ(files().to_host("\\\\?\\C:\\WINDOWS\\\\Temp\\"), windows / "Temp");
    // ".." never climbs above the drive's root.
    EXPECT_EQ(files().to_host("C:\\..\\..\\..\\windows\\..\\WINDOWS"), windows);
    // Missing components keep the case they were given.
    EXPECT_EQ(files().to_host("C:\\windows\\New Folder\\Sub"), windows / "New Folder" / "Sub");

    EXPECT_FALSE(files().to_host("Q:\\anything"));
    EXPECT_FALSE(files().to_host("WINDOWS\\system32"));
    EXPECT_FALSE(files().to_host("C:WINDOWS"));
    EXPECT_FALSE(files().to_host("\\\\server\\share\\file"));
    EXPECT_FALSE(files().to_host("C:\\WINDOWS\\a*b"));

    EXPECT_EQ(files().to_windows(windows / "system32"), "C:\\WINDOWS\\system32");
    EXPECT_EQ(files().to_windows(machine().dir() / "drive_c"), "C:\\");
    EXPECT_FALSE(files().to_windows("/definitely/not/a/drive"));
}

// Lookups start from folders and drive roots found before: a change on the host between two
// lookups must show in the second.
TEST_F(FileSystemTest, LookupsSeeFoldersAndDrivesChangedSinceTheLastOne) {
    const stdfs::path drive_c = machine().dir() / "drive_c";
    stdfs::create_directories(drive_c / "Data" / "Sub");
    EXPECT_EQ(files().to_host("C:\\data\\sub\\f.txt"), drive_c / "Data" / "Sub" / "f.txt");

    stdfs::remove_all(drive_c / "Data");
    stdfs::create_directories(drive_c / "DATA" / "SUB");
    EXPECT_EQ(files().to_host("C:\\data\\sub\\f.txt"), drive_c / "DATA" / "SUB" / "f.txt");
    stdfs::remove_all(drive_c / "DATA");
    EXPECT_FALSE(files().is_directory("C:\\data\\sub"));

    const stdfs::path other = machine().dir() / "drive_other";
    stdfs::create_directories(other / "data" / "sub");
    const stdfs::path link = machine().dir() / "dosdevices" / "c:";
    stdfs::remove(link);
    stdfs::create_directory_symlink("../drive_other", link);
    EXPECT_EQ(files().to_host("C:\\data\\sub\\f.txt"), other / "data" / "sub" / "f.txt");
    EXPECT_TRUE(files().is_directory("C:\\DATA\\SUB"));

    stdfs::remove(link);
    EXPECT_FALSE(files().to_host("C:\\data\\sub\\f.txt"));
    stdfs::create_directory_symlink("../drive_c", link);
}

TEST_F(FileSystemTest, AnUnmappedDriveIsAClearError) {
    try {
        files().write_text("Q:\\notes.txt", "x");
        FAIL() << "writing to an unmapped drive succeeded";
    } catch (const FsError& e) {
        EXPECT_EQ(e.code(), error::PathNotFound);
        EXPECT_NE(std::string(e.what()).find("drive Q: is not mapped"), std::string::npos) << e.what();
    }
    EXPECT_EQ(error_of([&] { files().delete_file("C:\\bad|name"); }), error::InvalidName);
    EXPECT_FALSE(files().exists("Q:\\"));
    EXPECT_TRUE(files().find("Q:\\*").empty());
}

TEST_F(FileSystemTest, FindListsMatchesSortedWithDotEntriesOutsideTheRoot) {
    temp.write_file("C:\\data\\b.TXT", "b");
    temp.write_file("C:\\data\\a.txt", "a");
    temp.write_file("C:\\data\\README", "r");
    temp.write_file("C:\\data\\sub\\inner.txt", "i");

    EXPECT_EQ(names(files().find("C:\\DATA\\*")), (std::vector<std::string>{".", "..", "a.txt", "b.TXT", "README", "sub"}));
    EXPECT_EQ(names(files().find("C:\\data\\*.txt")), (std::vector<std::string>{"a.txt", "b.TXT"}));
    EXPECT_EQ(names(files().find("C:\\data\\*.")), (std::vector<std::string>{".", "..", "README", "sub"}));
    EXPECT_EQ(names(files().find("c:/data/readme")), (std::vector<std::string>{"README"}));
    EXPECT_TRUE(files().find("C:\\data\\*.doc").empty());
    EXPECT_TRUE(files().find("C:\\missing\\*").empty());

    auto root = names(files().find("C:\\*"));
    EXPECT_EQ(std::count(root.begin(), root.end(), "."), 0);
    EXPECT_EQ(std::count(root.begin(), root.end(), "data"), 1);

    auto listed = files().find("C:\\data\\a.txt");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].size, 1u);
    EXPECT_EQ(listed[0].attributes & attr::Directory, 0u);
}

TEST_F(FileSystemTest, AttributesComeFromWriteBitsDosAttribAndDotNames) {
    temp.write_file("C:\\data\\plain.txt", "p");
    temp.write_file("C:\\data\\wine.txt", "w");
    temp.write_file("C:\\data\\.profile", "d");
    temp.write_file("C:\\data\\locked.txt", "l");
    const char dosattrib[] = "0x26";  // hidden, system, archive as Wine writes them
    ASSERT_EQ(setxattr(temp.host("C:\\data\\wine.txt").c_str(), "user.DOSATTRIB", dosattrib, 4, 0), 0);
    stdfs::permissions(temp.host("C:\\data\\locked.txt"), stdfs::perms::owner_read | stdfs::perms::group_read);

    EXPECT_EQ(files().attributes("C:\\data\\plain.txt"), attr::Archive);
    EXPECT_EQ(files().attributes("C:\\data\\wine.txt"), attr::Archive | attr::Hidden | attr::System);
    EXPECT_EQ(files().attributes("C:\\data\\.profile"), attr::Archive | attr::Hidden);
    EXPECT_EQ(files().attributes("C:\\data\\locked.txt"), attr::Archive | attr::ReadOnly);
    EXPECT_EQ(files().attributes("C:\\DATA"), attr::Directory);
    EXPECT_FALSE(files().attributes("C:\\data\\missing.txt"));

    files().set_attributes("C:\\data\\plain.txt", attr::Hidden | attr::ReadOnly);
    EXPECT_EQ(files().attributes("C:\\data\\plain.txt"), attr::Archive | attr::Hidden | attr::ReadOnly);
    char stored[16] = {};
    ASSERT_GT(getxattr(temp.host("C:\\data\\plain.txt").c_str(), "user.DOSATTRIB", stored, sizeof stored - 1), 0);
    EXPECT_STREQ(stored, "0x2");
    files().set_attributes("C:\\data\\plain.txt", attr::Normal);
    EXPECT_EQ(files().attributes("C:\\data\\plain.txt"), attr::Archive);
}

TEST_F(FileSystemTest, ReadOnlyFilesAreOnlyDeletedWhenForced) {
    temp.write_file("C:\\data\\locked.txt", "keep");
    files().set_attributes("C:\\data\\locked.txt", attr::ReadOnly);

    EXPECT_EQ(error_of([&] { files().delete_file("C:\\data\\locked.txt"); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { files().write_text("C:\\data\\locked.txt", "new"); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { files().open("C:\\data\\locked.txt", platform::fs::File::Mode::WriteInPlace); }),
              error::AccessDenied);
    EXPECT_EQ(host_contents(temp.host("C:\\data\\locked.txt")), "keep");

    files().delete_file("C:\\data\\locked.txt", true);
    EXPECT_FALSE(files().exists("C:\\data\\locked.txt"));
    EXPECT_EQ(error_of([&] { files().delete_file("C:\\data\\locked.txt"); }), error::FileNotFound);
    EXPECT_EQ(error_of([&] { files().delete_file("C:\\nowhere\\locked.txt"); }), error::PathNotFound);
}

TEST_F(FileSystemTest, FilesAreWrittenInPlaceWithSixtyFourBitOffsets) {
    using Mode = platform::fs::File::Mode;
    temp.write_file("C:\\data\\secret.txt", "0123456789");
    auto inode_before = stdfs::hard_link_count(temp.host("C:\\data\\secret.txt"));

    auto file = files().open("C:\\data\\secret.txt", Mode::WriteInPlace);
    file.write_at(2, bytes("XY"));
    file.sync();
    EXPECT_EQ(file.size(), 10u);
    file.append(bytes("!"));
    std::vector<uint8_t> buffer(20);
    ASSERT_EQ(file.read_at(0, buffer), 11u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 11), "01XY456789!");
    file.close();
    EXPECT_EQ(stdfs::hard_link_count(temp.host("C:\\data\\secret.txt")), inode_before);
    EXPECT_EQ(error_of([&] { file.write_at(0, bytes("z")); }), error::InvalidHandle);

    auto sparse = files().open("C:\\data\\big.bin", Mode::CreateAlways);
    const uint64_t beyond_4gb = (uint64_t{5} << 30) + 3;
    sparse.write_at(beyond_4gb, bytes("end"));
    EXPECT_EQ(sparse.size(), beyond_4gb + 3);
    EXPECT_EQ(files().file_size("C:\\data\\big.bin"), beyond_4gb + 3);
    auto listed = files().find("C:\\data\\big.bin");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].size, beyond_4gb + 3);

    files().open("C:\\data\\secret.txt", Mode::CreateAlways).close();
    EXPECT_EQ(files().file_size("C:\\data\\secret.txt"), 0u);
    auto reader = files().open("C:\\data\\big.bin", Mode::Read);
    EXPECT_EQ(error_of([&] { reader.write_at(0, bytes("x")); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { files().open("C:\\data\\none.txt", Mode::Read); }), error::FileNotFound);
}

TEST_F(FileSystemTest, CopyMoveAndFolderOperationsFollowWin32) {
    temp.write_file("C:\\data\\a.txt", "alpha");
    files().set_attributes("C:\\data\\a.txt", attr::Hidden);

    files().copy_file("C:\\data\\a.txt", "C:\\data\\b.txt");
    EXPECT_EQ(files().read_text("C:\\data\\b.txt"), "alpha");
    EXPECT_EQ(files().attributes("C:\\data\\b.txt"), attr::Archive | attr::Hidden);
    temp.write_file("C:\\data\\c.txt", "gamma");
    EXPECT_EQ(error_of([&] { files().copy_file("C:\\data\\c.txt", "C:\\data\\b.txt", false); }), error::FileExists);
    EXPECT_EQ(error_of([&] { files().copy_file("C:\\data\\a.txt", "C:\\DATA\\A.TXT"); }), error::SharingViolation);
    EXPECT_EQ(files().read_text("C:\\data\\a.txt"), "alpha");

    EXPECT_EQ(error_of([&] { files().move_file("C:\\data\\c.txt", "C:\\data\\b.txt"); }), error::AlreadyExists);
    files().move_file("C:\\data\\c.txt", "C:\\data\\C.TXT");
    EXPECT_EQ(names(files().find("C:\\data\\c.*")), (std::vector<std::string>{"C.TXT"}));
    files().move_file("C:\\data\\C.TXT", "C:\\WINDOWS\\moved.txt");
    EXPECT_EQ(files().read_text("C:\\windows\\MOVED.txt"), "gamma");

    files().write_text("C:\\data\\a.txt", "replaced");
    EXPECT_EQ(files().read_text("C:\\data\\a.txt"), "replaced");
    EXPECT_EQ(files().attributes("C:\\data\\a.txt"), attr::Archive | attr::Hidden);
    EXPECT_EQ(error_of([&] { files().write_text("C:\\no\\such\\folder.txt", "x"); }), error::PathNotFound);

    files().create_directory("C:\\data\\x\\y\\z");
    files().create_directory("C:\\DATA\\X");  // already there: nothing to do
    EXPECT_TRUE(files().is_directory("C:\\data\\x\\y\\z"));
    EXPECT_EQ(error_of([&] { files().create_directory("C:\\data\\a.txt"); }), error::AlreadyExists);
    EXPECT_EQ(error_of([&] { files().remove_directory("C:\\data\\x"); }), error::DirNotEmpty);
    EXPECT_EQ(error_of([&] { files().remove_directory("C:\\data\\a.txt"); }), error::NotADirectory);
    files().remove_directory("C:\\data\\x\\y\\z");
    EXPECT_FALSE(files().exists("C:\\data\\x\\y\\z"));
}

TEST_F(FileSystemTest, DeleteTreeStopsAtReadOnlyItemsAndNeverTakesARoot) {
    temp.write_file("C:\\tree\\a\\one.txt", "1");
    temp.write_file("C:\\tree\\b\\locked.txt", "2");
    temp.write_file("C:\\tree\\c\\three.txt", "3");
    files().set_attributes("C:\\tree\\b\\locked.txt", attr::ReadOnly);

    EXPECT_EQ(error_of([&] { files().delete_tree("C:\\tree"); }), error::AccessDenied);
    EXPECT_FALSE(files().exists("C:\\tree\\a"));  // removed before the read-only file was reached
    EXPECT_TRUE(files().exists("C:\\tree\\b\\locked.txt"));

    files().set_attributes("C:\\tree\\b\\locked.txt", attr::Normal);
    files().delete_tree("C:\\TREE");
    EXPECT_FALSE(files().exists("C:\\tree"));

    EXPECT_EQ(error_of([&] { files().delete_tree("C:\\"); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { files().delete_tree("C:\\..\\.."); }), error::AccessDenied);
    EXPECT_TRUE(files().exists("C:\\WINDOWS"));
}

TEST_F(FileSystemTest, LinksAreEntriesAndAreNeverFollowed) {
    temp.write_file("C:\\keep\\precious.txt", "precious");
    temp.write_file("C:\\junk\\old.tmp", "old");
    stdfs::create_directory_symlink(temp.host("C:\\keep"), temp.host("C:\\junk\\linked folder"));
    stdfs::create_symlink(temp.host("C:\\keep\\precious.txt"), temp.host("C:\\junk\\linked.txt"));

    EXPECT_EQ(files().attributes("C:\\junk\\linked folder"), attr::ReparsePoint | attr::Directory);
    EXPECT_EQ(files().attributes("C:\\junk\\linked.txt"), attr::ReparsePoint | attr::Archive);
    EXPECT_EQ(error_of([&] { files().set_attributes("C:\\junk\\linked.txt", attr::ReadOnly); }), error::AccessDenied);

    files().delete_file("C:\\junk\\linked.txt");
    EXPECT_TRUE(files().exists("C:\\keep\\precious.txt"));
    files().delete_tree("C:\\junk");
    EXPECT_FALSE(files().exists("C:\\junk"));
    EXPECT_EQ(host_contents(temp.host("C:\\keep\\precious.txt")), "precious");

    stdfs::create_directory_symlink(temp.host("C:\\keep"), temp.host("C:\\alias"));
    files().delete_tree("C:\\alias");
    EXPECT_FALSE(files().exists("C:\\alias"));
    EXPECT_TRUE(files().exists("C:\\keep\\precious.txt"));
}

// A tree deeper than any path the host can take in one piece is still removed whole, with the
// folders reached through their parents rather than by path.
TEST_F(FileSystemTest, ATreeDeeperThanAnyHostPathIsRemovedWhole) {
    constexpr int kDepth = 3000;
    temp.write_file("C:\\deep\\top.txt", "top");
    int fd = ::open(temp.host("C:\\deep").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < kDepth && fd >= 0; ++level) {
        const std::string name = "level " + std::to_string(level);
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int file = openat(fd, "file.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(file, 0);
        ::close(file);
        const int child = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = child;
    }
    ASSERT_GE(fd, 0);
    ::close(fd);

    files().delete_tree("C:\\deep");

    EXPECT_FALSE(stdfs::exists(temp.host("C:\\deep")));
}

// A folder opened once for a walk sees what find() sees, and its entry names never lead out of it.
TEST_F(FileSystemTest, AnOpenedFolderListsAsFindDoesAndItsNamesStayInside) {
    temp.write_file("C:\\walk\\B.txt", "b");
    temp.write_file("C:\\walk\\a.txt", "a");
    temp.write_file("C:\\walk\\Sub\\inner.txt", "inner");
    temp.write_file("C:\\beside.txt", "beside");
    stdfs::create_directory_symlink(temp.host("C:\\walk\\Sub"), temp.host("C:\\walk\\link"));
    std::ofstream(temp.host("C:\\walk") / "what?.txt") << "odd";

    auto folder = files().open_folder("c:\\WALK\\");
    ASSERT_TRUE(folder);
    std::vector<FindData> found = files().find("C:\\walk\\*");
    std::erase_if(found, [](const FindData& entry) { return entry.name == "." || entry.name == ".."; });
    const std::vector<FindData> entries = folder->entries();
    EXPECT_EQ(names(entries), names(found));
    for (size_t i = 0; i < std::min(entries.size(), found.size()); ++i)
        EXPECT_EQ(entries[i].attributes, found[i].attributes) << entries[i].name;

    EXPECT_TRUE(folder->subfolder("Sub"));
    EXPECT_FALSE(folder->subfolder("link"));  // a walk never goes through a link
    EXPECT_FALSE(folder->subfolder("a.txt"));
    EXPECT_EQ(folder->file_size("B.txt"), 1u);
    EXPECT_EQ(folder->attributes("link"), attr::ReparsePoint | attr::Directory);
    for (const char* name : {"..", "..\\beside.txt", "Sub\\inner.txt", "Sub/inner.txt", "what?.txt", ""}) {
        EXPECT_FALSE(folder->attributes(name)) << name;
        EXPECT_EQ(error_of([&] { folder->delete_file(name, true); }), error::InvalidName) << name;
    }
    EXPECT_EQ(host_contents(temp.host("C:\\beside.txt")), "beside");
    EXPECT_EQ(host_contents(temp.host("C:\\walk\\Sub\\inner.txt")), "inner");
    EXPECT_EQ(host_contents(temp.host("C:\\walk") / "what?.txt"), "odd");

    folder->delete_file("a.txt");
    EXPECT_FALSE(files().exists("C:\\walk\\a.txt"));
    EXPECT_FALSE(files().open_folder("C:\\walk\\B.txt"));
    EXPECT_FALSE(files().open_folder("C:\\no such folder"));
    auto through_link = files().open_folder("C:\\walk\\link");  // named by the caller: followed
    ASSERT_TRUE(through_link);
    EXPECT_EQ(names(through_link->entries()), std::vector<std::string>{"inner.txt"});
}

// The cheap listings must tell every kind of entry apart exactly as the full one does.
TEST_F(FileSystemTest, TheCheapListingsAgreeWithFindOnEveryKindOfEntry) {
    for (const char* name : {"plain.dll", "Hidden.dll", "system.dll", "both.dll", "readonly.dll", ".dotted"})
        temp.write_file(std::string("C:\\list\\") + name, "x");
    temp.write_file("C:\\list\\Folder\\inner.dll", "x");
    files().set_attributes("C:\\list\\Hidden.dll", attr::Hidden);
    files().set_attributes("C:\\list\\system.dll", attr::System);
    files().set_attributes("C:\\list\\both.dll", attr::Hidden | attr::System | attr::Archive);
    files().set_attributes("C:\\list\\readonly.dll", attr::ReadOnly);
    files().set_attributes("C:\\list\\Folder", attr::Hidden);
    stdfs::create_symlink(temp.host("C:\\list\\plain.dll"), temp.host("C:\\list\\to-file.dll"));
    stdfs::create_directory_symlink(temp.host("C:\\list\\Folder"), temp.host("C:\\list\\to-folder"));
    stdfs::create_symlink(temp.host("C:\\list\\gone.dll"), temp.host("C:\\list\\dangling.dll"));

    std::vector<std::pair<std::string, bool>> expected;
    std::vector<std::tuple<std::string, bool, bool>> expected_kinds;
    for (const FindData& entry : files().find("C:\\list\\*")) {
        if (entry.name == "." || entry.name == "..") continue;
        expected.emplace_back(entry.name, (entry.attributes & (attr::Directory | attr::Hidden | attr::System)) == 0);
        const bool link = entry.attributes & attr::ReparsePoint;
        expected_kinds.emplace_back(entry.name, (entry.attributes & attr::Directory) && !link, link);
    }
    std::vector<std::tuple<std::string, bool, bool>> kinds;
    for (const auto& entry : files().listed_entries("c:\\LIST")) kinds.emplace_back(entry.name, entry.folder, entry.link);
    EXPECT_EQ(kinds, expected_kinds);
    std::vector<std::pair<std::string, bool>> listed;
    for (const auto& entry : files().normal_listing("c:\\LIST")) listed.emplace_back(entry.name, entry.normal);
    EXPECT_EQ(listed, expected);
    std::vector<std::string> normal;
    for (const auto& [name, shown] : listed)
        if (shown) normal.push_back(name);
    EXPECT_EQ(normal, (std::vector<std::string>{"dangling.dll", "plain.dll", "readonly.dll", "to-file.dll"}));
    EXPECT_TRUE(files().normal_listing("C:\\list\\plain.dll").empty());
    EXPECT_TRUE(files().normal_listing("C:\\no such folder").empty());
    EXPECT_TRUE(files().listed_entries("C:\\list\\plain.dll").empty());
    EXPECT_TRUE(files().listed_entries("C:\\no such folder").empty());
}

TEST_F(FileSystemTest, QuotaLimitsFreeSpaceAndWrites) {
    using Mode = platform::fs::File::Mode;
    files().set_quota('C', std::nullopt);
    uint64_t real_free = files().free_space("C:\\").free_bytes;
    EXPECT_GT(real_free, 0u);

    // The quota counts what the drive's files already hold, so measure it through an empty quota.
    files().set_quota('c', 0);
    EXPECT_EQ(files().free_space("C:\\").free_bytes, 0u);
    temp.write_file("C:\\data\\existing.bin", std::string(5000, 'e'));
    uint64_t used_before = 0;
    for (const auto& entry : stdfs::recursive_directory_iterator(temp.host("C:\\")))
        if (entry.is_regular_file() && !entry.is_symlink()) used_before += entry.file_size();

    files().set_quota('C', used_before + 1000);
    auto space = files().free_space("c:");
    EXPECT_EQ(space.free_bytes, 1000u);
    EXPECT_EQ(space.total_bytes, used_before + 1000);

    auto file = files().open("C:\\data\\fill.bin", Mode::CreateAlways);
    file.write_at(0, bytes(std::string(600, 'a')));
    EXPECT_EQ(error_of([&] { file.append(bytes(std::string(600, 'b'))); }), error::DiskFull);
    EXPECT_EQ(file.size(), 1000u);  // what fitted was written, as on a full disk
    file.write_at(0, bytes(std::string(1000, 'c')));  // overwriting in place needs no new room
    file.close();
    EXPECT_EQ(files().free_space("C:\\").free_bytes, 0u);

    EXPECT_EQ(error_of([&] { files().write_text("C:\\data\\existing.bin", std::string(5001, 'x')); }), error::DiskFull);
    EXPECT_EQ(host_contents(temp.host("C:\\data\\existing.bin")), std::string(5000, 'e'));
    EXPECT_EQ(error_of([&] { files().copy_file("C:\\data\\existing.bin", "C:\\data\\copy.bin"); }), error::DiskFull);
    EXPECT_FALSE(files().exists("C:\\data\\copy.bin"));

    files().delete_file("C:\\data\\fill.bin");
    EXPECT_EQ(files().free_space("C:\\").free_bytes, 1000u);

    // The quota lives in the machine's registry, so a restarted program keeps it.
    machine().flush();
    temp.reopen();
    EXPECT_EQ(files().free_space("C:\\").total_bytes, used_before + 1000);
    files().set_quota('C', std::nullopt);
    EXPECT_NE(files().free_space("C:\\").total_bytes, used_before + 1000);
    EXPECT_GT(files().free_space("C:\\").free_bytes, 1000u);
}

TEST_F(FileSystemTest, DrivesAndTheirTypesComeFromDosdevicesAndWineSettings) {
    using platform::fs::DriveType;
    for (const char* letter : {"a:", "d:", "e:", "f:", "g:"}) {
        stdfs::create_directory(machine().dir() / (std::string("drive_") + letter[0]));
        stdfs::create_directory_symlink(std::string("../drive_") + letter[0], machine().dir() / "dosdevices" / letter);
    }
    auto& registry = machine().registry();
    using platform::registry::Root;
    registry.create_key(Root::LocalMachine, "Software\\Wine\\Drives");
    auto set = [&](const char* name, std::string_view type) {
        std::string text(type);
        std::vector<uint8_t> data(text.begin(), text.end());
        data.push_back(0);
        registry.set_value(Root::LocalMachine, "Software\\Wine\\Drives", name, platform::registry::type::Sz, data);
    };
    set("a:", "floppy");
    set("d:", "cdrom");
    set("e:", "network");
    set("F:", "ramdisk");

    EXPECT_EQ(files().drives(), (std::vector<std::string>{"A:\\", "C:\\", "D:\\", "E:\\", "F:\\", "G:\\"}));
    EXPECT_EQ(files().drive_type("A:\\"), DriveType::Removable);
    EXPECT_EQ(files().drive_type("c:\\"), DriveType::Fixed);
    EXPECT_EQ(files().drive_type("D:"), DriveType::CdRom);
    EXPECT_EQ(files().drive_type("E:\\"), DriveType::Remote);
    EXPECT_EQ(files().drive_type("f:\\"), DriveType::RamDisk);
    EXPECT_EQ(files().drive_type("G:\\"), DriveType::Fixed);
    EXPECT_EQ(files().drive_type("Q:\\"), DriveType::NoRootDir);
    EXPECT_EQ(files().drive_type("C:\\WINDOWS"), DriveType::NoRootDir);
    EXPECT_EQ(error_of([&] { files().free_space("Q:\\"); }), error::PathNotFound);
}

// A machine whose drives and user folders reach outside it, as a real Wine prefix's do.
class OutsideMachineTest : public FileSystemTest {
protected:
    void SetUp() override {
        outside = machine().dir().parent_path() / (machine().dir().filename().string() + "-home");
        stdfs::create_directories(outside / "Desktop");
        std::ofstream(outside / "Desktop" / "secret.txt") << "mine";
        stdfs::create_directory_symlink("/", machine().dir() / "dosdevices" / "z:");
        stdfs::create_directories(temp.host("C:\\users\\me"));
        stdfs::create_directory_symlink(outside / "Desktop", temp.host("C:\\users\\me\\Desktop"));
        stdfs::create_symlink(outside / "Desktop" / "secret.txt", temp.host("C:\\users\\me\\shortcut.txt"));
    }
    void TearDown() override { stdfs::remove_all(outside); }

    std::string via_z(const stdfs::path& host) const {
        std::string path = "Z:" + host.string();
        std::replace(path.begin(), path.end(), '/', '\\');
        return path;
    }

    stdfs::path outside;
};

// What a read of `path` threw (0 when it read), within a few seconds: a read blocked on a pipe is
// set free by a writer that comes and goes, and counts as a failure.
uint32_t read_error_in_time(platform::fs::FileSystem& files, const std::string& path, const stdfs::path& pipe) {
    auto read = std::async(std::launch::async, [&] { return error_of([&] { files.read_text(path); }); });
    if (read.wait_for(5s) == std::future_status::ready) return read.get();
    ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
    ADD_FAILURE() << "reading " << path << " waited for a writer";
    return read.get();
}

// Every read opens a regular file: a pipe never blocks it, a device never feeds it, a link is
// followed only to a file of the machine, and a caller's size limit holds.
TEST_F(OutsideMachineTest, ReadsTakeOnlyRegularFilesOfTheMachineWithinTheirLimit) {
    const stdfs::path pipe = temp.host("C:\\pipe.dll");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    stdfs::create_symlink("/dev/zero", temp.host("C:\\zero.dll"));
    stdfs::create_symlink(pipe, temp.host("C:\\pipe link.dll"));
    temp.write_file("C:\\keep\\notes.txt", "ten bytes!");
    stdfs::create_symlink(temp.host("C:\\keep\\notes.txt"), temp.host("C:\\notes link.txt"));

    EXPECT_EQ(read_error_in_time(files(), "C:\\pipe.dll", pipe), error::AccessDenied);
    EXPECT_EQ(read_error_in_time(files(), "C:\\pipe link.dll", pipe), error::AccessDenied);
    EXPECT_EQ(read_error_in_time(files(), "C:\\zero.dll", pipe), error::AccessDenied);
    EXPECT_EQ(read_error_in_time(files(), "C:\\users\\me\\shortcut.txt", pipe), error::AccessDenied);
    EXPECT_EQ(error_of([&] { files().open("C:\\zero.dll", platform::fs::File::Mode::Read); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { files().copy_file("C:\\zero.dll", "C:\\copy.dll"); }), error::AccessDenied);

    EXPECT_EQ(files().read_text("C:\\notes link.txt"), "ten bytes!");
    EXPECT_EQ(files().read_text("C:\\keep\\notes.txt", 10), "ten bytes!");
    EXPECT_EQ(error_of([&] { files().read_text("C:\\keep\\notes.txt", 9); }), error::FileTooLarge);
}

TEST_F(OutsideMachineTest, DestructiveOperationsOutsideAreRefusedAndTouchNothing) {
    using Mode = platform::fs::File::Mode;
    const std::string secret = via_z(outside / "Desktop" / "secret.txt");
    const std::string desktop_secret = "C:\\users\\me\\Desktop\\secret.txt";

    try {
        files().delete_file(secret);
        FAIL() << "deleting through Z: succeeded";
    } catch (const FsError& e) {
        EXPECT_EQ(e.code(), error::AccessDenied);
        std::string message = e.what();
        EXPECT_NE(message.find("lies outside the machine folder"), std::string::npos) << message;
        EXPECT_NE(message.find("start with --allow-outside-machine to allow it"), std::string::npos) << message;
    }
    for (const std::string& path : {secret, desktop_secret}) {
        EXPECT_FALSE(files().may_modify(path));
        EXPECT_EQ(error_of([&] { files().delete_file(path, true); }), error::AccessDenied);
        EXPECT_EQ(error_of([&] { files().write_text(path, "gone"); }), error::AccessDenied);
        EXPECT_EQ(error_of([&] { files().open(path, Mode::WriteInPlace); }), error::AccessDenied);
        EXPECT_EQ(error_of([&] { files().set_attributes(path, attr::ReadOnly); }), error::AccessDenied);
        EXPECT_EQ(error_of([&] { files().move_file(path, "C:\\stolen.txt"); }), error::AccessDenied);
        EXPECT_EQ(error_of([&] { files().copy_file("C:\\WINDOWS\\..\\users\\me\\shortcut.txt", path); }),
                  error::AccessDenied);
    }
    EXPECT_EQ(error_of([&] { files().open("C:\\users\\me\\shortcut.txt", Mode::WriteInPlace); }), error::AccessDenied);
    stdfs::create_directory(outside / "Desktop" / "sub");
    EXPECT_EQ(error_of([&] { files().delete_tree("C:\\users\\me\\Desktop\\sub"); }), error::AccessDenied);
    EXPECT_TRUE(stdfs::exists(outside / "Desktop" / "sub"));
    EXPECT_EQ(error_of([&] { files().create_directory("C:\\users\\me\\Desktop\\new"); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { files().delete_tree(via_z(outside)); }), error::AccessDenied);
    // Even a path back into the machine is refused through a drive that maps outside it.
    EXPECT_EQ(error_of([&] { files().delete_file(via_z(temp.host("C:\\WINDOWS"))); }), error::AccessDenied);

    EXPECT_EQ(host_contents(outside / "Desktop" / "secret.txt"), "mine");
    EXPECT_FALSE(stdfs::exists(outside / "Desktop" / "new"));
    EXPECT_FALSE(files().exists("C:\\stolen.txt"));
    EXPECT_TRUE(files().read_text(desktop_secret) == "mine");  // reading is allowed

    // The links themselves live in the machine: removing them leaves their targets alone.
    files().delete_file("C:\\users\\me\\shortcut.txt");
    files().delete_tree("C:\\users\\me");
    EXPECT_FALSE(files().exists("C:\\users\\me"));
    EXPECT_EQ(host_contents(outside / "Desktop" / "secret.txt"), "mine");
}

// A folder is checked once when it is opened; a link among its entries still gets its own check.
TEST_F(OutsideMachineTest, FoldersOpenedOutsideRefuseChangesAndLinksInsideAreStillChecked) {
    using Mode = platform::fs::File::Mode;
    for (const std::string& path : {via_z(outside / "Desktop"), std::string("C:\\users\\me\\Desktop")}) {
        auto folder = files().open_folder(path);
        ASSERT_TRUE(folder) << path;
        EXPECT_EQ(names(folder->entries()), std::vector<std::string>{"secret.txt"});  // reading is allowed
        EXPECT_EQ(error_of([&] { folder->delete_file("secret.txt", true); }), error::AccessDenied) << path;
        EXPECT_EQ(error_of([&] { folder->open("secret.txt", Mode::WriteInPlace); }), error::AccessDenied) << path;
        EXPECT_EQ(error_of([&] { folder->set_attributes("secret.txt", attr::ReadOnly); }), error::AccessDenied);
    }

    auto inside = files().open_folder("C:\\users\\me");
    ASSERT_TRUE(inside);
    EXPECT_EQ(error_of([&] { inside->open("shortcut.txt", Mode::WriteInPlace); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { inside->set_attributes("shortcut.txt", attr::Normal); }), error::AccessDenied);
    inside->delete_file("shortcut.txt");  // the link is the machine's own
    EXPECT_FALSE(stdfs::exists(stdfs::symlink_status(temp.host("C:\\users\\me\\shortcut.txt"))));
    EXPECT_EQ(host_contents(outside / "Desktop" / "secret.txt"), "mine");
}

// A hard link gives a file outside the machine a second name inside it: nothing may write
// through that name, by path or in a walk, however the file is opened; the name alone may go.
TEST_F(OutsideMachineTest, NothingIsWrittenThroughAHardLinkToAFileOutside) {
    using Mode = platform::fs::File::Mode;
    const stdfs::path secret = outside / "Desktop" / "secret.txt";
    const auto mode_before = stdfs::status(secret).permissions();
    temp.write_file("C:\\data\\own.txt", "own");
    stdfs::create_hard_link(secret, temp.host("C:\\data\\linked.txt"));
    const std::string linked = "C:\\data\\linked.txt";

    EXPECT_TRUE(files().has_other_names(linked));
    EXPECT_FALSE(files().has_other_names("C:\\data\\own.txt"));
    EXPECT_FALSE(files().has_other_names("C:\\data"));
    for (Mode mode : {Mode::WriteInPlace, Mode::CreateAlways})
        EXPECT_EQ(error_of([&] { files().open(linked, mode); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { files().set_attributes(linked, attr::ReadOnly | attr::Hidden); }), error::AccessDenied);
    auto folder = files().open_folder("C:\\data");
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->has_other_names("linked.txt"));
    for (Mode mode : {Mode::WriteInPlace, Mode::CreateAlways})
        EXPECT_EQ(error_of([&] { folder->open("linked.txt", mode); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { folder->set_attributes("linked.txt", attr::ReadOnly); }), error::AccessDenied);
    EXPECT_EQ(host_contents(secret), "mine");
    EXPECT_EQ(stdfs::status(secret).permissions(), mode_before);
    EXPECT_EQ(folder->open("linked.txt", Mode::Read).size(), 4u);  // reading is harmless

    // A replaced file gets a name of its own; removing the name leaves the data to the other.
    files().write_text(linked, "new");
    EXPECT_EQ(host_contents(temp.host(linked)), "new");
    stdfs::create_hard_link(secret, temp.host("C:\\data\\second.txt"));
    folder->delete_file("second.txt");
    EXPECT_EQ(host_contents(secret), "mine");
    EXPECT_EQ(stdfs::hard_link_count(secret), 1u);
}

// A planted link where a file is about to be created, living or dangling, is never followed:
// neither the file it names is written nor a missing one created.
TEST_F(OutsideMachineTest, NewFilesAreNeverCreatedThroughAPlantedLink) {
    using Mode = platform::fs::File::Mode;
    const stdfs::path never = outside / "never created";
    temp.write_file("C:\\Program Files\\Orvane\\Logs\\keep.txt", "x");
    stdfs::create_symlink(never, temp.host("C:\\Program Files\\Orvane\\Logs\\1-1-2030_Log.txt"));
    stdfs::create_symlink(outside / "Desktop" / "secret.txt",
                          temp.host("C:\\Program Files\\Orvane\\Logs\\2-1-2030_Log.txt"));

    auto logs = files().open_folder("C:\\Program Files\\Orvane\\Logs");
    ASSERT_TRUE(logs);
    EXPECT_EQ(error_of([&] { logs->open("1-1-2030_Log.txt", Mode::WriteInPlace); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { logs->open("2-1-2030_Log.txt", Mode::CreateAlways); }), error::AccessDenied);
    EXPECT_EQ(error_of([&] { files().open("C:\\Program Files\\Orvane\\Logs\\1-1-2030_Log.txt", Mode::WriteInPlace); }),
              error::AccessDenied);
    EXPECT_FALSE(stdfs::exists(stdfs::symlink_status(never)));
    EXPECT_EQ(host_contents(outside / "Desktop" / "secret.txt"), "mine");
}

TEST_F(OutsideMachineTest, AllowingOutsideLiftsTheRefusal) {
    tavrin_test::TempMachine allowed(platform::MachineOptions{.allow_outside_machine = true});
    stdfs::create_directory_symlink("/", allowed.dir() / "dosdevices" / "z:");
    std::string victim = via_z(outside / "Desktop" / "secret.txt");
    EXPECT_TRUE(allowed.machine().files().may_modify(victim));
    allowed.machine().files().write_text(victim, "changed");
    EXPECT_EQ(host_contents(outside / "Desktop" / "secret.txt"), "changed");
}

}  // namespace
