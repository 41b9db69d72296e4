// The traces go in where and as each application writes them, so the cleaners find them the
// way they find real ones: through the registry and the user's folders.
#include "app/demo/application_traces.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "app/demo/demo_writer.h"
#include "engine/foundation/engine_error.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/machine.h"
#include "platform/sqlite/database.h"

namespace app::demo {

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;

constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

std::string app_data() { return platform::inet::user_shell_folder(platform::current_machine(), "AppData"); }

void write_files(const std::string& folder, std::initializer_list<std::pair<const char*, const char*>> files) {
    for (const auto& [name, contents] : files) write_demo_file(folder + "\\" + name, contents);
}

// An installed browser: its program is where its application path says, so that the registry
// cleaner does not offer the path as stale.
void register_app_path(const char* exe, const std::string& path) {
    write_value(HKEY_LOCAL_MACHINE, std::string(kAppPaths) + exe, "", path);
    write_demo_file(path, "MZ demo program");
}

void plant_netscape() {
    register_app_path("Netscp.exe", "C:\\Program Files\\Netscape\\Netscape\\Netscp.exe");
    write_files(app_data() + "\\Mozilla\\Profiles\\default\\k3x8a2pq.slt",
                {{"Cookies.txt", "# Netscape HTTP Cookie File\n.news-example.com\tTRUE\t/\tFALSE\t0\tsid\t42\n"},
                 {"history.dat", "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n(http://www.news-example.com/)\n"},
                 {"formhistory.dat", "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n(searchbar=holiday flights)\n"},
                 {"cache\\_CACHE_001_", "cached news page"},
                 {"cache\\A1B2C3D4", "cached picture"},
                 {"mail\\Local Folders\\Trash", "From - Mon Jan 10 10:00:00 2005\nSubject: deleted mail\n"},
                 {"mail\\Local Folders\\Inbox", "From - Mon Jan 10 09:00:00 2005\nSubject: kept mail\n"}});
}

void plant_firefox() {
    register_app_path("firefox.exe", "C:\\Program Files\\Mozilla Firefox\\firefox.exe");
    std::string firefox = app_data() + "\\Mozilla\\Firefox";
    write_demo_file(firefox + "\\profiles.ini",
                    "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default\r\nIsRelative=1\r\n"
                    "Path=Profiles/x7k2m9qa.default\r\n");
    write_files(
        firefox + "\\Profiles\\x7k2m9qa.default",
        {{"history.dat", "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n(http://shop.example.net/)\n"},
         {"cookies.txt", "# HTTP Cookie File\n.shop.example.net\tTRUE\t/\tFALSE\t0\tbasket\t4711\n"},
         {"bookmarks.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DT><A HREF=\"http://mail.example.org/\">Mail</A>\n"},
         {"bookmarks.bak", "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"},
         {"Cache\\_CACHE_MAP_", "cache map"},
         {"Cache\\3F2A1B00d01", "cached page"}});
}

// A database as the browser keeps it: to SQLite a file of no bytes is an empty database.
void write_demo_database(const std::string& path, const std::string& sql) {
    write_demo_file(path, "");
    platform::sqlite::Database(platform::current_machine().files().to_host(path).value()).execute(sql);
}

// Chrome of today, its profile listed in Local State; its History and Cookies in the tables the
// cleaner empties.
void plant_chrome() {
    register_app_path("chrome.exe", "C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe");
    const std::string user_data = profile_folder("Local AppData") + "\\Google\\Chrome\\User Data";
    write_demo_file(user_data + "\\Local State", R"({"profile": {"info_cache": {"Default": {"name": "Person 1"}}}})");
    const std::string profile = user_data + "\\Default";
    write_demo_database(
        profile + "\\History",
        "CREATE TABLE urls (id INTEGER PRIMARY KEY AUTOINCREMENT, url LONGVARCHAR, title LONGVARCHAR,"
        " visit_count INTEGER DEFAULT 0 NOT NULL, typed_count INTEGER DEFAULT 0 NOT NULL,"
        " last_visit_time INTEGER NOT NULL, hidden INTEGER DEFAULT 0 NOT NULL);"
        "CREATE TABLE visits (id INTEGER PRIMARY KEY AUTOINCREMENT, url INTEGER NOT NULL, visit_time INTEGER NOT NULL,"
        " from_visit INTEGER, transition INTEGER DEFAULT 0 NOT NULL, segment_id INTEGER);"
        "CREATE TABLE keyword_search_terms (keyword_id INTEGER NOT NULL, url_id INTEGER NOT NULL,"
        " term LONGVARCHAR NOT NULL, normalized_term LONGVARCHAR NOT NULL);"
        "INSERT INTO urls (url, title, visit_count, last_visit_time) VALUES"
        " ('https://video.example.com/watch?v=holiday', 'Holiday video', 2, 13300000000000000),"
        " ('https://search.example.com/?q=cheap+flights', 'cheap flights', 1, 13300000100000000);"
        "INSERT INTO visits (url, visit_time) VALUES (1, 13300000000000000), (1, 13300000050000000),"
        " (2, 13300000100000000);"
        "INSERT INTO keyword_search_terms VALUES (2, 2, 'cheap flights', 'cheap flights');");
    write_demo_database(profile + "\\Network\\Cookies",
                        "CREATE TABLE cookies (creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL,"
                        " name TEXT NOT NULL, value TEXT NOT NULL, path TEXT NOT NULL, expires_utc INTEGER NOT NULL);"
                        "INSERT INTO cookies VALUES (13300000000000000, '.video.example.com', 'session', 'a1b2', '/',"
                        " 0), (13300000100000000, 'search.example.com', 'prefs', 'lang=en', '/', 0);");
    write_files(profile,
                {{"Cache\\Cache_Data\\f_000001", "cached video page"}, {"Code Cache\\js\\index", "code cache"}});
}

void plant_opera() {
    write_value(HKEY_CURRENT_USER, "Software\\Opera Software", "Last Directory3", app_data() + "\\Opera\\Opera");
    write_files(app_data() + "\\Opera\\Opera\\profile", {{"global.dat", "http://www.news-example.com/\t1104746400\n"},
                                                         {"cookies4.dat", "opera cookie jar"},
                                                         {"cache4\\opr00001.htm", "<html>cached</html>"},
                                                         {"cache4\\opr00002.gif", "GIF89a"}});
}

void plant_aol() {
    register_app_path("Aol.exe", "C:\\America Online 6.0\\aol.exe");
    write_files("C:\\America Online 6.0",
                {{"AOLTEMP\\art0001.art", "AOL art"}, {"AOLTEMP\\mail.tmp", "draft"}, {"download\\photos.zip", "PK"}});
}

void plant_msn() {
    std::string messenger = "Software\\Microsoft\\MSNMessenger";
    std::string received =
        platform::inet::user_shell_folder(platform::current_machine(), "Personal") + "\\My Received Files";
    engine::Bytes folder(received.begin(), received.end());
    folder.push_back(0);
    write_value(HKEY_CURRENT_USER, messenger, "FtReceiveFolder", folder, engine::REG_BINARY);
    write_value(HKEY_CURRENT_USER, messenger + "\\PerPassportSettings\\1867390321", "MessageLogPath", received);
    write_value(HKEY_CURRENT_USER, messenger + "\\PerPassportSettings\\1867390321", "DisplayName", "demo user");
    write_files(received, {{"party.jpg", "JFIF"}, {"notes.txt", "meeting at 10"}});
}

void plant_yahoo() {
    std::string yahoo = "C:\\Program Files\\Yahoo!";
    write_value(HKEY_LOCAL_MACHINE, "SOFTWARE\\Yahoo\\Essentials", "mainDir", yahoo);
    write_value(HKEY_CURRENT_USER, "Software\\Yahoo\\pager", "Yahoo! User ID", "demo_user");
    write_value(HKEY_CURRENT_USER, "Software\\Yahoo\\pager\\profiles\\demo_user", "Status", "available");
    write_value(HKEY_CURRENT_USER, "Software\\Yahoo\\Profiles\\demo_user", "Name", "demo_user");
    write_files(yahoo + "\\Messenger", {{"YPager.log", "login demo_user\n"},
                                        {"Profiles\\demo_user\\Archive\\Messages\\friend\\20050110.dat", "chat"}});
}

// No "InstalledDir": the cleaner finds the folder by searching program files.
void plant_icq() {
    write_value(HKEY_CURRENT_USER, "SOFTWARE\\Mirabilis\\ICQ\\Owners", "Count", "1");
    write_files("C:\\Program Files\\ICQLite",
                {{"Chats\\chat-4711.txt", "hello"},
                 {"Bookmark\\news.url", "[InternetShortcut]\r\nURL=http://www.news-example.com/\r\n"},
                 {"AteBrowser\\page.htm", "<html>ICQ page</html>"}});
    write_files(app_data() + "\\ICQ\\ReceivedFiles", {{"4711\\transfer-1.xml", "<file name=\"party.jpg\"/>"}});
}

void plant_office() {
    std::string office = "Software\\Microsoft\\Office\\";
    const engine::Bytes list{'M', 'R', 'U', 0, 1, 0};
    for (const char* app : {"Word", "PowerPoint", "Outlook", "PhotoEditor"})
        write_value(HKEY_CURRENT_USER, office + "11.0\\" + app + "\\Data", "Settings", list, engine::REG_BINARY);
    write_value(HKEY_CURRENT_USER, office + "11.0\\Excel\\recent files", "File1", "C:\\budget 2005.xls");
    write_value(HKEY_CURRENT_USER, office + "11.0\\PowerPoint\\Recent File List", "File1", "C:\\talk.ppt");
    write_value(HKEY_CURRENT_USER, office + "10.0\\Access\\Settings", "MRU1", "C:\\addresses.mdb");
    write_value(HKEY_CURRENT_USER, office + "10.0\\Access\\Settings", "MRUFlags1", engine::Variant(int32_t{1}),
                engine::REG_DWORD);
    write_value(HKEY_CURRENT_USER, office + "10.0\\Word\\Data", "Settings", list, engine::REG_BINARY);
    write_value(HKEY_CURRENT_USER, office + "10.0\\Excel\\recent files", "File1", "C:\\old budget.xls");
}

}  // namespace

void plant_application_traces() {
    // Each application on its own, so one that fails leaves the others in place.
    for (auto plant : {plant_netscape, plant_firefox, plant_chrome, plant_opera, plant_aol, plant_msn, plant_yahoo,
                       plant_icq, plant_office})
        engine::ignore_errors(plant);
}

}  // namespace app::demo
