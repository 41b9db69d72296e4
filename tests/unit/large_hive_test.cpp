// Hive files of several megabytes, which are parsed while they are still being read and whose
// replaced files are let go after a save: the result must be that of reading them whole.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs/write_faults.h"
#include "platform/registry/hive_sections.h"
#include "platform/registry/registry.h"
#include "tests/unit/support/big_hive.h"
#include "tests/unit/support/temp_folder.h"

namespace fs = std::filesystem;
using namespace platform::registry;

namespace {

// About 5.6 MB: large enough to be read alongside its parsing.
constexpr int kKeys = 24'000;

std::string read_file(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void append_file(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary | std::ios::app) << text; }

size_t lines_in(const fs::path& file) {
    const std::string text = read_file(file);
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// One binary value of `size` bytes in Wine's layout: 25 bytes a line, continued with "\\".
std::string long_binary_value(size_t size, std::vector<uint8_t>& data, const char* line_end) {
    std::string text = std::string(line_end) + "[Software\\\\Long] 1700000000" + line_end + "\"Blob\"=hex:";
    static constexpr char digits[] = "0123456789abcdef";
    for (size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<uint8_t>(i * 7 + i / 251);
        data.push_back(byte);
        text += digits[byte >> 4];
        text += digits[byte & 15];
        if (i + 1 == size) break;
        text += ',';
        if (i % 25 == 24) text += "\\" + std::string(line_end) + "  ";
    }
    return text + line_end;
}

// How many descriptors of this process are open on the machine's system.reg, whether it still
// has its name or not.
int descriptors_on_system_reg(const fs::path& dir) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = fs::read_symlink(entry.path(), error).string();
        if (!error && target.starts_with((dir / "system.reg").string())) ++count;
    }
    return count;
}

// Whether this process maps the file under that name (a large hive is read through its own pages
// where the file can be held under a lease).
bool mapped(const fs::path& file) {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.ends_with(" " + file.string())) return true;
    return false;
}

// The last part of a large file is read on a thread of its own, from the first key line past a
// point beyond its middle, and its keys are joined to those of the part before. These sections go
// around that line: a key given on both sides of it, a key given twice after it, blank lines
// before it.
const std::string kMiddleSections =
    "\n[Software\\\\Wmid\\\\Dup] 1\n\"A\"=\"first\"\n\"Same\"=\"one\"\n"
    "\n\n[Software\\\\Wmid\\\\Before] 1\n\"B\"=dword:00000001\n"
    "\n\n[Software\\\\Wmid\\\\Dup] 2\n\"Same\"=\"two\"\n\"C\"=hex:01,02,\\\n  03\n"
    "\n[Software\\\\Wmid\\\\Twice] 1\n\"X\"=\"1\"\n"
    "\n\n[Software\\\\Wmid\\\\Twice] 2\n\"Y\"=\"2\"\n";
const std::string kLastSection = "\n[Software\\\\Wmid\\\\After] 1\n\"Z\"=dword:00000002\n";

// Big-hive sections before and after the middle ones (the latter under other names), as text.
std::string big_sections_around(std::string& tail) {
    tavrin_test::TempFolder folder;
    tavrin_test::write_big_hive(folder.path() / "head.reg", kKeys);
    tavrin_test::append_big_hive_sections(folder.path() / "tail.reg", kKeys);
    tail = read_file(folder.path() / "tail.reg");
    for (size_t at = 0; (at = tail.find("Vendor", at)) != std::string::npos;) tail.replace(at, 1, "Z");
    return read_file(folder.path() / "head.reg");
}

// head + middle + tail, with a line added to the head's header or at the end so that the point
// the last part is read from falls on one of the two bytes just before `split_line`.
std::string around_the_middle(const std::string& head, const std::string& middle, const std::string& tail,
                              const std::string& split_line, size_t& lines_before_middle) {
    const size_t split = head.size() + middle.find(split_line);
    const size_t size = head.size() + middle.size() + tail.size();
    const auto lands_before_split = [&](size_t front, size_t back) {
        const size_t from = platform::registry::scan_ahead_from(size + front + back);
        return from + 2 >= split + front && from + 1 <= split + front;
    };
    size_t front = 0, back = 0;
    for (size_t pad = 0;; ++pad) {
        if (lands_before_split(0, pad)) {
            back = pad;
            break;
        }
        if (lands_before_split(pad, 0)) {
            front = pad;
            break;
        }
    }
    const auto padding = [](size_t bytes) {
        return bytes == 0 ? std::string() : bytes == 1 ? std::string("\n") : ";" + std::string(bytes - 2, 'x') + "\n";
    };
    std::string padded_head = head;
    padded_head.insert(head.find('\n', head.find("#arch=")) + 1, padding(front));
    lines_before_middle = static_cast<size_t>(std::count(padded_head.begin(), padded_head.end(), '\n'));
    return padded_head + middle + tail + padding(back);
}

// What a save wrote of the middle sections, without the time stamps of the keys it wrote anew.
std::string saved_middle(const std::string& saved) {
    const size_t begin = saved.find("[Software\\\\Wmid");
    const size_t end = saved.find("\n[Software\\\\Zendor");
    std::istringstream lines(saved.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("#time=")) continue;
        kept += (line.starts_with("[") ? line.substr(0, line.rfind(']') + 1) : line) + "\n";
    }
    return kept;
}

}  // namespace

// Every chunk the reading thread hands over ends inside this value's lines, so every line that
// runs into the end of what has arrived is met.
// A file another program holds open for writing cannot be mapped: it is read, in chunks.
TEST(LargeHive, AValueAcrossEveryChunkOfTheReadLoadsWholeAndAnUnchangedSaveIsByteIdentical) {
    for (const bool held_for_writing : {false, true})
    for (const char* line_end : {"\n", "\r\n"}) {
        tavrin_test::TempFolder folder;
        const fs::path system = folder.path() / "system.reg";
        std::vector<uint8_t> data;
        std::string text = std::string("WINE REGISTRY Version 2") + line_end +
                           ";; All keys relative to REGISTRY\\\\Machine" + line_end + line_end + "#arch=win32" + line_end;
        text += long_binary_value(2'400'000, data, line_end);  // 7.4 MB of text
        text += std::string(line_end) + "[Software\\\\Zed] 1700000000" + line_end + "\"Last\"=\"z\"";  // no final line end
        folder.write("system.reg", text);
        {
            const int writer = held_for_writing ? ::open(system.c_str(), O_WRONLY | O_CLOEXEC) : -1;
            Registry registry(folder.path());
            if (writer >= 0) ::close(writer);
            EXPECT_EQ(mapped(system), !held_for_writing);
            Value value;
            ASSERT_EQ(registry.query_value(Root::LocalMachine, "Software\\Long", "Blob", value), Status::Ok);
            EXPECT_EQ(value.type, type::Binary);
            EXPECT_TRUE(value.data == data) << "the binary value came back different, " << value.data.size() << " bytes";
            ASSERT_EQ(registry.query_value(Root::LocalMachine, "Software\\Zed", "Last", value), Status::Ok);
            registry.save_all();
            EXPECT_TRUE(read_file(system) == text) << "an unchanged save changed the file";

            ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\Zed", "New", type::Dword,
                                         std::vector<uint8_t>{1, 0, 0, 0}), Status::Ok);
            registry.flush();
        }
        const std::string saved = read_file(system);
        EXPECT_NE(saved.find(std::string("\"New\"=dword:00000001") + line_end), std::string::npos);
        if (std::string(line_end) == "\r\n") {
            EXPECT_EQ(saved.find("\n\n"), std::string::npos) << "a bare line end was added";
        }
    }
}

TEST(LargeHive, ABrokenLineDeepInALargeFileIsRefusedWithItsLineNumber) {
    struct Case {
        std::string tail;
        size_t line;  // counted from the first line of the tail
        std::string message;
    };
    const std::vector<Case> cases = {
        {"\n[Software\\\\Tail] 1\n\"Name\"=\"no end\n", 3, "unterminated string"},
        {"\n[Software\\\\Tail] 1\n\"Bin\"=hex:01,zz\n", 3, "malformed hex data"},
        {"\n[Software\\\\Tail] 1\n\"Bin\"=hex:01,02,\\\n", 3, "past the end of the file"},
        {"\n[Software\\\\Unterminated 1\n", 2, "unterminated key name"},
        {"\n[Software\\\\Tail] 1\n\"Bin\"=hex:01,02,\\\n[Software\\\\Next] 1\n", 4, "malformed hex data"},
        // With a broken value line and a broken key line, the one that comes first is reported;
        // a key given twice does not report its first section's broken value at the second.
        {"\n[Software\\\\Tail] 1\n\"Name\"=\"no end\n[Software\\\\Bad 1\n", 3, "unterminated string"},
        {"\n[Software\\\\Bad 1\n\"Name\"=\"no end\n", 2, "unterminated key name"},
        {"\n[Software\\\\Tail] 1\n\"Bin\"=hex:zz\n[Software\\\\Tail] 1\n", 3, "malformed hex data"},
    };
    tavrin_test::TempFolder folder;
    const fs::path system = folder.path() / "system.reg";
    for (const Case& c : cases) {
        tavrin_test::write_big_hive(system, kKeys);
        const size_t lines_before = lines_in(system);
        append_file(system, c.tail);
        try {
            Registry registry(folder.path());
            ADD_FAILURE() << "accepted: " << c.tail;
        } catch (const HiveError& error) {
            const std::string what = error.what();
            EXPECT_NE(what.find(system.string() + ":" + std::to_string(lines_before + c.line) + ":"), std::string::npos)
                << what;
            EXPECT_NE(what.find(c.message), std::string::npos) << what;
        }
    }
    // A large file that is not a hive at all is refused at its first line.
    std::ofstream(system, std::ios::binary | std::ios::trunc) << std::string(6 << 20, 'x');
    EXPECT_THROW(Registry{folder.path()}, HiveError);
}

// Lines whose meaning depends on the value line before them: a string with a backslash after its
// closing quote does not continue, a blank line after a continued hex line belongs to the value.
// A large file must read and save them as a small one does.
TEST(LargeHive, ValueLinesThatShapeTheNextLineReadAsInASmallFile) {
    const std::string tail = "\n[Software\\\\Odd] 1\n\"Str\"=\"x\" \\\n[Software\\\\Odd\\\\Sub] 1\n"
                             "\"Bin\"=hex:01,02,\\\n\n[Software\\\\Zed] 1\n\"Z\"=dword:00000001\n";
    // What a save after a change leaves of the tail, without the changed key's new time stamp.
    const auto saved_tail = [&](bool large) {
        tavrin_test::TempFolder folder;
        const fs::path system = folder.path() / "system.reg";
        if (large) tavrin_test::write_big_hive(system, kKeys);
        else std::ofstream(system, std::ios::binary) << "WINE REGISTRY Version 2\n";
        const size_t head = static_cast<size_t>(fs::file_size(system));
        append_file(system, tail);
        {
            Registry registry(folder.path());
            Value value;
            EXPECT_EQ(registry.query_value(Root::LocalMachine, "Software\\Odd\\Sub", "Bin", value), Status::Ok);
            EXPECT_EQ(value.data, (std::vector<uint8_t>{1, 2}));
            EXPECT_EQ(registry.query_value(Root::LocalMachine, "Software\\Zed", "Z", value), Status::Ok);
            EXPECT_EQ(registry.set_value(Root::LocalMachine, "Software\\Odd\\Sub", "New", type::Dword,
                                         std::vector<uint8_t>{1, 0, 0, 0}), Status::Ok);
            registry.flush();
        }
        std::istringstream lines(read_file(system).substr(head));
        std::string kept;
        for (std::string line; std::getline(lines, line);)
            if (!line.starts_with("#time=") && !line.starts_with("[Software\\\\Odd\\\\Sub]")) kept += line + "\n";
        return kept;
    };
    const std::string small = saved_tail(false);
    EXPECT_NE(small.find("\"New\"=dword:00000001"), std::string::npos) << small;
    EXPECT_EQ(saved_tail(true), small);
}

// The file a save replaced is held until the save is done, then let go: no descriptor may pile
// up, and the disk space of the replaced files must come back.
TEST(LargeHive, SavesLetGoOfTheFilesTheyReplaced) {
    tavrin_test::TempFolder folder;
    tavrin_test::write_big_hive(folder.path() / "system.reg", kKeys);
    Registry registry(folder.path());
    const std::string key = tavrin_test::big_hive_key(kKeys / 2, kKeys);
    for (uint8_t round = 1; round <= 6; ++round) {
        ASSERT_EQ(registry.set_value(Root::LocalMachine, key, "Round", type::Dword, std::vector<uint8_t>{round, 0, 0, 0}),
                  Status::Ok);
        EXPECT_TRUE(registry.flush().empty());
    }
    // Replaced files are let go on a thread of their own: give it a moment.
    int held = 0;
    for (int wait = 0; wait < 100; ++wait) {
        held = descriptors_on_system_reg(folder.path());
        if (held <= 1) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(held, 1) << "descriptors of replaced hive files are still open";

    Registry again(folder.path());
    Value value;
    ASSERT_EQ(again.query_value(Root::LocalMachine, key, "Round", value), Status::Ok);
    EXPECT_EQ(value.data, (std::vector<uint8_t>{6, 0, 0, 0}));
}

// Chunks of a large save are written by a thread of their own: a write that fails there fails the
// save all the same, with its reason, the old file whole and nothing left beside it.
TEST(LargeHive, AWriteThatFailsInTheMiddleOfALargeSaveLosesNothing) {
    namespace faults = platform::write_faults;
    tavrin_test::TempFolder folder;
    const fs::path system = folder.path() / "system.reg";
    tavrin_test::write_big_hive(system, kKeys);
    const std::string original = read_file(system);
    Registry registry(folder.path());
    // Changes all over the file, so that the save is many small pieces gathered into chunks.
    for (int index = 0; index < kKeys; index += 10)
        ASSERT_EQ(registry.set_value(Root::LocalMachine, tavrin_test::big_hive_key(index, kKeys), "Mark", type::Dword,
                                     std::vector<uint8_t>{7, 0, 0, 0}),
                  Status::Ok);
    faults::fail(faults::Step::write, 3, ENOSPC);
    try {
        registry.flush();
        ADD_FAILURE() << "a failed save was reported as done";
    } catch (const HiveError& error) {
        EXPECT_NE(std::string(error.what()).find(std::strerror(ENOSPC)), std::string::npos) << error.what();
    }
    faults::clear();
    EXPECT_TRUE(read_file(system) == original) << "the old file was changed";
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path())) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"system.reg"});

    registry.flush();
    Registry again(folder.path());
    Value value;
    ASSERT_EQ(again.query_value(Root::LocalMachine, tavrin_test::big_hive_key(kKeys - 10, kKeys), "Mark", value), Status::Ok);
    EXPECT_EQ(value.data, (std::vector<uint8_t>{7, 0, 0, 0}));
}

TEST(LargeHive, KeysOnBothSidesOfTheLineTheSecondHalfIsReadFromReadAndSaveAsInASmallFile) {
    std::string tail;
    const std::string head = big_sections_around(tail);
    const std::string middle = kMiddleSections + kLastSection;
    // What a small file of the same sections saves after the same change; then the large file,
    // its second half read from a key line given once, and from each of the two given twice.
    const auto load_change_and_save = [](const std::string& text) {
        tavrin_test::TempFolder folder;
        folder.write("system.reg", text);
        {
            Registry registry(folder.path());
            const auto string_value = [&](const std::string& key, const std::string& name) {
                Value value;
                EXPECT_EQ(registry.query_value(Root::LocalMachine, "Software\\Wmid\\" + key, name, value), Status::Ok)
                    << key << " " << name;
                return std::string(value.data.begin(), value.data.end());
            };
            EXPECT_EQ(string_value("Dup", "A"), std::string("first", 6));
            EXPECT_EQ(string_value("Dup", "Same"), std::string("two", 4));  // the later line wins
            EXPECT_EQ(string_value("Dup", "C"), "\x01\x02\x03");
            EXPECT_EQ(string_value("Twice", "X"), std::string("1", 2));
            EXPECT_EQ(string_value("Twice", "Y"), std::string("2", 2));
            EXPECT_EQ(string_value("After", "Z"), std::string("\x02\0\0\0", 4));
            EXPECT_EQ(registry.subkey_names(Root::LocalMachine, "Software\\Wmid"),
                      (std::vector<std::string>{"Dup", "Before", "Twice", "After"}));
            EXPECT_EQ(registry.set_value(Root::LocalMachine, "Software\\Wmid\\After", "New", type::Dword,
                                         std::vector<uint8_t>{1, 0, 0, 0}), Status::Ok);
            registry.flush();
        }
        return read_file(folder.path() / "system.reg");
    };
    const std::string small = saved_middle(load_change_and_save("WINE REGISTRY Version 2\n" + middle));
    EXPECT_NE(small.find("\"Same\"=\"two\""), std::string::npos) << small;
    for (const std::string split_line :
         {"[Software\\\\Wmid\\\\Before] 1", "[Software\\\\Wmid\\\\Dup] 2", "[Software\\\\Wmid\\\\Twice] 2"}) {
        size_t lines_before = 0;
        const std::string saved = load_change_and_save(around_the_middle(head, middle, tail, split_line, lines_before));
        EXPECT_EQ(saved_middle(saved), small) << "read from " << split_line;
        EXPECT_TRUE(saved.starts_with(head.substr(0, head.find("#arch=")))) << "the first half was not saved as it was";
        for (const std::string& piece : {tail.substr(0, 1 << 16), tail.substr(tail.size() - (1 << 16))})
            EXPECT_NE(saved.find(piece), std::string::npos) << "the sections after the middle were not saved as they were";
    }
}

// A broken line past the middle, where the second half's keys are no longer built alongside
// (after a key given twice there), on the line the second half is read from, or in the second
// section of a key given on both sides, is refused with the line a small file gives.
TEST(LargeHive, ABrokenLineInTheSecondHalfAfterAKeyGivenTwiceIsRefusedAsInASmallFile) {
    std::string tail;
    const std::string head = big_sections_around(tail);
    struct Case {
        std::string middle, message;
        std::string split_line = "[Software\\\\Wmid\\\\Dup] 2";
    };
    const auto with = [](const std::string& broken) { return kMiddleSections + broken + kLastSection; };
    const std::vector<Case> cases = {
        {with("\n[Software\\\\Wmid\\\\Bad] 1\n\"Name\"=\"no end\n"), "unterminated string"},
        {with("\n[\\\\Software\\\\Wmid\\\\Bad] 1\n\"Name\"=\"x\"\n"), "key name starts with a backslash"},
        {with("\n[Software\\\\Wmid\\\\Bad] 1\n\"Bin\"=hex:01,\\\n[Software\\\\Wmid\\\\Next] 1\n"), "malformed hex data"},
        // The second half read from a key line that a hex value of the first runs into.
        {with("\n[Software\\\\Wmid\\\\Bad] 1\n\"Bin\"=hex:01,\\\n[Software\\\\Wmid\\\\Next] 1\n"), "malformed hex data",
         "[Software\\\\Wmid\\\\Next] 1"},
        // A key given on both sides, its second section broken: its values are not merged.
        {"\n[Software\\\\Wmid\\\\Dup] 1\n\"A\"=\"first\"\n\n\n[Software\\\\Wmid\\\\Before] 1\n\"B\"=dword:00000001\n"
         "\n[Software\\\\Wmid\\\\Dup] 2\n\"C\"=\"c\"\n\"Bad\"\n" + kLastSection,
         "missing '='", "[Software\\\\Wmid\\\\Before] 1"},
    };
    const auto refusal = [](const std::string& text) {
        tavrin_test::TempFolder folder;
        folder.write("system.reg", text);
        try {
            Registry registry(folder.path());
        } catch (const HiveError& error) {
            const std::string what = error.what();
            const size_t line = what.find(".reg:") + 5;
            return std::make_pair(std::stoul(what.substr(line)), what.substr(what.find(':', line) + 2));
        }
        return std::make_pair(0ul, std::string("accepted"));
    };
    for (const auto& [middle, message, split_line] : cases) {
        const auto [small_line, small_message] = refusal("WINE REGISTRY Version 2\n" + middle);
        EXPECT_NE(small_message.find(message), std::string::npos) << small_message;
        size_t lines_before = 0;
        const std::string large = around_the_middle(head, middle, tail, split_line, lines_before);
        const auto [large_line, large_message] = refusal(large);
        EXPECT_EQ(large_message, small_message);
        EXPECT_EQ(large_line, lines_before + small_line - 1) << message;  // the small file's first line is its header
    }
}

// Another program writes a loaded hive in place (a shell's ">" truncates it first): the file's
// pages are copied out before it may, so what was loaded reads as before, and the save carries
// our change over onto that program's file.
TEST(LargeHive, AWriteInPlaceWhileLoadedLeavesWhatWasLoadedWholeAndTheSaveMergesOntoIt) {
    tavrin_test::TempFolder folder;
    const fs::path system = folder.path() / "system.reg";
    tavrin_test::write_big_hive(system, kKeys);
    const std::string original = read_file(system);
    const std::string last = tavrin_test::big_hive_key(kKeys - 1, kKeys);
    Registry registry(folder.path());
    ASSERT_TRUE(mapped(system)) << "the hive was not read through its own pages";
    const std::vector<Registry::NamedValue> before = registry.values(Root::LocalMachine, last);
    ASSERT_FALSE(before.empty());
    ASSERT_EQ(registry.create_key(Root::LocalMachine, "Software\\Ours"), Status::Ok);
    ASSERT_EQ(registry.set_value(Root::LocalMachine, "Software\\Ours", "v", type::Dword, std::vector<uint8_t>{1, 0, 0, 0}),
              Status::Ok);

    folder.write("theirs.reg", original.substr(0, original.find("\n[")) + "\n[Software\\\\Theirs] 1700000000\n\"by\"=\"them\"\n");
    const std::string rewrite = "cat '" + (folder.path() / "theirs.reg").string() + "' > '" + system.string() + "'";
    ASSERT_EQ(std::system(rewrite.c_str()), 0);
    EXPECT_FALSE(mapped(system)) << "the file's pages were not given up";
    const auto& deep = tavrin_test::big_hive_key(kKeys / 3, kKeys);
    EXPECT_TRUE(registry.key_exists(Root::LocalMachine, deep));
    const std::vector<Registry::NamedValue> after = registry.values(Root::LocalMachine, last);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].name, before[i].name);
        EXPECT_TRUE(after[i].value->data == before[i].value->data) << after[i].name;
    }

    EXPECT_TRUE(registry.flush().empty());
    Registry again(folder.path());
    Value value;
    EXPECT_EQ(again.query_value(Root::LocalMachine, "Software\\Theirs", "by", value), Status::Ok);
    EXPECT_EQ(again.query_value(Root::LocalMachine, "Software\\Ours", "v", value), Status::Ok);
    EXPECT_FALSE(again.key_exists(Root::LocalMachine, deep)) << "keys their file no longer has came back";
}
