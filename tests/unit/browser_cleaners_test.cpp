// Netscape, FireFox, Opera, AOL and the Browsers check against the files and registry of a
// temporary machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/cleaners/aol.h"
#include "engine/cleaners/firefox.h"
#include "engine/cleaners/installed_applications.h"
#include "engine/cleaners/kept_cookie_sites.h"
#include "engine/cleaners/netscape.h"
#include "engine/cleaners/opera.h"
#include "engine/foundation/class_table.h"
#include "tests/unit/support/trace_machine.h"

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;

constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

bool contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// Files lying at the root of the C: drive, where paths built from an empty profile would point.
const std::vector<std::string> kDriveRootTraps = {"C:\\history.dat",     "C:\\cookies.txt", "C:\\formhistory.dat",
                                                  "C:\\cache\\page.htm", "C:\\mail\\Trash", "C:\\bookmarks.bak",
                                                  "C:\\cookies4.dat",    "C:\\global.dat",  "C:\\cache4\\a.gif"};

class NetscapeTest : public tavrin_test::TraceMachineTest {};

TEST_F(NetscapeTest, OnXpTheLastProfileUnderMozillaProfilesIsUsed) {
    set_windows_version("winxp");
    std::string profile = app_data() + "\\Mozilla\\Profiles\\default";
    plant({profile + "\\prefs.js"});
    engine::Netscape netscape;
    EXPECT_EQ(netscape.GetCachePath(), profile + "\\cache");
    EXPECT_EQ(netscape.GetHistoryFile(), profile + "\\history.dat");
    EXPECT_EQ(netscape.GetBookmarksFile(), profile + "\\bookmarks.html");
}

TEST_F(NetscapeTest, DescendsIntoTheSaltedFolderThatHoldsTheCookies) {
    set_windows_version("winxp");
    std::string profile = app_data() + "\\Mozilla\\Profiles\\default";
    // A leftover ".slt" folder without cookies is passed over for the one the browser uses.
    plant({profile + "\\aaaa1111.slt\\prefs.js", profile + "\\zzzz9999.slt\\Cookies.txt", profile + "\\notes.slt.txt"});
    EXPECT_EQ(engine::Netscape().GetCachePath(), profile + "\\zzzz9999.slt\\cache");
    // Without cookies in any of them, the first salted folder listed is the profile.
    std::filesystem::remove(temp.host(profile + "\\zzzz9999.slt\\Cookies.txt"));
    std::string chosen = engine::Netscape().GetCachePath();
    EXPECT_TRUE(chosen == profile + "\\aaaa1111.slt\\cache" || chosen == profile + "\\zzzz9999.slt\\cache") << chosen;
}

TEST_F(NetscapeTest, OtherSystemsPreferTheNetscapeTreeOverMozillaDefault) {
    set_windows_version("win2k");
    std::string mozilla = app_data() + "\\Mozilla\\Profiles\\default\\abcd.slt";
    plant({mozilla + "\\Cookies.txt"});
    EXPECT_EQ(engine::Netscape().GetCachePath(), mozilla + "\\cache");  // only the Mozilla tree so far

    std::string netscape = app_data() + "\\netscape\\nsb\\Profiles\\someone";
    plant({netscape + "\\prefs.js"});
    EXPECT_EQ(engine::Netscape().GetCachePath(), netscape + "\\cache");
}

TEST_F(NetscapeTest, EveryMemberShredsItsTraceAndMailKeepsAllButTheTrash) {
    set_windows_version("winxp");
    std::string profile = app_data() + "\\Mozilla\\Profiles\\default\\x1.slt";
    plant({profile + "\\Cookies.txt", profile + "\\history.dat", profile + "\\formhistory.dat",
           profile + "\\cache\\A1B2", profile + "\\cache\\sub\\C3D4", profile + "\\mail\\Local Folders\\Trash",
           profile + "\\mail\\Local Folders\\Trash.msf", profile + "\\mail\\Local Folders\\Inbox",
           profile + "\\bookmarks.html"});
    engine::Netscape netscape;
    watch(netscape);
    netscape.Delete_History();
    netscape.Delete_Cache();
    netscape.Delete_Cookies();
    netscape.Delete_Mail();
    netscape.Delete_AutoComplete();

    for (const char* gone : {"\\Cookies.txt", "\\history.dat", "\\formhistory.dat", "\\cache\\A1B2",
                             "\\cache\\sub\\C3D4", "\\mail\\Local Folders\\Trash"})
        EXPECT_FALSE(exists(profile + gone)) << gone;
    for (const char* kept :
         {"\\cache", "\\mail\\Local Folders\\Trash.msf", "\\mail\\Local Folders\\Inbox", "\\bookmarks.html"})
        EXPECT_TRUE(exists(profile + kept)) << kept;
    EXPECT_TRUE(contains(log_lines, "history.dat"));
    EXPECT_TRUE(contains(log_lines, "C3D4"));
    EXPECT_TRUE(contains(log_lines, "Trash"));
    // With the cookies gone the same folder is still the profile, so a later clean finds the rest.
    EXPECT_EQ(engine::Netscape().GetCachePath(), profile + "\\cache");
}

// With a keep-list the file is shredded and written again with the kept sites' cookies alone, in
// their order, http-only ones included; the preview names each as kept. Nothing kept: no file.
TEST_F(NetscapeTest, CookiesTxtKeepsTheCookiesOfKeptSitesOnly) {
    set_windows_version("winxp");
    const std::string cookies = app_data() + "\\Mozilla\\Profiles\\default\\x1.slt\\cookies.txt";
    temp.write_file(cookies,
                    "# Netscape HTTP Cookie File\r\n\r\n"
                    ".bank.example\tTRUE\t/\tFALSE\t0\tsession\tabc\r\n"
                    "ads.example\tFALSE\t/\tFALSE\t0\ttrack\txyz\r\n"
                    "#HttpOnly_login.bank.example\tFALSE\t/\tTRUE\t0\ttoken\tdef\r\n"
                    "evilbank.example\tFALSE\t/\tFALSE\t0\tlure\tghi\r\n");
    {
        const engine::RunKeptCookieSites kept_sites({".bank.example"});
        std::vector<platform::Kept> kept;
        {
            platform::Recording preview(machine(), platform::RemovalLog::Mode::DryRun);
            engine::Netscape().Delete_Cookies();
            kept = machine().removals().kept();
        }
        ASSERT_EQ(kept.size(), 2u);
        EXPECT_EQ(kept[1].path, cookies + ": login.bank.example token");
        engine::Netscape().Delete_Cookies();
        EXPECT_EQ(machine().files().read_text(cookies),
                  "# Netscape HTTP Cookie File\n"
                  ".bank.example\tTRUE\t/\tFALSE\t0\tsession\tabc\n"
                  "#HttpOnly_login.bank.example\tFALSE\t/\tTRUE\t0\ttoken\tdef\n");
    }
    const engine::RunKeptCookieSites other_sites({"other.example"});
    engine::Netscape().Delete_Cookies();
    EXPECT_FALSE(exists(cookies));
}

TEST_F(NetscapeTest, WithoutAProfileNothingIsShreddedNotEvenAtTheDriveRoot) {
    plant(kDriveRootTraps);
    for (const char* version : {"winxp", "win2k"}) {
        set_windows_version(version);
        engine::Netscape netscape;
        watch(netscape);
        EXPECT_EQ(netscape.GetCachePath(), "");
        netscape.Delete_History();
        netscape.Delete_Cache();
        netscape.Delete_Cookies();
        netscape.Delete_Mail();
        netscape.Delete_AutoComplete();
    }
    for (const auto& trap : kDriveRootTraps) EXPECT_TRUE(exists(trap)) << trap;
    EXPECT_TRUE(contains(log_lines, "Netscape / Mozilla profile"));
}

class FireFoxTest : public tavrin_test::TraceMachineTest {
protected:
    std::string firefox() { return app_data() + "\\Mozilla\\Firefox"; }
    void write_profiles_ini(const std::string& text) { temp.write_file(firefox() + "\\profiles.ini", text); }
};

TEST_F(FireFoxTest, EveryListedProfilePathKeepsItsSlashAndItsFilesAreShredded) {
    write_profiles_ini(
        "[General]\nStartWithLastProfile=1\n\n[Profile1]\nName=other\nPath=Profiles/other.x\n\n"
        "[Profile0]\nName=default\nIsRelative=1\nPath=Profiles/abc.default\n");
    std::string profile = firefox() + "\\Profiles\\abc.default";
    std::string other = firefox() + "\\Profiles\\other.x";
    plant({profile + "\\cookies.txt", profile + "\\cache\\0A\\entry", profile + "\\bookmarks.bak",
           other + "\\cookies.txt", firefox() + "\\Profiles\\unlisted\\cookies.txt"});
    engine::FireFox fox;
    watch(fox);
    fox.Delete_Cookies();
    fox.Delete_Cache();
    fox.Delete_Bookmarks();  // bookmarks.html is missing: the backup still goes

    EXPECT_FALSE(exists(profile + "\\cookies.txt"));
    EXPECT_FALSE(exists(profile + "\\cache\\0A\\entry"));
    EXPECT_TRUE(exists(profile + "\\cache"));
    EXPECT_FALSE(exists(profile + "\\bookmarks.bak"));
    EXPECT_FALSE(exists(other + "\\cookies.txt"));
    EXPECT_TRUE(exists(firefox() + "\\Profiles\\unlisted\\cookies.txt"));
    EXPECT_TRUE(contains(log_lines, "cookies.txt"));
    EXPECT_TRUE(contains(log_lines, "bookmarks.bak"));
}

TEST_F(FireFoxTest, HistoryIsDeletedQuietlyAndAMissingOneIsNoError) {
    write_profiles_ini("[Profile0]\nPath=Profiles/abc.default\n");
    std::string profile = firefox() + "\\Profiles\\abc.default";
    plant({profile + "\\history.dat"});
    engine::FireFox fox;
    watch(fox);
    fox.Delete_History();
    EXPECT_FALSE(exists(profile + "\\history.dat"));
    EXPECT_NO_THROW(fox.Delete_History());
    EXPECT_TRUE(log_lines.empty());
}

TEST_F(FireFoxTest, ProfilesThatAreMissingOrLeaveTheFirefoxFolderAreRefused) {
    plant(kDriveRootTraps);
    plant({firefox() + "\\cookies.txt", firefox() + "\\bookmarks.bak", app_data() + "\\Mozilla\\cookies.txt",
           "C:\\elsewhere\\cookies.txt"});
    for (const char* ini : {"", "[General]\nStartWithLastProfile=1\n", "[Profile0]\nPath=..\n",
                            "[Profile0]\nPath=Profiles/../../\n", "[Profile0]\nIsRelative=0\nPath=Q:\\elsewhere\n",
                            "[Profile0]\nIsRelative=1\nPath=C:\\elsewhere\n", "[Profile0]\nPath=\\elsewhere\n"}) {
        write_profiles_ini(ini);
        engine::FireFox fox;
        watch(fox);
        fox.Delete_Cookies();
        fox.Delete_Bookmarks();
        fox.Delete_Cache();
        fox.Delete_History();
    }
    for (const auto& trap : kDriveRootTraps) EXPECT_TRUE(exists(trap)) << trap;
    EXPECT_TRUE(exists(firefox() + "\\cookies.txt"));
    EXPECT_TRUE(exists(firefox() + "\\bookmarks.bak"));
    EXPECT_TRUE(exists(app_data() + "\\Mozilla\\cookies.txt"));
    EXPECT_TRUE(exists("C:\\elsewhere\\cookies.txt"));
    EXPECT_TRUE(contains(log_lines, "Firefox profile"));
}

class OperaAolTest : public tavrin_test::TraceMachineTest {};

TEST_F(OperaAolTest, OperaCleansTheProfileOfItsWindowsVersion) {
    std::string xp_profile = app_data() + "\\Opera\\Opera\\profile";
    std::string old_profile = "C:\\Program Files\\Opera\\profile";
    plant({xp_profile + "\\global.dat", xp_profile + "\\cookies4.dat", xp_profile + "\\cache4\\opr01.htm",
           old_profile + "\\global.dat", old_profile + "\\cache4\\opr02.htm"});

    set_windows_version("win2k");
    set_text(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", "C:\\WINNT");
    {
        engine::Opera opera;
        opera.CleanCache();
        opera.CleanHistory();
    }
    EXPECT_FALSE(exists(old_profile + "\\cache4\\opr02.htm"));
    EXPECT_TRUE(exists(old_profile + "\\cache4"));
    EXPECT_FALSE(exists(old_profile + "\\global.dat"));
    EXPECT_TRUE(exists(xp_profile + "\\global.dat"));

    set_windows_version("winxp");
    engine::Opera opera;
    watch(opera);
    opera.CleanHistory();
    opera.CleanCookies();
    opera.CleanCache();
    EXPECT_FALSE(exists(xp_profile + "\\global.dat"));
    EXPECT_FALSE(exists(xp_profile + "\\cookies4.dat"));
    EXPECT_FALSE(exists(xp_profile + "\\cache4\\opr01.htm"));
    EXPECT_TRUE(contains(log_lines, "cookies4.dat"));
}

// A record of Opera's cookie file: a one-byte tag, a two-byte length, the contents.
std::string opera_record(char tag, const std::string& contents) {
    return std::string{tag, static_cast<char>(contents.size() >> 8), static_cast<char>(contents.size() & 0xFF)} +
           contents;
}

// The file is kept whole when a kept site's labels are among its domains, listed as kept in the
// preview; otherwise, or when it is not in Opera's format at all, it goes as before.
TEST_F(OperaAolTest, OperaKeepsItsWholeCookieFileOnlyWhenItMayHoldAKeptSite) {
    set_windows_version("winxp");
    const std::string cookies = app_data() + "\\Opera\\Opera\\profile\\cookies4.dat";
    const std::string header("\0\0\x10\0\0\0\x20\0\0\x01\0\x02", 12);
    const std::string cookie = opera_record(0x03, opera_record(0x10, "login") + opera_record(0x11, "secret") + "\x99");
    const std::string file =
        header +
        opera_record(0x01, opera_record(0x1E, "example") + opera_record(0x01, opera_record(0x1E, "Bank") + cookie)) +
        "\x84" + opera_record(0x01, opera_record(0x1E, "news") + cookie);
    temp.write_file(cookies, file);
    {
        const engine::RunKeptCookieSites kept_sites({".bank.example"});
        std::vector<platform::Kept> kept;
        {
            platform::Recording preview(machine(), platform::RemovalLog::Mode::DryRun);
            engine::Opera().CleanCookies();
            kept = machine().removals().kept();
        }
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].path, cookies);
        engine::Opera().CleanCookies();
        EXPECT_EQ(machine().files().read_text(cookies), file);
        // Cut short, the file is no cookie file Opera reads.
        temp.write_file(cookies, file.substr(0, file.size() - 4));
        engine::Opera().CleanCookies();
        EXPECT_FALSE(exists(cookies));
    }
    temp.write_file(cookies, file);
    const engine::RunKeptCookieSites other_sites({"mail.example"});
    engine::Opera().CleanCookies();
    EXPECT_FALSE(exists(cookies));
}

TEST_F(OperaAolTest, OperaWithoutAnApplicationDataFolderTouchesNothing) {
    plant(kDriveRootTraps);
    set_windows_version("winxp");
    engine::cRegistry reg;
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    reg.ValueKey("AppData");
    reg.DeleteValue();
    engine::Opera opera;
    EXPECT_ANY_THROW(opera.CleanCache());
    EXPECT_ANY_THROW(opera.CleanCookies());
    EXPECT_ANY_THROW(opera.CleanHistory());
    for (const auto& trap : kDriveRootTraps) EXPECT_TRUE(exists(trap)) << trap;
}

TEST_F(OperaAolTest, AolEmptiesTheFoldersOfTheInstalledVersionOnly) {
    plant({"C:\\America Online 6.0\\AOLTEMP\\art\\pic.art", "C:\\America Online 6.0\\download\\file.zip",
           "C:\\America Online 6.0\\aol.exe"});
    engine::AOL aol;
    watch(aol);
    aol.CleanAOLTemp();
    EXPECT_FALSE(exists("C:\\America Online 6.0\\AOLTEMP\\art\\pic.art"));
    EXPECT_TRUE(exists("C:\\America Online 6.0\\AOLTEMP"));
    EXPECT_TRUE(exists("C:\\America Online 6.0\\download\\file.zip"));
    EXPECT_FALSE(exists("C:\\America Online 5.0"));
    aol.CleanAOLDownloads();
    EXPECT_FALSE(exists("C:\\America Online 6.0\\download\\file.zip"));
    EXPECT_TRUE(exists("C:\\America Online 6.0\\aol.exe"));
    EXPECT_EQ(log_lines.size(), 2u);
}

class BrowsersTest : public tavrin_test::TraceMachineTest {};

TEST_F(BrowsersTest, EachBrowserIsFoundByItsKeyInAnyLetterCase) {
    engine::Browsers browsers;
    for (const char* name : {"netscape", "opera", "aol", "firefox"}) EXPECT_FALSE(browsers.DoesExist(name)) << name;
    EXPECT_TRUE(browsers.DoesExist("IE"));

    engine::cRegistry reg;
    reg.ClassKey(HKEY_LOCAL_MACHINE);
    reg.SectionKey(std::string(kAppPaths) + "Netscape.exe");  // the other installer's key is absent
    reg.CreateKey();
    reg.SectionKey(std::string(kAppPaths) + "firefox.exe");
    reg.CreateKey();
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey("Software\\Opera Software");
    reg.CreateKey();

    EXPECT_TRUE(browsers.DoesExist("netscape"));
    EXPECT_EQ(browsers.DoesExist("NETSCAPE"), browsers.DoesExist("netscape"));
    EXPECT_TRUE(browsers.DoesExist("Firefox"));
    EXPECT_TRUE(browsers.DoesExist("Opera"));
    EXPECT_FALSE(browsers.DoesExist("AOL"));
    EXPECT_FALSE(browsers.DoesExist("mosaic"));
    EXPECT_FALSE(browsers.DoesExist(""));
}

TEST(BrowserClasses, AreCreatedByName) {
    for (const char* name : {"Netscape", "FireFox", "Opera", "AOL", "Browsers"})
        EXPECT_NE(engine::find_class(name), nullptr) << name;
    EXPECT_NE(engine::find_class("Tavrin.FireFox"), nullptr);
}

}  // namespace
