#pragma once
// What a run removed, one line per removal ("<kind> <path>"), or kept, one line per path, to
// compare what a preview listed with what a clean did; and a file's bytes, to look for what must
// be gone from it.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/removals/removal_log.h"

namespace tavrin_test {

inline std::string describe(const std::vector<platform::Removed>& list) {
    std::string text;
    for (const auto& removed : list) text += std::string(platform::kind_name(removed.kind)) + " " + removed.path + "\n";
    return text;
}

inline std::string describe(const std::vector<platform::Kept>& list) {
    std::string text;
    for (const auto& kept : list) text += kept.path + "\n";
    return text;
}

inline std::string bytes_of(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace tavrin_test
