#include "platform/sys/proc_file.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace platform::sys {

std::optional<std::string> read_proc_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<uint64_t> read_proc_number(const char* path) {
    auto text = read_proc_file(path);
    if (!text) return std::nullopt;
    uint64_t number = 0;
    const char* end = text->data() + text->size();
    auto [stop, error] = std::from_chars(text->data(), end, number);
    if (error != std::errc() || (stop != end && *stop != '\n' && *stop != ' ')) return std::nullopt;
    return number;
}

}  // namespace platform::sys
