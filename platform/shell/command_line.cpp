#include "platform/shell/command_line.h"

namespace platform::shell {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

void skip_blanks(std::string_view text, size_t& at) {
    while (at < text.size() && is_blank(text[at])) ++at;
}

std::string program_part(std::string_view text, size_t& at) {
    std::string program;
    if (at < text.size() && text[at] == '"') {
        size_t end = text.find('"', at + 1);
        if (end == std::string_view::npos) end = text.size();
        program = text.substr(at + 1, end - at - 1);
        at = end < text.size() ? end + 1 : end;
    } else {
        while (at < text.size() && !is_blank(text[at])) program += text[at++];
    }
    return program;
}

std::string argument_part(std::string_view text, size_t& at) {
    std::string argument;
    bool quoted = false;
    while (at < text.size() && (quoted || !is_blank(text[at]))) {
        size_t backslashes = 0;
        while (at < text.size() && text[at] == '\\') ++backslashes, ++at;
        if (at < text.size() && text[at] == '"') {
            argument.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                argument += '"';
            } else if (quoted && at + 1 < text.size() && text[at + 1] == '"') {
                argument += '"';
                ++at;
            } else {
                quoted = !quoted;
            }
            ++at;
        } else {
            argument.append(backslashes, '\\');
            if (backslashes == 0 && at < text.size()) argument += text[at++];
        }
    }
    return argument;
}

}  // namespace

std::vector<std::string> split_command_line(std::string_view command_line) {
    size_t at = 0;
    skip_blanks(command_line, at);
    if (at == command_line.size()) return {};
    std::vector<std::string> parts{program_part(command_line, at)};
    for (skip_blanks(command_line, at); at < command_line.size(); skip_blanks(command_line, at))
        parts.push_back(argument_part(command_line, at));
    return parts;
}

}  // namespace platform::shell
