#include "engine/regcleaner/entry_reason.h"

#include <algorithm>

#include "engine/foundation/cregistry.h"
#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "platform/registry/unicode.h"
#include "platform/text/trim.h"

namespace engine::regcleaner {

namespace {

using platform::registry::names_equal;

// A value of the entry's own key as text; nullopt when the key or value is gone.
std::optional<std::string> value_text(const RegistryEntry& entry, std::string_view name) {
    platform::registry::Value value;
    const auto root = static_cast<platform::registry::Root>(entry.root);
    if (platform::current_machine().registry().query_value(root, entry.key_path, name, value) !=
        platform::registry::Status::Ok)
        return std::nullopt;
    return value_as_variant(value).to_text();
}

}  // namespace

std::string without_quotes(std::string text) {
    std::erase(text, '"');
    return text;
}

std::string uninstall_program(const std::string& command) {
    std::string program = without_quotes(command);
    size_t slash = program.find('/');
    return slash == std::string::npos
               ? program
               : std::string(platform::text::trim_blanks(std::string_view(program).substr(0, slash)));
}

std::optional<EntryReason> reason_for(const RegistryEntry& entry) {
    if (entry.is_value()) {
        if (names_equal(entry.key_path, kSharedDllsKey)) return EntryReason{InvalidBecause::SharedFileMissing, *entry.value_name};
        return EntryReason{InvalidBecause::RecentFileMissing, entry.data};
    }
    if (is_under(entry.key_path, kUninstallKey)) {
        // A key without UninstallString names no uninstaller, as an empty one does.
        if (!platform::current_machine().registry().key_exists(static_cast<platform::registry::Root>(entry.root),
                                                                entry.key_path))
            return std::nullopt;
        const std::string program = uninstall_program(value_text(entry, "UninstallString").value_or(""));
        if (program.empty()) return EntryReason{InvalidBecause::NoUninstaller, ""};
        return EntryReason{InvalidBecause::UninstallerMissing, program};
    }
    auto path = value_text(entry, "");
    if (!path) return std::nullopt;
    return EntryReason{InvalidBecause::ProgramMissing, without_quotes(*path)};
}

std::string readable_entry(const RegistryEntry& entry) {
    std::string text = platform::registry::root_name(entry.root) + "\\" + entry.key_path;
    if (!entry.is_value()) return text;
    text += ": " + *entry.value_name;
    if (!entry.data.empty()) text += " = " + entry.data;
    return text;
}

}  // namespace engine::regcleaner
