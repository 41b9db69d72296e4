// Profile files on a real temporary machine: the Win32 reading rules, buffer limits, and writes
// that leave every other byte of the file alone.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "engine/foundation/ini.h"
#include "platform/ini/profile.h"
#include "tests/unit/support/temp_machine.h"

namespace {

using namespace platform::ini;

constexpr const char* kFile = "C:\\Data\\test.ini";

class IniTest : public tavrin_test::MachineTest {
protected:
    void write(std::string_view text) { temp.write_file(kFile, text); }
    std::string file_text() {
        std::ifstream in(temp.host(kFile), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The value as an API caller sees it, with a roomy buffer.
    std::string get(const char* section, const char* key, const char* fallback = "", uint32_t size = 256) {
        std::string buffer(size, 'X');
        uint32_t length = GetPrivateProfileString(machine(), section, key, fallback, buffer.data(), size, kFile);
        EXPECT_EQ(buffer[length], '\0') << "result must be NUL-terminated";
        return buffer.substr(0, length);
    }
    bool put(const char* section, const char* key, const char* value) {
        return WritePrivateProfileString(machine(), section, key, value, kFile);
    }
};

TEST_F(IniTest, ReadsLikeWin32) {
    write("; leading comment\r\n"
          "orphan=before any section\r\n"
          "[ Main ]\r\n"
          "  Name   =   spaced value   \r\n"
          "name=second match is ignored\r\n"
          "Quoted=\"in quotes\"\r\n"
          "Single='single'\r\n"
          "Mismatched=\"open\r\n"
          ";hidden=comment\r\n"
          "Empty=\r\n"
          "NoEquals\r\n"
          "[main]\r\n"
          "Later=only in the second section of that name\r\n"
          "[Other]\r\n"
          "Name=other section\r\n");
    EXPECT_EQ(get("MAIN", "NAME"), "spaced value");
    EXPECT_EQ(get(" main ", " name "), "spaced value");
    EXPECT_EQ(get("Main", "Quoted"), "in quotes");
    EXPECT_EQ(get("Main", "Single"), "single");
    EXPECT_EQ(get("Main", "Mismatched"), "\"open");
    EXPECT_EQ(get("Main", ";hidden", "dflt"), "dflt");
    EXPECT_EQ(get("Main", "Empty", "dflt"), "");
    EXPECT_EQ(get("Main", "NoEquals", "dflt"), "dflt");
    EXPECT_EQ(get("Main", "Later", "dflt"), "dflt") << "only the first section of a name is searched";
    EXPECT_EQ(get("Other", "Name"), "other section");
    EXPECT_EQ(get("Main", "orphan", "dflt"), "dflt");
    EXPECT_EQ(get("Main", "", "dflt"), "dflt");
}

TEST_F(IniTest, DefaultsForMissingFileSectionOrKey) {
    EXPECT_EQ(get("Main", "Key", "fallback   "), "fallback") << "trailing blanks of the default are dropped";
    write("[Main]\nKey=1\n");
    EXPECT_EQ(get("Nope", "Key", "d"), "d");
    EXPECT_EQ(get("Main", "Nope", "d"), "d");
    EXPECT_EQ(get("Main", "Nope", nullptr), "");
}

TEST_F(IniTest, ValueIsCutToBufferSizeMinusOne) {
    write("[S]\nK=abcdef\n");
    EXPECT_EQ(get("S", "K", "", 4), "abc");
    EXPECT_EQ(get("S", "K", "", 7), "abcdef");
    EXPECT_EQ(get("S", "K", "", 1), "");
    char untouched = 'X';
    EXPECT_EQ(GetPrivateProfileString(machine(), "S", "K", "", &untouched, 0, kFile), 0u);
    EXPECT_EQ(untouched, 'X');
}

TEST_F(IniTest, ListsAreNulSeparatedAndCutWithTwoNuls) {
    write("[A]\r\nk1=v1\r\n;c=x\r\nbare\r\nk2 = v2\r\n[B]\r\n[]\r\n[A]\r\nk3=v3\r\n");

    std::string names(32, 'X');
    uint32_t length = GetPrivateProfileSectionNames(machine(), names.data(), 32, kFile);
    EXPECT_EQ(names.substr(0, length + 1), std::string("A\0B\0A\0\0", 7));
    EXPECT_EQ(length, 6u);

    std::string cut(6, 'X');
    EXPECT_EQ(GetPrivateProfileSectionNames(machine(), cut.data(), 6, kFile), 4u);
    EXPECT_EQ(cut, std::string("A\0B\0\0\0", 6));

    std::string keys(32, 'X');
    length = GetPrivateProfileString(machine(), "a", nullptr, "", keys.data(), 32, kFile);
    EXPECT_EQ(keys.substr(0, length + 1), std::string("k1\0k2\0\0", 7)) << "no comments, no lines without =";

    std::string lines(32, 'X');
    length = GetPrivateProfileSection(machine(), "A", lines.data(), 32, kFile);
    EXPECT_EQ(lines.substr(0, length + 1), std::string("k1=v1\0bare\0k2=v2\0\0", 18));

    std::string short_lines(9, 'X');
    EXPECT_EQ(GetPrivateProfileSection(machine(), "A", short_lines.data(), 9, kFile), 7u);
    EXPECT_EQ(short_lines, std::string("k1=v1\0b\0\0", 9));

    std::string none(4, 'X');
    EXPECT_EQ(GetPrivateProfileSection(machine(), "Missing", none.data(), 4, kFile), 0u);
    EXPECT_EQ(none.substr(0, 2), std::string("\0\0", 2));
}

TEST_F(IniTest, WritesChangeOnlyWhatTheyMust) {
    const std::string original =
        "; settings\r\n"
        "[Main]\r\n"
        "  Color   =  red   ; not a comment here\r\n"
        "Size=3\r\n"
        "\r\n"
        "[Other]\r\n"
        "x=1";
    write(original);

    ASSERT_TRUE(put("main", "color", "blue"));
    EXPECT_EQ(file_text(),
              "; settings\r\n[Main]\r\n  Color   =  blue\r\n"
              "Size=3\r\n\r\n[Other]\r\nx=1");

    ASSERT_TRUE(put("Main", "New", "v"));
    EXPECT_EQ(file_text(),
              "; settings\r\n[Main]\r\n  Color   =  blue\r\nSize=3\r\nNew=v\r\n\r\n[Other]\r\nx=1")
        << "a new key follows the section's last line, before its blank lines";

    ASSERT_TRUE(put("Other", "y", "2"));
    EXPECT_TRUE(file_text().ends_with("[Other]\r\nx=1\r\ny=2\r\n")) << "a last line without ending gets one first";

    ASSERT_TRUE(put("Third", "k", "v"));
    EXPECT_TRUE(file_text().ends_with("y=2\r\n[Third]\r\nk=v\r\n"));

    ASSERT_TRUE(put("Main", "Size", nullptr));
    ASSERT_TRUE(put("Other", nullptr, nullptr));
    EXPECT_EQ(file_text(), "; settings\r\n[Main]\r\n  Color   =  blue\r\nNew=v\r\n\r\n[Third]\r\nk=v\r\n");
}

TEST_F(IniTest, WritesKeepTheFilesLineEndingsAndCreateFiles) {
    write("[S]\nk=1\n");
    ASSERT_TRUE(put("S", "j", "2"));
    EXPECT_EQ(file_text(), "[S]\nk=1\nj=2\n");

    ASSERT_TRUE(WritePrivateProfileString(machine(), "New", "Key", "Value", "C:\\Data\\fresh.ini"));
    std::string buffer(16, '\0');
    GetPrivateProfileString(machine(), "New", "Key", "", buffer.data(), 16, "C:\\Data\\fresh.ini");
    EXPECT_STREQ(buffer.c_str(), "Value");

    EXPECT_TRUE(WritePrivateProfileString(machine(), "S", "k", nullptr, "C:\\Data\\absent.ini"));
    EXPECT_FALSE(machine().files().exists("C:\\Data\\absent.ini")) << "deleting from nothing creates nothing";
}

// A file cut short between the CR and the LF of its last line: a key added after that line must
// start a line of its own, not be glued onto the last value.
TEST_F(IniTest, AKeyAddedAfterALastLineEndingInABareCrStartsItsOwnLine) {
    write("[S]\r\nk=1\r");
    ASSERT_TRUE(put("S", "j", "2"));
    EXPECT_EQ(get("S", "j"), "2");
    EXPECT_EQ(get("S", "k"), "1");
    EXPECT_EQ(file_text(), "[S]\r\nk=1\r\r\nj=2\r\n");
}

TEST_F(IniTest, RefusesTextThatWouldBreakTheFile) {
    write("[S]\r\nk=1\r\n");
    EXPECT_FALSE(put("S", "k", "1\r\n[Injected]"));
    EXPECT_FALSE(put("S", "a=b", "1"));
    EXPECT_FALSE(put("S]x", "k", "1"));
    EXPECT_EQ(file_text(), "[S]\r\nk=1\r\n");
}

// The engine's INI class wraps these with fixed buffers and its own not-found results.
TEST_F(IniTest, EngineIniClassBuffers) {
    std::string long_value(300, 'v');
    write("[A]\r\nabc=abc\r\nlong=" + long_value + "\r\n[B]\r\nx=1\r\n");
    engine::INI ini;
    std::string file = kFile, a = "A", b = "B", key = "abc", missing = "missing", long_key = "long";

    EXPECT_EQ(ini.GetFromINI(file, a, key), "abc");
    EXPECT_EQ(ini.GetFromINI(file, a, missing), std::string(255, '\0'));
    EXPECT_EQ(ini.GetFromINI(file, a, long_key), std::string(254, 'v'));

    std::string sections = ini.EnumerateSections(file);
    ASSERT_EQ(sections.size(), 5000u);
    EXPECT_EQ(sections.substr(0, 5), std::string("A\0B\0\0", 5));
    EXPECT_EQ(sections.find_first_not_of('\0', 5), std::string::npos);

    std::string keys = ini.Enumeratekeys(file, b);
    ASSERT_EQ(keys.size(), 5000u);
    EXPECT_EQ(keys.substr(0, 5), std::string("x=1\0\0", 5));

    std::string value = "written";
    ini.WriteToINI(file, b, missing, value);
    EXPECT_EQ(ini.GetFromINI(file, b, missing), "written");

    std::string nowhere = "C:\\Data\\none.ini";
    EXPECT_EQ(ini.EnumerateSections(nowhere), std::string(5000, '\0'));
}

}  // namespace
