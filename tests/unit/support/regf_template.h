#pragma once
// Windows registry hive files for tests, made from a real hive Windows wrote (hivex cannot make
// one from nothing): the template's keys and values are dropped and the test's own put in, so a
// test gets a SOFTWARE, SYSTEM or DEFAULT hive that Windows' own readers accept.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavrin_test {

struct RegfValue {
    std::string name;  // "" the default value
    uint32_t type = 0;
    std::vector<uint8_t> data;  // as stored: strings in UTF-16LE
};

struct RegfKey {
    std::string path;  // below the hive's root, "\"-separated; missing parents are made
    std::vector<RegfValue> values;
};

// Writes `out` from `template_hive`, holding exactly `keys`. Fails the running test (and returns
// false) when hivex refuses.
bool make_regf_hive(const std::filesystem::path& template_hive, const std::filesystem::path& out,
                    const std::vector<RegfKey>& keys);

// A string value's stored form: UTF-16LE of ASCII text with its terminating NUL.
std::vector<uint8_t> regf_string(std::string_view ascii);

}  // namespace tavrin_test
