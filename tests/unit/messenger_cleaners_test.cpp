// MSN, YahooMessenger, ICQ, Office and the Messangers check against the registry and files of a
// temporary machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/cleaners/icq.h"
#include "engine/cleaners/installed_applications.h"
#include "engine/cleaners/msn.h"
#include "engine/cleaners/office.h"
#include "engine/cleaners/yahoo_messenger.h"
#include "engine/foundation/class_table.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/trace_machine.h"

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;

constexpr const char* kMsn = "Software\\Microsoft\\MSNMessenger";
constexpr const char* kIcqInstall = "SOFTWARE\\Mirabilis\\ICQ\\Install\\General";

bool contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

engine::Bytes bytes_of(const std::string& text) { return engine::Bytes(text.begin(), text.end()); }

class MsnTest : public tavrin_test::TraceMachineTest {};

TEST_F(MsnTest, AccountSettingsGoWithTheirPerAccountKeys) {
    set_text(HKEY_CURRENT_USER, std::string(kMsn) + "\\PerPassportSettings\\1234abcd", "LastStatus", "online");
    set_text(HKEY_CURRENT_USER, kMsn, "AppSettings", "kept");
    engine::MSN msn;
    watch(msn);
    msn.CleanMSNAccountSettings();
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, std::string(kMsn) + "\\PerPassportSettings"));
    EXPECT_TRUE(value_exists(HKEY_CURRENT_USER, kMsn, "AppSettings"));
    EXPECT_TRUE(contains(log_lines, "LastStatus"));
}

TEST_F(MsnTest, ReceivedFolderIsEmptiedWhetherStoredAsBytesOrText) {
    std::string folder = "C:\\My Received Files";
    plant({folder + "\\photo.jpg", folder + "\\sub\\doc.txt"});
    set_text(HKEY_CURRENT_USER, kMsn, "FtReceiveFolder", bytes_of(folder + std::string(1, '\0')), engine::REG_BINARY);
    engine::MSN msn;
    watch(msn);
    msn.CleanMSNRecivedFolder();
    EXPECT_FALSE(exists(folder + "\\photo.jpg"));
    EXPECT_FALSE(exists(folder + "\\sub\\doc.txt"));
    EXPECT_TRUE(exists(folder));
    EXPECT_TRUE(contains(log_lines, "photo.jpg"));

    plant({folder + "\\again.zip"});
    engine::Bytes wide;
    for (char c : folder) wide.insert(wide.end(), {static_cast<uint8_t>(c), 0});
    set_text(HKEY_CURRENT_USER, kMsn, "FtReceiveFolder", wide, engine::REG_BINARY);
    msn.CleanMSNRecivedFolder();
    EXPECT_FALSE(exists(folder + "\\again.zip"));
}

TEST_F(MsnTest, AReceivedFolderValueThatIsNoUsablePathShredsNothing) {
    plant({"C:\\boot.ini", "C:\\stuff\\keep.txt"});
    engine::MSN msn;
    watch(msn);
    msn.CleanMSNRecivedFolder();  // no value at all
    for (const engine::Bytes& value : {engine::Bytes{}, engine::Bytes{0}, bytes_of("C:\\"), bytes_of("C:"),
                                       engine::Bytes{'C', ':', '\\', 0x01, 's'}, bytes_of("stuff")}) {
        set_text(HKEY_CURRENT_USER, kMsn, "FtReceiveFolder", value, engine::REG_BINARY);
        msn.CleanMSNRecivedFolder();
    }
    EXPECT_TRUE(exists("C:\\boot.ini"));
    EXPECT_TRUE(exists("C:\\stuff\\keep.txt"));
    EXPECT_TRUE(contains(log_lines, "MSN Messenger received files folder"));
}

class YahooTest : public tavrin_test::TraceMachineTest {};

TEST_F(YahooTest, PagerLogIsFoundThroughTheRegistryOrTheProgramFilesSearch) {
    plant({"C:\\Yahoo Main\\messenger\\YPager.log"});
    set_text(HKEY_LOCAL_MACHINE, "SOFTWARE\\Yahoo\\Essentials", "mainDir", "C:\\Yahoo Main");
    engine::YahooMessenger yahoo;
    yahoo.CleanYahooPager();
    EXPECT_FALSE(exists("C:\\Yahoo Main\\messenger\\YPager.log"));

    // Blanks count as empty: the first folder whose name holds "yahoo" is used, never a file.
    set_text(HKEY_LOCAL_MACHINE, "SOFTWARE\\Yahoo\\Essentials", "mainDir", "   ");
    plant({"C:\\Program Files\\yahoo-readme.txt", "C:\\Program Files\\Yahoo!\\messenger\\YPager.log"});
    yahoo.CleanYahooPager();
    EXPECT_FALSE(exists("C:\\Program Files\\Yahoo!\\messenger\\YPager.log"));
    EXPECT_TRUE(exists("C:\\Program Files\\yahoo-readme.txt"));
}

TEST_F(YahooTest, WithoutAnInstallationNothingIsShreddedAndTheLogSaysSo) {
    plant({"C:\\messenger\\YPager.log", "C:\\Program Files\\yahoo.txt"});
    engine::YahooMessenger yahoo;
    watch(yahoo);
    EXPECT_NO_THROW(yahoo.CleanYahooPager());
    EXPECT_TRUE(exists("C:\\messenger\\YPager.log"));
    EXPECT_TRUE(contains(log_lines, "Yahoo Messenger folder"));
}

TEST_F(YahooTest, ProfilesGoWithTheirFolderAndTheStoredUserName) {
    set_text(HKEY_CURRENT_USER, "Software\\Yahoo\\Profiles\\someone", "Name", "someone");
    set_text(HKEY_CURRENT_USER, "Software\\Yahoo\\pager\\profiles\\someone\\Alerts", "Sound", "1");
    set_text(HKEY_CURRENT_USER, "Software\\Yahoo\\pager", "Yahoo! User ID", "someone");
    set_text(HKEY_CURRENT_USER, "Software\\Yahoo\\pager", "View", "compact");
    plant({"C:\\Program Files\\Yahoo!\\Messenger\\Profiles\\someone\\Archive\\msgs.dat",
           "C:\\Program Files\\Yahoo!\\Messenger\\YahooMessenger.exe"});
    engine::YahooMessenger yahoo;
    watch(yahoo);
    yahoo.CleanYahooProfiles();
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "Software\\Yahoo\\Profiles"));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "Software\\Yahoo\\pager\\profiles"));
    EXPECT_FALSE(value_exists(HKEY_CURRENT_USER, "Software\\Yahoo\\pager", "Yahoo! User ID"));
    EXPECT_TRUE(value_exists(HKEY_CURRENT_USER, "Software\\Yahoo\\pager", "View"));
    EXPECT_FALSE(exists("C:\\Program Files\\Yahoo!\\Messenger\\Profiles"));
    EXPECT_TRUE(exists("C:\\Program Files\\Yahoo!\\Messenger\\YahooMessenger.exe"));
    EXPECT_TRUE(contains(log_lines, "msgs.dat"));
    EXPECT_TRUE(contains(log_lines, "Yahoo! User ID"));
}

class IcqTest : public tavrin_test::TraceMachineTest {};

TEST_F(IcqTest, FolderMembersEmptyTheirFolderOfTheSearchedInstallation) {
    // "InstalledDir" is missing: the first folder of program files with "icq" in its name.
    std::string icq = "C:\\Program Files\\ICQLite";
    plant({"C:\\Program Files\\icq-setup.exe", icq + "\\Chats\\chat1.txt", icq + "\\Bookmark\\b.url",
           icq + "\\AteBrowser\\x.htm", icq + "\\ICQLite.exe"});
    engine::ICQ client;
    watch(client);
    client.CleanICQChats();
    EXPECT_FALSE(exists(icq + "\\Chats\\chat1.txt"));
    EXPECT_TRUE(exists(icq + "\\Chats"));
    EXPECT_TRUE(exists(icq + "\\Bookmark\\b.url"));
    client.CleanICQBookmarks();
    client.CleanICQBrowserCache();
    EXPECT_FALSE(exists(icq + "\\Bookmark\\b.url"));
    EXPECT_FALSE(exists(icq + "\\AteBrowser\\x.htm"));
    EXPECT_TRUE(exists(icq + "\\ICQLite.exe"));
    EXPECT_TRUE(exists("C:\\Program Files\\icq-setup.exe"));
    EXPECT_TRUE(contains(log_lines, "chat1.txt"));
}

TEST_F(IcqTest, TheRegisteredInstallationWinsOverTheSearch) {
    set_text(HKEY_CURRENT_USER, kIcqInstall, "InstalledDir", "C:\\Messaging\\Mirabilis");
    plant({"C:\\Messaging\\Mirabilis\\Chats\\a.txt", "C:\\Program Files\\ICQ\\Chats\\b.txt"});
    engine::ICQ().CleanICQChats();
    EXPECT_FALSE(exists("C:\\Messaging\\Mirabilis\\Chats\\a.txt"));
    EXPECT_TRUE(exists("C:\\Program Files\\ICQ\\Chats\\b.txt"));
}

TEST_F(IcqTest, ReceivedFilesAreTheXmlOfIcqsOwnFolderOnly) {
    std::string received = app_data() + "\\ICQ\\ReceivedFiles";
    plant({received + "\\1.xml", received + "\\peer\\2.XML", received + "\\photo.jpg",
           app_data() + "\\Other\\settings.xml", app_data() + "\\top.xml"});
    engine::ICQ().CleanICQReceivedFiles();
    EXPECT_FALSE(exists(received + "\\1.xml"));
    EXPECT_FALSE(exists(received + "\\peer\\2.XML"));
    EXPECT_TRUE(exists(received + "\\photo.jpg"));
    EXPECT_TRUE(exists(app_data() + "\\Other\\settings.xml"));
    EXPECT_TRUE(exists(app_data() + "\\top.xml"));
}

TEST_F(IcqTest, WithoutAnInstallationNothingAtTheDriveRootIsTouched) {
    plant({"C:\\Chats\\c.txt", "C:\\Bookmark\\b.url", "C:\\AteBrowser\\a.htm", "C:\\Program Files\\icq.txt"});
    engine::ICQ client;
    watch(client);
    client.CleanICQChats();
    client.CleanICQBookmarks();
    client.CleanICQBrowserCache();
    for (const char* kept : {"C:\\Chats\\c.txt", "C:\\Bookmark\\b.url", "C:\\AteBrowser\\a.htm"})
        EXPECT_TRUE(exists(kept));
    EXPECT_EQ(std::count_if(log_lines.begin(), log_lines.end(),
                            [](const std::string& line) { return line.find("ICQ folder") != std::string::npos; }),
              3);
}

class OfficeTest : public tavrin_test::TraceMachineTest {
protected:
    static std::string key(const char* version, const char* rest) {
        return std::string("Software\\Microsoft\\Office\\") + version + "\\" + rest;
    }
};

TEST_F(OfficeTest, AccessValuesWithMruInTheirNameGoInAnyLetterCase) {
    for (const char* name : {"MRU1", "mru2", "MRUFlags1", "Recent"})
        set_text(HKEY_CURRENT_USER, key("11.0", "Access\\Settings"), name, "C:\\db.mdb");
    set_text(HKEY_CURRENT_USER, key("9.0", "Access\\Settings"), "MRU1", "C:\\old.mdb");
    engine::Office office;
    watch(office);
    office.CleanOfficeAccessMRU();
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, key("11.0", "Access\\Settings")),
              std::vector<std::string>{"Recent"});
    EXPECT_TRUE(tavrin_test::value_names(HKEY_CURRENT_USER, key("9.0", "Access\\Settings")).empty());
    EXPECT_EQ(log_lines.size(), 4u);
}

TEST_F(OfficeTest, OneInstalledVersionIsCleanedAndTheOthersPassedOver) {
    for (const char* app : {"Word", "PowerPoint", "Outlook", "PhotoEditor"}) {
        set_text(HKEY_CURRENT_USER, key("10.0", (std::string(app) + "\\Data").c_str()), "Settings",
                 engine::Bytes{1, 2, 3}, engine::REG_BINARY);
        set_text(HKEY_CURRENT_USER, key("10.0", (std::string(app) + "\\Data").c_str()), "Other", "kept");
    }
    set_text(HKEY_CURRENT_USER, key("10.0", "Excel\\recent files"), "File1", "C:\\book.xls");
    engine::Office office;
    office.CleanOfficeWordMRU();
    office.CleanOfficeExcelMRU();
    office.CleanOfficePowerPointMRU();
    office.CleanOfficeOutlookMRU();
    office.CleanOfficePhotoEditorMRU();
    for (const char* app : {"Word", "PowerPoint", "Outlook", "PhotoEditor"}) {
        std::string data = key("10.0", (std::string(app) + "\\Data").c_str());
        EXPECT_FALSE(value_exists(HKEY_CURRENT_USER, data, "Settings")) << app;
        EXPECT_TRUE(value_exists(HKEY_CURRENT_USER, data, "Other")) << app;
    }
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, key("10.0", "Excel\\recent files")));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, key("11.0", "Word")));
}

TEST_F(OfficeTest, PowerPoint2003AlsoLosesItsRecentFileListAndExcelEveryVersion) {
    set_text(HKEY_CURRENT_USER, key("11.0", "PowerPoint\\Recent File List"), "File1", "C:\\talk.ppt");
    set_text(HKEY_CURRENT_USER, key("11.0", "PowerPoint\\Recent File List\\Extra"), "File2", "C:\\b.ppt");
    set_text(HKEY_CURRENT_USER, key("10.0", "PowerPoint\\Recent File List"), "File1", "C:\\kept.ppt");
    for (const char* version : {"11.0", "8.0"})
        set_text(HKEY_CURRENT_USER, key(version, "Excel\\recent files"), "File1", "C:\\a.xls");
    engine::Office office;
    office.CleanOfficePowerPointMRU();
    office.CleanOfficeExcelMRU();
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, key("11.0", "PowerPoint\\Recent File List")));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, key("10.0", "PowerPoint\\Recent File List")));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, key("11.0", "Excel\\recent files")));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, key("8.0", "Excel\\recent files")));
}

// Office 2007 and later: each application's File MRU and Place MRU, a signed-in account's too,
// whatever the values' types; its other keys and the lists of applications not asked for stay.
TEST_F(OfficeTest, NewerVersionsLoseTheirFileAndPlaceListsOfTheApplicationAskedFor) {
    const std::vector<std::string> lists = {key("16.0", "Word\\File MRU"), key("16.0", "Word\\Place MRU"),
                                            key("15.0", "Word\\User MRU\\LiveId_A1\\File MRU"),
                                            key("12.0", "Word\\Place MRU")};
    for (const auto& list : lists) set_text(HKEY_CURRENT_USER, list, "Item 1", "[F00000000]*C:\\letter.docx");
    set_text(HKEY_CURRENT_USER, lists[1], "Max Display", engine::Bytes{25, 0, 0, 0}, engine::REG_DWORD);
    set_text(HKEY_CURRENT_USER, key("16.0", "Word\\Options"), "AutoSave", "kept");
    set_text(HKEY_CURRENT_USER, key("16.0", "Excel\\File MRU"), "Item 1", "*C:\\kept.xlsx");
    engine::Office office;
    office.CleanOfficeWordMRU();
    for (const auto& list : lists) EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, list)) << list;
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, key("15.0", "Word\\User MRU\\LiveId_A1")));
    EXPECT_TRUE(value_exists(HKEY_CURRENT_USER, key("16.0", "Word\\Options"), "AutoSave"));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, key("16.0", "Excel\\File MRU")));
    office.CleanOfficeExcelMRU();
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, key("16.0", "Excel\\File MRU")));
}

class MessangersTest : public tavrin_test::TraceMachineTest {};

TEST_F(MessangersTest, EachMessengerIsFoundByItsKeyInAnyLetterCase) {
    engine::Messangers messengers;
    for (const char* name : {"msn", "icq", "yahoo"}) EXPECT_FALSE(messengers.DoesExist(name)) << name;
    set_text(HKEY_CURRENT_USER, "Software\\Yahoo\\pager", "View", "compact");
    set_text(HKEY_CURRENT_USER, "SOFTWARE\\Mirabilis\\ICQ\\Owners", "Count", "1");
    EXPECT_TRUE(messengers.DoesExist("Yahoo"));
    EXPECT_TRUE(messengers.DoesExist("ICQ"));
    EXPECT_FALSE(messengers.DoesExist("Msn"));
    EXPECT_FALSE(messengers.DoesExist("aim"));
}

TEST(MessengerClasses, AreCreatedByName) {
    for (const char* name : {"MSN", "YahooMessenger", "ICQ", "Office", "Messangers"})
        EXPECT_NE(engine::find_class(name), nullptr) << name;
}

}  // namespace
