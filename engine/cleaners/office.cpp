#include "engine/cleaners/office.h"

#include <vector>

#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::to_upper;

TAVRIN_ENGINE_CLASS(Office, "{8F05C2F9-AC05-4F52-B27C-BC166DC85E09}");

namespace {

constexpr const char* kVersions[] = {"11.0", "10.0", "9.0", "8.0"};
// Office 2007 to 2016 and later keep each application's recent files and folders as lists of
// their own, and a signed-in user's a second time under "User MRU\<account>".
constexpr const char* kListVersions[] = {"16.0", "15.0", "14.0", "12.0"};
constexpr const char* kRecentLists[] = {"File MRU", "Place MRU"};

std::string office_key(const char* version, const std::string& rest) {
    return std::string("Software\\Microsoft\\Office\\") + version + "\\" + rest;
}

// A cRegistry whose deletions the cleaner reports as its own.
class RelayedRegistry {
public:
    explicit RelayedRegistry(Event<std::string>& show_log) : relay_(reg.ShowLog, show_log) {
        reg.ClassKey(HKEY_CURRENT_USER);
    }
    cRegistry reg;

private:
    EventRelay<std::string> relay_;
};

}  // namespace

void Office::CleanOfficeAccessMRU() {
    RelayedRegistry registry(ShowLog);
    cRegistry& reg = registry.reg;
    for (const char* version : kVersions) {
        std::vector<std::string> names;
        ignore_errors([&] {
            reg.SectionKey(office_key(version, "Access\\Settings"));
            int32_t count = 0;
            reg.EnumerateValues(names, count);
        });
        for (const auto& name : names) {
            if (to_upper(name).find("MRU") == std::string::npos) continue;
            ignore_errors([&] {
                reg.ValueKey(name);
                reg.DeleteValue();
            });
        }
    }
    delete_recent_lists("Access");
}

void Office::CleanOfficeOutlookMRU() { delete_data_settings("Outlook"); }

void Office::CleanOfficePhotoEditorMRU() { delete_data_settings("PhotoEditor"); }

void Office::CleanOfficeExcelMRU() {
    RelayedRegistry registry(ShowLog);
    for (const char* version : kVersions) {
        registry.reg.SectionKey(office_key(version, "Excel\\recent files"));
        registry.reg.DeleteKey();
    }
    delete_recent_lists("Excel");
}

void Office::CleanOfficePowerPointMRU() {
    delete_data_settings("PowerPoint");
    RelayedRegistry registry(ShowLog);
    std::string recent = "HKEY_CURRENT_USER\\" + office_key("11.0", "PowerPoint\\Recent File List");
    registry.reg.del_reg_sub(recent);
    delete_recent_lists("PowerPoint");
}

void Office::CleanOfficeWordMRU() {
    delete_data_settings("Word");
    delete_recent_lists("Word");
}

void Office::delete_recent_lists(const char* application) {
    RelayedRegistry registry(ShowLog);
    for (const char* version : kListVersions) {
        const std::string application_key = "HKEY_CURRENT_USER\\" + office_key(version, application);
        std::vector<std::string> holders = {application_key};
        std::vector<std::string> accounts;
        ignore_errors([&] {
            registry.reg.SectionKey(office_key(version, std::string(application) + "\\User MRU"));
            int32_t count = 0;
            registry.reg.EnumerateSections(accounts, count);
        });
        for (const auto& account : accounts) holders.push_back(application_key + "\\User MRU\\" + account);
        for (const auto& holder : holders)
            for (const char* list : kRecentLists) {
                std::string path = holder + "\\" + list;
                ignore_errors([&] { registry.reg.del_reg_sub(path); });
            }
    }
}

void Office::delete_data_settings(const char* application) {
    RelayedRegistry registry(ShowLog);
    std::string rest = std::string(application) + "\\Data";
    for (const char* version : kVersions) {
        registry.reg.SectionKey(office_key(version, rest.c_str()));
        registry.reg.ValueKey("Settings");
        registry.reg.DeleteValue();
    }
}

}  // namespace engine
