#include "platform/movie/skin_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <set>

#include "platform/fs/path_within.h"
#include "platform/text/ascii_case.h"

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
    if (!platform::fs::is_within(file, root)) return std::nullopt;
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
    auto found = kTypes.find(text::to_lower(file.extension().string()));
    return found == kTypes.end() ? "application/octet-stream" : found->second;
}

MachineFileType machine_file_type(const fs::path& file) {
    static const std::set<std::string> kInert = {
        "text/plain; charset=utf-8", "image/png", "image/jpeg", "image/gif", "image/x-icon", "image/webp",
    };
    std::string type = content_type_of(file);
    if (kInert.count(type)) return {std::move(type), false};
    return {"text/plain; charset=utf-8", true};
}

FileRead read_regular_file(const fs::path& file, std::size_t largest) {
    using Refusal = FileRead::Refusal;
    // Non-blocking, so that opening a pipe cannot hang the request before it is refused.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {"", errno == ELOOP ? Refusal::not_a_regular_file : Refusal::unreadable};
    FileRead read;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        read.refusal = Refusal::unreadable;
    } else if (!S_ISREG(st.st_mode)) {
        read.refusal = Refusal::not_a_regular_file;
    } else if (static_cast<std::uint64_t>(st.st_size) > largest) {
        read.refusal = Refusal::too_large;
    } else {
        // Read up to one byte past the limit: a file that grows meanwhile is still caught.
        read.content.resize(static_cast<std::size_t>(st.st_size) + 1);
        std::size_t done = 0;
        while (done <= largest) {
            if (done == read.content.size()) read.content.resize(std::min(done * 2, largest + 1));
            const ssize_t got = ::read(fd, read.content.data() + done, read.content.size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) read.refusal = Refusal::unreadable;
            if (got <= 0) break;
            done += static_cast<std::size_t>(got);
        }
        read.content.resize(done);
        if (done > largest) read.refusal = Refusal::too_large;
    }
    ::close(fd);
    if (read.refusal != Refusal::none) read.content.clear();
    return read;
}

}  // namespace platform::movie
