// The traces stand in for what the browser itself would have written, so they go in the way
// the browser writes them: registry values, the URL stores and plain files of the machine.
#include "app/demo/ie_traces.h"

#include <string>
#include <utility>

#include "app/demo/demo_writer.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "platform/inet/filetime.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/machine.h"

namespace app::demo {

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;

constexpr const char* kInternetExplorer = "Software\\Microsoft\\Internet Explorer";
// The entry type of a cookie record: a cookie, kept as a normal entry.
constexpr uint32_t kCookieEntry = 0x00100001;

constexpr std::pair<const char*, const char*> kTypedUrls[] = {
    {"url1", "http://www.news-example.com/"},
    {"url2", "http://mail.example.org/inbox"},
    {"url3", "http://shop.example.net/basket?item=4711"},
};

constexpr std::pair<const char*, const char*> kCachedPages[] = {
    {"http://www.news-example.com/", "<html><body>Headlines of the day</body></html>"},
    {"http://www.news-example.com/img/logo.gif", "GIF89a demo logo"},
    {"http://mail.example.org/inbox", "<html><body>3 new messages</body></html>"},
    {"http://shop.example.net/basket?item=4711", "<html><body>Your basket: 1 item</body></html>"},
    {"http://shop.example.net/style.css", "body { font-family: sans-serif; }"},
};

constexpr std::pair<const char*, const char*> kVisits[] = {
    {"http://www.news-example.com/", "News of the day"},
    {"http://mail.example.org/inbox", "Inbox"},
    {"http://shop.example.net/basket?item=4711", "Basket"},
};

struct Cookie {
    const char* file;  // after "USER@"
    const char* site;  // the record's URL after "Cookie:USER@"
    const char* contents;
};
constexpr Cookie kCookies[] = {
    {"news-example[1].txt", "www.news-example.com/", "session\n7f3a9c\nwww.news-example.com/\n1024\n"},
    {"mail.example[2].txt", "mail.example.org/", "login\ndemo-user\nmail.example.org/\n1024\n"},
    {"shop.example[1].txt", "shop.example.net/", "basket\n4711\nshop.example.net/\n1024\n"},
};
constexpr const char* kCookieUser = "demo";

constexpr std::pair<const char*, const char*> kFavorites[] = {
    {"News of the day.url", "[InternetShortcut]\r\nURL=http://www.news-example.com/\r\n"},
    {"Links\\Web mail.url", "[InternetShortcut]\r\nURL=http://mail.example.org/\r\n"},
};

void plant_registry() {
    for (const auto& [name, url] : kTypedUrls)
        write_value(HKEY_CURRENT_USER, std::string(kInternetExplorer) + "\\TypedURLs", name, url);
    write_value(HKEY_CURRENT_USER, std::string(kInternetExplorer) + "\\Main", "Start Page",
                "http://www.news-example.com/");
    // Saved form data is binary, as the browser keeps it.
    write_value(HKEY_LOCAL_MACHINE, std::string(kInternetExplorer) + "\\Intelliforms\\SPW", "mail.example.org",
                engine::Bytes{'d', 0, 'e', 0, 'm', 0, 'o', 0, 0, 0}, engine::REG_BINARY);
}

void plant_cache_and_history() {
    auto& machine = platform::current_machine();
    auto cache = platform::inet::user_url_cache(machine);
    for (const auto& [url, page] : kCachedPages) cache.add(url, page);
    auto history = platform::inet::user_url_history(machine);
    for (const auto& [url, title] : kVisits) history.add(url, title, platform::inet::history_flag::IsTopLevel);
}

// Each cookie file with its record in the cookie index, as the browser keeps them.
void plant_cookies() {
    auto& machine = platform::current_machine();
    auto index = platform::inet::user_cookie_index(machine);
    for (const auto& cookie : kCookies) {
        const std::string name = std::string(kCookieUser) + "@" + cookie.file;
        write_demo_file(profile_folder("Cookies") + "\\" + name, cookie.contents);
        if (!index) continue;
        platform::inet::IndexRecord record;
        record.url = std::string("Cookie:") + kCookieUser + "@" + cookie.site;
        record.local_name = name;
        record.size = std::string_view(cookie.contents).size();
        record.modified = record.accessed = platform::inet::filetime_now();
        record.entry_type = kCookieEntry;
        index->add(std::move(record), {});
    }
}

void plant_files() {
    for (const auto& [name, contents] : kFavorites)
        write_demo_file(profile_folder("Favorites") + "\\" + name, contents);
    std::string downloads = profile_folder("Personal") + "\\Downloads";
    write_value(HKEY_CURRENT_USER, kInternetExplorer, "Download Directory", downloads);
    write_demo_file(downloads + "\\setup-demo.exe", "MZ demo installer");
    write_demo_file(downloads + "\\holiday\\beach.jpg", "JFIF demo picture");
}

}  // namespace

void plant_ie_traces() {
    // Each kind of trace on its own, so one that fails leaves the others in place.
    engine::ignore_errors(plant_registry);
    engine::ignore_errors(plant_cache_and_history);
    engine::ignore_errors(plant_cookies);
    engine::ignore_errors(plant_files);
}

}  // namespace app::demo
