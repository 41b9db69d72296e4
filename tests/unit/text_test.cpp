// The text toolkit every layer shares: ASCII letter case, names compared as Windows compares file
// names, trimming, and lists joined by "|".
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/text/ascii_case.h"
#include "platform/text/bar_list.h"
#include "platform/text/name_fold.h"
#include "platform/text/split.h"
#include "platform/text/trim.h"

namespace {

using Items = std::vector<std::string>;
using namespace platform::text;

TEST(LetterCase, OnlyAsciiLettersChangeWhateverTheLocale) {
    EXPECT_EQ(to_lower("AbZ@[`{ \xC3\x84"), "abz@[`{ \xC3\x84");  // the UTF-8 bytes of "Ä" stay
    EXPECT_EQ(to_upper("azAZ09_\xC3\xA4"), "AZAZ09_\xC3\xA4");
    EXPECT_TRUE(iequals("Program FILES", "program files"));
    EXPECT_FALSE(iequals("\xC3\x84", "\xC3\xA4"));
    EXPECT_FALSE(iequals("abc", "abcd"));
    EXPECT_TRUE(istarts_with("HTTP://x", "http:"));
    EXPECT_FALSE(istarts_with("ht", "http:"));
    EXPECT_TRUE(contains_ignoring_case("C:\\WINDOWS\\Temp", "windows\\t"));
    EXPECT_TRUE(contains_ignoring_case("abc", ""));
    EXPECT_FALSE(contains_ignoring_case("ab", "abc"));
    // '_' lies between the two cases in ASCII: folding decides where it sorts.
    EXPECT_TRUE(iless("_x", "A"));
    EXPECT_FALSE(iless("B", "a"));
}

// Folded names are compared and hashed in place, eight ASCII bytes at a time where it can: a
// spelling that takes the slow way at one place must still compare and hash as the plain one.
TEST(FoldedNames, NamesThatAreTheSameWithoutCaseCompareAndHashAlike) {
    const std::string path = "c:\\users\\anna\\local settings\\temporary internet files\\";
    const std::string kelvin = "\u212A";  // folds to "k"
    for (size_t at = 0; at <= 20; ++at) {
        const std::string plain = path.substr(0, at) + "k" + path.substr(at);
        const std::string odd = path.substr(0, at) + kelvin + path.substr(at);
        const std::string upper = to_upper(plain.substr(0, at + 1)) + plain.substr(at + 1);
        for (const std::string& other : {upper, odd}) {
            EXPECT_TRUE(same_name(plain, other)) << other;
            EXPECT_EQ(folded_hash(plain), folded_hash(other)) << other;
        }
    }
    const std::pair<std::string, std::string> alike[] = {
        {"C:\\ÄRGER\\ÖL.TXT", "c:\\ärger\\öl.txt"}, {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz"},
        {"@[`{", "@[`{"}, {"", ""}, {"\xff\xfe", "\xff\xfe"}};
    for (const auto& [a, b] : alike) {
        EXPECT_TRUE(same_name(a, b)) << a;
        EXPECT_EQ(folded_hash(a), folded_hash(b)) << a;
    }
    // The characters around the letters are not letters, broken bytes only match themselves, and
    // a longer name is another name.
    const std::pair<std::string, std::string> different[] = {
        {"@", "`"},         {"[", "{"},           {"\xff", "\xfe"},       {"\xc3", "\xc3\xa4"}, {"abcdefgh", "abcdefghi"},
        {"abcdefgh", "abcdefgi"}, {std::string("a\0", 2), "a"}, {"c:\\ärger", "c:\\arger"}};
    for (const auto& [a, b] : different) {
        EXPECT_FALSE(same_name(a, b)) << a << " vs " << b;
        EXPECT_NE(folded_hash(a), folded_hash(b)) << a << " vs " << b;
    }
}

TEST(Trimming, SpacesByDefaultAndTheCallersBlanksWhenNamed) {
    EXPECT_EQ(trim_blanks("  a b  "), "a b");
    EXPECT_EQ(trim_blanks("\t1 "), "\t1");
    EXPECT_EQ(trim_blanks("   "), "");
    EXPECT_EQ(trim_blanks("\t x\r\n", " \t\r\n"), "x");
    EXPECT_EQ(trim_leading("  a  "), "a  ");
    EXPECT_EQ(trim_trailing("  a  "), "  a");
    EXPECT_TRUE(is_blank(""));
    EXPECT_FALSE(is_blank(" \t"));
}

TEST(Splitting, EveryPieceKeepsItsPlace) {
    EXPECT_EQ(split("a,,b,", ','), (Items{"a", "", "b", ""}));
    EXPECT_EQ(split("", ','), (Items{""}));
    EXPECT_EQ(split(std::string("a\0b", 3), '\0'), (Items{"a", "b"}));
}

TEST(BarLists, OneBarAtEachEndIsStrippedAndInnerEmptyItemsStay) {
    EXPECT_EQ(trim_bars("||a|b||"), "|a|b|");
    EXPECT_EQ(trim_bars("|a|"), "a");
    EXPECT_EQ(trim_bars("|"), "");
    EXPECT_EQ(trim_bars("||"), "");
    EXPECT_EQ(bar_items("||a||"), (Items{"", "a", ""}));
    EXPECT_EQ(bar_items("|a||b|"), (Items{"a", "", "b"}));
    EXPECT_TRUE(bar_items("").empty());
    EXPECT_TRUE(bar_items("|").empty());
    EXPECT_EQ(split_bars("|a"), (Items{"", "a"}));
}

TEST(BarLists, RebuildDropsEmptyItemsAfterRemoval) {
    std::string found = "|C:\\a.dll|C:\\b.dll|C:\\a.dll|C:\\c.dll|";
    remove_every(found, "C:\\a.dll");
    const auto items = non_empty_bar_items(found);
    EXPECT_EQ(items, (Items{"C:\\b.dll", "C:\\c.dll"}));
    EXPECT_EQ(join_bars(items), "C:\\b.dll|C:\\c.dll");
    EXPECT_TRUE(non_empty_bar_items("|||").empty());
}

}  // namespace
