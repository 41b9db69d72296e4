#include "engine/cleaners/kept_cookie_sites.h"

#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/app_settings.h"
#include "platform/machine/machine.h"

namespace engine {

namespace {

// Where the user's other settings are: the program's name, a section of its own.
constexpr const char* kApp = "Orvane";
constexpr const char* kSection = "Cookies";
constexpr const char* kKey = "Keep";
constexpr std::string_view kKeptMessage = "msg680";
constexpr std::string_view kKeptFileMessage = "msg750";

// The sites of the run in progress; a run is one at a time, as the machine it cleans is.
std::vector<std::string>& run_sites() {
    static std::vector<std::string> sites;
    return sites;
}

}  // namespace

CookieKeepList saved_cookie_keep_list() { return CookieKeepList::parse(GetSetting(kApp, kSection, kKey)); }

void save_cookie_keep_list(const CookieKeepList& list) {
    if (list.empty()) DeleteSetting(kApp, kSection, kKey);
    else SaveSetting(kApp, kSection, kKey, list.text());
}

CookieKeepList cookie_keep_list_in_force() {
    std::vector<std::string> sites = saved_cookie_keep_list().sites();
    sites.insert(sites.end(), run_sites().begin(), run_sites().end());
    return CookieKeepList(sites);
}

namespace {

void note_kept(Event<std::string>& show_log, std::string_view message, const std::string& what) {
    if (platform::has_current_machine()) platform::current_machine().removals().keep(what);
    report_to_log(show_log, message, what);
}

}  // namespace

void note_kept_cookie(Event<std::string>& show_log, const std::string& what) {
    note_kept(show_log, kKeptMessage, what);
}

void note_kept_cookie_file(Event<std::string>& show_log, const std::string& file) {
    note_kept(show_log, kKeptFileMessage, file);
}

RunKeptCookieSites::RunKeptCookieSites(std::vector<std::string> sites) { run_sites() = std::move(sites); }

RunKeptCookieSites::~RunKeptCookieSites() { run_sites().clear(); }

}  // namespace engine
