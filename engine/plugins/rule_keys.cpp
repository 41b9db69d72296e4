#include "engine/plugins/rule_keys.h"

#include <charconv>

#include "engine/foundation/cregistry.h"
#include "platform/registry/registry.h"
#include "platform/text/ascii_case.h"
#include "platform/text/split.h"
#include "platform/text/trim.h"

namespace engine {

using platform::text::iequals;
using platform::text::split;
using platform::text::trim_blanks;

namespace {

std::string_view without_trailing_separators(std::string_view path) {
    return platform::text::trim_trailing(trim_blanks(path), "\\");
}

// "HKCU\key" or "HKEY_CURRENT_USER\key": the root of the four a plug-in may name, and the key.
std::optional<RegistryEntry> registry_key(std::string_view path) {
    const size_t slash = path.find('\\');
    if (slash == std::string_view::npos) return std::nullopt;
    platform::registry::Root root;
    if (!platform::registry::parse_root_name(path.substr(0, slash), root)) return std::nullopt;
    const auto code = static_cast<uint32_t>(root);
    if (code < HKEY_CLASSES_ROOT || code > HKEY_USERS) return std::nullopt;
    RegistryEntry entry;
    entry.root = static_cast<ERegistryClassConstants>(code);
    entry.has_subkey = true;
    entry.key = std::string(without_trailing_separators(path.substr(slash + 1)));
    if (entry.key.empty()) return std::nullopt;
    return entry;
}

std::optional<double> version_number(std::string_view text) {
    text = trim_blanks(text);
    if (text.empty()) return std::nullopt;
    double number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return number;
}

}  // namespace

bool has_wildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

std::vector<std::string> split_masks(std::string_view masks) {
    std::vector<std::string> names;
    for (const std::string& mask : split(masks, ';')) {
        if (std::string_view name = trim_blanks(mask); !name.empty()) names.emplace_back(name);
    }
    return names;
}

bool VersionRange::holds(double version) const {
    return (!lowest || version >= *lowest) && (!highest || version <= *highest);
}

ParsedKey<FileRule> parse_file_rule(std::string_view text) {
    const std::vector<std::string> parts = split(text, '|');
    if (parts.size() < 2 || parts.size() > 3) return {{}, KeyFault::BadFileKey};
    FileRule rule;
    rule.folder = std::string(without_trailing_separators(parts[0]));
    rule.masks = split_masks(parts[1]);
    if (rule.folder.empty() || rule.masks.empty()) return {{}, KeyFault::BadFileKey};
    if (parts.size() == 3) {
        const std::string_view flag = trim_blanks(parts[2]);
        rule.recurse = iequals(flag, "RECURSE");
        rule.remove_self = iequals(flag, "REMOVESELF");
        if (!rule.recurse && !rule.remove_self) return {{}, KeyFault::UnknownFlag};
    }
    return {std::move(rule), KeyFault::Usable};
}

ParsedKey<RegistryEntry> parse_rule_registry(std::string_view text) {
    const size_t bar = text.find('|');
    std::optional<RegistryEntry> entry = registry_key(text.substr(0, bar));
    if (!entry) return {{}, KeyFault::BadRegistryKey};
    if (has_wildcard(entry->key)) return {{}, KeyFault::RegistryWildcard};
    if (bar != std::string_view::npos) {
        const std::string_view value = trim_blanks(text.substr(bar + 1));
        if (value.find('|') != std::string_view::npos) return {{}, KeyFault::BadRegistryKey};
        entry->value = std::string(value);
    }
    return {std::move(entry), KeyFault::Usable};
}

ParsedKey<Exclusion> parse_exclusion(std::string_view text) {
    const size_t bar = text.find('|');
    if (bar == std::string_view::npos) return {{}, KeyFault::BadExclusion};
    const std::string_view kind = trim_blanks(text.substr(0, bar));
    const std::string_view rest = text.substr(bar + 1);
    Exclusion exclusion;
    if (iequals(kind, "REG")) {
        ParsedKey<RegistryEntry> key = parse_rule_registry(rest);
        if (!key.key) return {{}, key.fault};
        exclusion.kind = Exclusion::Kind::Registry;
        exclusion.registry = std::move(*key.key);
        return {std::move(exclusion), KeyFault::Usable};
    }
    if (!iequals(kind, "FILE") && !iequals(kind, "PATH")) return {{}, KeyFault::BadExclusion};
    exclusion.kind = iequals(kind, "FILE") ? Exclusion::Kind::File : Exclusion::Kind::Path;
    const std::vector<std::string> parts = split(rest, '|');
    if (parts.size() > 2) return {{}, KeyFault::BadExclusion};
    exclusion.folder = std::string(without_trailing_separators(parts[0]));
    if (parts.size() == 2) exclusion.masks = split_masks(parts[1]);
    if (exclusion.kind == Exclusion::Kind::File && exclusion.masks.empty()) {
        // FILE|folder\name.ext: the name is the last segment.
        const size_t slash = exclusion.folder.rfind('\\');
        if (slash == std::string::npos) return {{}, KeyFault::BadExclusion};
        exclusion.masks = {exclusion.folder.substr(slash + 1)};
        exclusion.folder.resize(slash);
    }
    if (exclusion.folder.empty()) return {{}, KeyFault::BadExclusion};
    return {std::move(exclusion), KeyFault::Usable};
}

KeyFault detect_file_fault(std::string_view path) {
    const std::string_view folder = without_trailing_separators(path);
    const size_t slash = folder.rfind('\\');
    return slash != std::string_view::npos && has_wildcard(folder.substr(0, slash)) ? KeyFault::DetectFileWildcard
                                                                                     : KeyFault::Usable;
}

ParsedKey<VersionRange> parse_version_range(std::string_view text) {
    const std::vector<std::string> parts = split(text, '|');
    if (parts.size() > 2) return {{}, KeyFault::BadVersionRange};
    VersionRange range;
    range.lowest = version_number(parts[0]);
    if (parts.size() == 2) range.highest = version_number(parts[1]);
    const bool unreadable = (!range.lowest && !trim_blanks(parts[0]).empty()) ||
                            (parts.size() == 2 && !range.highest && !trim_blanks(parts[1]).empty());
    if (unreadable || (!range.lowest && !range.highest)) return {{}, KeyFault::BadVersionRange};
    return {range, KeyFault::Usable};
}

std::string long_registry_text(const RegistryEntry& entry) {
    std::string text = platform::registry::root_name(*entry.root) + "\\" + entry.key;
    if (entry.value) text += std::string(kValueMarker) + *entry.value;
    return text;
}

std::string_view key_fault_text(KeyFault fault) {
    switch (fault) {
        case KeyFault::BadFileKey: return "not a folder and file masks, with at most one flag";
        case KeyFault::UnknownFlag: return "a flag other than RECURSE or REMOVESELF";
        case KeyFault::BadRegistryKey: return "not a registry root and key, with at most one value name";
        case KeyFault::RegistryWildcard: return "a wildcard in a registry path";
        case KeyFault::BadExclusion: return "not FILE, PATH or REG with a path";
        case KeyFault::DetectFileWildcard: return "a wildcard before the last segment of a detection path";
        case KeyFault::BadVersionRange: return "not a range of Windows versions";
        case KeyFault::Usable: break;
    }
    return {};
}

}  // namespace engine
