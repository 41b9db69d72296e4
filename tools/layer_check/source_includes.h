#pragma once
// The #include lines of the sources in the layer folders: which files count as sources, and what
// each of them includes, with the line it says so on.
#include <filesystem>
#include <string>
#include <vector>

namespace layer_check {

struct Include {
    std::string header;  // as written between the quotes or the angle brackets
    bool angled = false;
    int line = 0;
};

struct SourceFile {
    std::string path;  // below the source folder, with "/" ("app/kernel/shell.h")
    std::vector<Include> includes;
};

// Every C or C++ source and header below root/app, root/engine and root/platform (any extension a
// compiler reads or a source may include: .h, .hpp, .inc, .cpp, .cc, ...), sorted by path.
std::vector<SourceFile> read_layer_sources(const std::filesystem::path& root);

}  // namespace layer_check
