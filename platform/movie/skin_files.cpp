#include "platform/movie/skin_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace platform::movie {

namespace fs = std::filesystem;

std::optional<fs::path> file_inside(const fs::path& folder, const std::string& relative) {
    if (relative.empty() || relative.find('\0') != std::string::npos) return std::nullopt;
    fs::path wanted(relative);
    if (wanted.is_absolute()) return std::nullopt;
    std::error_code error;
    const fs::path root = fs::canonical(folder, error);
    if (error) return std::nullopt;
    const fs::path file = fs::canonical(root / wanted, error);
    if (error || !fs::is_regular_file(file, error)) return std::nullopt;
    // Compared after resolving links, so neither ".." nor a link can lead out of the folder.
    auto [root_end, file_at] = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    if (root_end != root.end()) return std::nullopt;
    return file;
}

std::string content_type_of(const fs::path& file) {
    static const std::map<std::string, std::string> kTypes = {
        {".html", "text/html; charset=utf-8"},  {".htm", "text/html; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},    {".js", "text/javascript; charset=utf-8"},
        {".mjs", "text/javascript; charset=utf-8"}, {".json", "application/json"},
        {".svg", "image/svg+xml"},              {".png", "image/png"},
        {".jpg", "image/jpeg"},                 {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},                  {".ico", "image/x-icon"},
        {".webp", "image/webp"},                {".woff2", "font/woff2"},
        {".woff", "font/woff"},                 {".txt", "text/plain; charset=utf-8"},
        {".ini", "text/plain; charset=utf-8"},  {".log", "text/plain; charset=utf-8"},
    };
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto found = kTypes.find(extension);
    return found == kTypes.end() ? "application/octet-stream" : found->second;
}

std::optional<std::string> read_whole_file(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return content.str();
}

}  // namespace platform::movie
