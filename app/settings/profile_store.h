#pragma once
// Where the profiles live: HKEY_CURRENT_USER "Software\lumarq3\Settings\<profile>" with the keys
// "CheckBoxes", "Buttons" and "lang", every value a string named like the movie variable it holds.
#include <string>
#include <string_view>
#include <vector>

namespace app::profile_store {

// A profile name becomes the name of one registry key: not empty, no "\" (it would nest inside
// another profile), and no longer than a key name may be (the save would fail without a word).
bool usable_name(std::string_view name);

// The profile names in the registry's order.
std::vector<std::string> profiles();
// "" when the profile, the key or the value is missing.
std::string read(const std::string& profile, const std::string& key, const std::string& name);
// Creates the profile and key as needed.
void write(const std::string& profile, const std::string& key, const std::string& name, const std::string& value);
// Removes the profile with everything below it.
void remove(const std::string& profile);

}  // namespace app::profile_store
