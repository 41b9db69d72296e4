#include "platform/args/help_formatter.h"

#include <sstream>

namespace platform::args {

namespace {

// The help fits a terminal a little wider than the classic 80 columns, as the option list did
// when it was written by hand.
constexpr size_t kWidth = 100;
constexpr size_t kNameColumn = 28;

size_t characters(std::string_view text) {
    size_t count = 0;
    for (unsigned char c : text) count += (c & 0xC0) != 0x80;
    return count;
}

// The text broken into lines of at most width characters at spaces (a longer word keeps its line).
std::string wrapped(const std::string& text, size_t width) {
    std::string out, line;
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        if (!line.empty() && characters(line) + 1 + characters(word) > width) {
            out += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return out + line;
}

}  // namespace

HelpFormatter::HelpFormatter() { column_width(kNameColumn); }

// The options that are listed are those not hidden; a command's words are described by the
// command itself.
std::string HelpFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const {
    std::string out;
    if (!app->get_description().empty()) out += wrapped(words.describe(app->get_description()), kWidth) + "\n";
    out += make_usage(app, name);
    const auto listed = app->get_options(
        [](const CLI::Option* option) { return option->nonpositional() && !option->get_group().empty(); });
    if (!listed.empty()) {
        out += "\n" + words.options + ":\n";
        for (const CLI::Option* option : listed) out += make_option(option, false);
    }
    if (!app->get_footer().empty()) out += "\n" + wrapped(words.describe(app->get_footer()), kWidth) + "\n";
    return out;
}

// "Usage: tavrinapp shred [OPTIONS] PATH...", a command's words by their value name (in brackets
// when they may be left out); the program's own lines where it has them.
std::string HelpFormatter::make_usage(const CLI::App* app, std::string name) const {
    const std::string lead = words.usage + ": ";
    std::string out = lead;
    if (!app->get_parent() && !program_usage.empty()) {
        for (size_t i = 0; i < program_usage.size(); ++i)
            out += (i ? "\n" + std::string(characters(lead), ' ') : "") + program_usage[i];
        return out + "\n";
    }
    out += name;
    if (!app->get_options([](const CLI::Option* option) { return option->nonpositional(); }).empty())
        out += " [" + words.options_badge + "]";
    for (const CLI::Option* positional : app->get_options([](const CLI::Option* option) { return option->get_positional(); }))
        out += " " + (positional->get_required() ? positional->get_type_name() : "[" + positional->get_type_name() + "]");
    return out + "\n";
}

std::string HelpFormatter::make_option_desc(const CLI::Option* option) const {
    return wrapped(words.describe(option->get_description()), kWidth - kNameColumn);
}

}  // namespace platform::args
