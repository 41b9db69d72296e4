#include "engine/regcleaner/registry_entry.h"

#include <array>

#include "engine/foundation/cregistry.h"
#include "platform/registry/registry.h"
#include "platform/registry/unicode.h"

namespace engine::regcleaner {

namespace {

using platform::registry::names_equal;

struct Place {
    ERegistryClassConstants root;
    std::string_view key;
    bool holds_values;  // value entries; otherwise its subkeys are key entries
};

constexpr std::array<Place, 4> kPlaces{{
    {HKEY_LOCAL_MACHINE, kSharedDllsKey, true},
    {HKEY_LOCAL_MACHINE, kUninstallKey, false},
    {HKEY_LOCAL_MACHINE, kAppPathsKey, false},
    {HKEY_CURRENT_USER, kOpenSaveMruKey, true},
}};

bool is_place(ERegistryClassConstants root, std::string_view key, bool holds_values) {
    for (const Place& place : kPlaces) {
        if (place.root == root && place.holds_values == holds_values && names_equal(place.key, key)) return true;
    }
    return false;
}

std::string root_text(ERegistryClassConstants root) { return platform::registry::root_name(root); }


std::optional<RegistryEntry> parse_key_entry(ERegistryClassConstants root, std::string_view rest) {
    size_t last = rest.rfind('\\');
    if (last == std::string_view::npos || last + 1 == rest.size()) return std::nullopt;
    if (!is_place(root, rest.substr(0, last), false)) return std::nullopt;
    return RegistryEntry{root, std::string(rest), std::nullopt, {}};
}

std::optional<RegistryEntry> parse_value_entry(ERegistryClassConstants root, std::string_view rest, size_t marker) {
    std::string_view key = rest.substr(0, marker);
    if (key.ends_with('\\')) key.remove_suffix(1);
    if (!is_place(root, key, true)) return std::nullopt;

    std::string_view after = rest.substr(marker + kValueMarker.size());
    size_t name_end = after.find(";;");
    if (name_end == std::string_view::npos || !after.substr(name_end).starts_with(kDataSeparator)) return std::nullopt;
    std::string_view data = after.substr(name_end + kDataSeparator.size());
    // A second separator leaves no way to tell where the data starts.
    if (data.find(kDataSeparator) != std::string_view::npos) return std::nullopt;
    return RegistryEntry{root, std::string(key), std::string(after.substr(0, name_end)), std::string(data)};
}

}  // namespace

bool RegistryEntry::covers_key(ERegistryClassConstants key_root, std::string_view path) const {
    if (key_root != root) return false;
    return names_equal(path, key_path) || (!is_value() && is_under(path, key_path));
}

bool RegistryEntry::covers_value(ERegistryClassConstants key_root, std::string_view path, std::string_view name) const {
    if (!covers_key(key_root, path)) return false;
    return !is_value() || names_equal(name, *value_name);
}

bool is_under(std::string_view path, std::string_view key) {
    return path.size() > key.size() && path[key.size()] == '\\' && names_equal(path.substr(0, key.size()), key);
}

std::string key_entry_text(ERegistryClassConstants root, std::string_view key, std::string_view subkey) {
    return root_text(root) + "\\" + std::string(key) + "\\" + std::string(subkey);
}

std::string value_entry_text(ERegistryClassConstants root, std::string_view key, std::string_view name,
                             std::string_view data) {
    return root_text(root) + "\\" + std::string(key) + "\\" + std::string(kValueMarker) + std::string(name) +
           std::string(kDataSeparator) + std::string(data);
}

std::string value_found_text(ERegistryClassConstants root, std::string_view key, std::string_view name,
                             std::string_view data) {
    return root_text(root) + "\\" + std::string(key) + std::string(kValueMarker) + std::string(name) +
           std::string(kDataSeparator) + std::string(data);
}

std::optional<RegistryEntry> parse_entry(std::string_view text) {
    size_t split = text.find('\\');
    if (split == std::string_view::npos) return std::nullopt;
    auto root = registry_root_named(text.substr(0, split));
    if (!root) return std::nullopt;
    std::string_view rest = text.substr(split + 1);
    size_t marker = rest.find(kValueMarker);
    return marker == std::string_view::npos ? parse_key_entry(*root, rest) : parse_value_entry(*root, rest, marker);
}

}  // namespace engine::regcleaner
