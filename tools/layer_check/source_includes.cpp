#include "source_includes.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <string_view>

namespace layer_check {

namespace {

constexpr std::array<std::string_view, 17> kSourceExtensions{
    ".h", ".hh", ".hpp", ".hxx", ".h++", ".inc", ".inl", ".ipp", ".tpp", ".tcc",
    ".c", ".cc", ".cpp", ".cxx", ".c++", ".cppm", ".ixx"};

bool is_source(const std::filesystem::path& file) {
    return std::ranges::find(kSourceExtensions, file.extension().string()) != kSourceExtensions.end();
}

std::string_view skip_blanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

// `#include "x"` or `# include <x>`, blanks allowed around the "#"; nullopt for any other line.
std::optional<Include> include_on(std::string_view text, int line) {
    text = skip_blanks(text);
    if (!text.starts_with('#')) return std::nullopt;
    text = skip_blanks(text.substr(1));
    if (!text.starts_with("include")) return std::nullopt;
    text = skip_blanks(text.substr(7));
    if (text.empty() || (text.front() != '"' && text.front() != '<')) return std::nullopt;
    const bool angled = text.front() == '<';
    const size_t end = text.find(angled ? '>' : '"', 1);
    if (end == std::string_view::npos) return std::nullopt;
    return Include{std::string(text.substr(1, end - 1)), angled, line};
}

// Reading line by line with a hand-made match keeps the check quick: it runs on every build.
std::vector<Include> includes_of(const std::filesystem::path& file) {
    std::vector<Include> found;
    std::ifstream in(file);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number)
        if (auto include = include_on(text, number)) found.push_back(std::move(*include));
    return found;
}

}  // namespace

std::vector<SourceFile> read_layer_sources(const std::filesystem::path& root) {
    std::vector<SourceFile> sources;
    for (const char* layer : {"app", "engine", "platform"}) {
        if (!std::filesystem::is_directory(root / layer)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / layer)) {
            if (!entry.is_regular_file() || !is_source(entry.path())) continue;
            sources.push_back({std::filesystem::relative(entry.path(), root).generic_string(), includes_of(entry.path())});
        }
    }
    std::ranges::sort(sources, {}, &SourceFile::path);
    return sources;
}

}  // namespace layer_check
