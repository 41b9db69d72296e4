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

std::string office_key(const char* version, const char* rest) {
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
}

void Office::CleanOfficeOutlookMRU() { delete_data_settings("Outlook"); }

void Office::CleanOfficePhotoEditorMRU() { delete_data_settings("PhotoEditor"); }

void Office::CleanOfficeExcelMRU() {
    RelayedRegistry registry(ShowLog);
    for (const char* version : kVersions) {
        registry.reg.SectionKey(office_key(version, "Excel\\recent files"));
        registry.reg.DeleteKey();
    }
}

void Office::CleanOfficePowerPointMRU() {
    delete_data_settings("PowerPoint");
    RelayedRegistry registry(ShowLog);
    std::string recent = "HKEY_CURRENT_USER\\" + office_key("11.0", "PowerPoint\\Recent File List");
    registry.reg.del_reg_sub(recent);
}

void Office::CleanOfficeWordMRU() { delete_data_settings("Word"); }

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
