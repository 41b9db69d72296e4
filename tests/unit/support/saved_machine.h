#pragma once
// What a machine folder holds on disk, read the way the tests that run the program beside it
// check its saves: a file's bytes, and a value of the user's hive.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/registry/registry.h"

namespace tavrin_test {

// The value the "Ping" command steps; the tests' registry-changing command.
inline const std::string kPingKey = "Software\\VB and VBA Program Settings\\Orvane\\Ping";

inline std::string file_text(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A string value of HKEY_CURRENT_USER as `registry` holds it; "(none)" when it is missing.
inline std::string user_string(const platform::registry::Registry& registry, const std::string& key,
                               const std::string& name) {
    platform::registry::Value value;
    if (registry.query_value(platform::registry::Root::CurrentUser, key, name, value) !=
        platform::registry::Status::Ok)
        return "(none)";
    return std::string(value.data.begin(), value.data.end() - 1);
}

// The same as a fresh load of the machine's files sees it.
inline std::string saved_user_string(const std::filesystem::path& machine, const std::string& key,
                                     const std::string& name) {
    return user_string(platform::registry::Registry(machine), key, name);
}

}  // namespace tavrin_test
