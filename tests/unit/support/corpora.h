#pragma once
// Real files other programs wrote (../shared/corpora beside the repository, or TAVRIN_CORPORA),
// read where they are and never copied into the project: a test that needs one skips without it.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace tavrin_test {

// The corpus file at `relative`, or nullopt when no corpus holds it.
inline std::optional<std::filesystem::path> corpus_file(std::string_view relative) {
    std::vector<std::filesystem::path> roots;
    if (const char* named = std::getenv("TAVRIN_CORPORA")) roots.emplace_back(named);
    const std::filesystem::path source(TAVRIN_SOURCE_DIR);
    // A worktree lies one folder deeper than the repository it belongs to.
    roots.push_back(source.parent_path() / "shared/corpora");
    roots.push_back(source.parent_path().parent_path() / "shared/corpora");
    for (const auto& root : roots)
        if (std::filesystem::is_regular_file(root / relative)) return root / relative;
    return std::nullopt;
}

}  // namespace tavrin_test
