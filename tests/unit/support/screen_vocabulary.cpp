#include "tests/unit/support/screen_vocabulary.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "platform/text/trim.h"

namespace tavrin_test {

namespace {

std::string trimmed(const std::string& text) { return std::string(platform::text::trim_blanks(text, " \t\r")); }

// The text between the row's opening "|" and the next "|" that is not escaped.
std::string first_cell(const std::string& row) {
    for (size_t at = 1; at < row.size(); ++at)
        if (row[at] == '|' && row[at - 1] != '\\') return trimmed(row.substr(1, at - 1));
    return trimmed(row.substr(1));
}

std::vector<std::string> backticked(const std::string& text) {
    static const std::regex quoted("`([^`]+)`");
    std::vector<std::string> names;
    for (std::sregex_iterator it(text.begin(), text.end(), quoted), end; it != end; ++it) names.push_back((*it)[1]);
    return names;
}

std::string movie_of_heading(const std::string& heading) {
    static const std::regex movie(R"(\(movie `([^`]+)`\))");
    std::smatch found;
    return std::regex_search(heading, found, movie) ? found[1].str() : "";
}

std::string without_comments(std::string text, bool is_script) {
    static const std::regex block(R"(/\*[\s\S]*?\*/)");
    static const std::regex line(R"((^|\n|[ \t])//[^\n]*)");
    static const std::regex markup("<!--[\\s\\S]*?-->");
    if (!is_script) return std::regex_replace(text, markup, " ");
    text = std::regex_replace(text, block, " ");
    return std::regex_replace(text, line, "$1");
}

bool shaped_like_command(const std::string& text) {
    static const std::regex shape(R"((IDC?_FS_[A-Z0-9_]+( [A-Z0-9_]+)*|AUTOMATIC-[A-Z]|WINDOWS DEFAULT))");
    return std::regex_match(text, shape);
}

template <class Each>
void each_match(const std::string& text, const std::regex& pattern, Each each) {
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) each(*it);
}

// The first non-empty group of a match.
std::string matched(const std::smatch& match) {
    for (size_t group = 1; group < match.size(); ++group)
        if (match[group].matched) return match[group];
    return "";
}

std::string escaped_for_regex(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

// The name with its wildcard parts ("<n>" or "${...}") as ".+", the rest literal.
std::regex wildcard_pattern(const std::string& name) {
    static const std::regex part(R"(<[^>]*>|\$\{[^}]*\})");
    std::string pattern;
    size_t last = 0;
    each_match(name, part, [&](const std::smatch& found) {
        pattern += escaped_for_regex(name.substr(last, found.position() - last)) + ".+";
        last = found.position() + found.length();
    });
    return std::regex(pattern + escaped_for_regex(name.substr(last)));
}

bool has_wildcard(const std::string& name) {
    return name.find('<') != std::string::npos || name.find("${") != std::string::npos;
}

// Both wildcard kinds written the same way, to compare a script's template with a catalogue name.
std::string wildcards_as_star(const std::string& name) {
    static const std::regex part(R"(<[^>]*>|\$\{[^}]*\})");
    return std::regex_replace(name, part, "*");
}

}  // namespace

bool SkinName::operator<(const SkinName& other) const {
    return std::tie(movie, name, file) < std::tie(other.movie, other.name, other.file);
}

Catalogue parse_catalogue(const std::string& markdown) {
    Catalogue catalogue;
    std::istringstream lines(markdown);
    std::string line, movie;
    NamesByMovie* table = nullptr;
    bool in_table = false;
    while (std::getline(lines, line)) {
        if (line.starts_with("## ")) movie = movie_of_heading(line);
        if (!line.starts_with("|")) {
            in_table = false;
            table = nullptr;
            continue;
        }
        if (line.starts_with("|---")) continue;
        auto cell = first_cell(line);
        if (!in_table) {
            in_table = true;
            table = cell == "Command" ? &catalogue.commands : cell == "Variable" ? &catalogue.variables : nullptr;
            continue;
        }
        if (table && !movie.empty())
            for (auto& name : backticked(cell)) (*table)[movie].insert(name);
    }
    return catalogue;
}

void scan_skin_text(const std::string& raw, bool is_script, const std::string& movie, const std::string& file,
                    SkinUse& use) {
    static const std::regex button_command(R"re(data-(?:[a-z]+-)*command="([^"]+)")re");
    static const std::regex script_command(R"(\.command\(\s*[^,()]+,\s*'([^']+)')");
    static const std::regex literal(R"re('([^'\n]*)'|"([^"\n]*)")re");
    static const std::regex root_variable(R"(_root\.(?:[A-Za-z0-9_]|\$\{[^}]*\})+)");
    static const std::regex concatenated(R"re(['"]\s*\+)re");
    static const std::regex script_variable(R"(player\.(?:on|change|value)\(\s*[^,()]+,\s*(?:'([^']+)'|`([^`]+)`))");

    const std::string text = without_comments(raw, is_script);
    auto command = [&](const std::string& name) { use.commands.insert({movie, name, file}); };
    auto variable = [&](const std::string& name) { use.variables.insert({movie, name, file}); };
    each_match(text, button_command, [&](const std::smatch& found) { command(found[1]); });
    each_match(text, root_variable, [&](const std::smatch& found) {
        // '_root.ItemNo' + i and name.startsWith('_root.ItemNo'): names a script completes.
        bool completed = std::regex_search(found.suffix().first, found.suffix().second, concatenated,
                                           std::regex_constants::match_continuous) ||
                         found.prefix().str().ends_with("startsWith('");
        variable(found.str() + (completed ? "${}" : ""));
    });
    if (!is_script) return;
    each_match(text, script_command, [&](const std::smatch& found) { command(found[1]); });
    each_match(text, literal, [&](const std::smatch& found) {
        if (auto name = matched(found); shaped_like_command(name)) command(name);
    });
    each_match(text, script_variable, [&](const std::smatch& found) {
        if (auto name = matched(found); !name.starts_with("_root.")) variable(name);
    });
}

std::string movie_of_skin_file(const std::filesystem::path& relative) {
    auto folder = relative.parent_path().generic_string();
    if (folder == "movies") return relative.stem().string();
    if (folder == "screens") return "main";
    return "";
}

SkinUse scan_skin(const std::filesystem::path& skin_folder) {
    SkinUse use;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(skin_folder)) {
        auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".html" && extension != ".js")) continue;
        auto relative = std::filesystem::relative(entry.path(), skin_folder);
        scan_skin_text(read_text(entry.path()), extension == ".js", movie_of_skin_file(relative),
                       "skin/" + relative.generic_string(), use);
    }
    return use;
}

bool is_listed(const std::set<std::string>& catalogued, const std::string& used) {
    if (catalogued.contains(used)) return true;
    for (const auto& name : catalogued) {
        if (has_wildcard(name) && has_wildcard(used)) {
            if (wildcards_as_star(name) == wildcards_as_star(used)) return true;
        } else if (has_wildcard(name)) {
            if (std::regex_match(used, wildcard_pattern(name))) return true;
        } else if (has_wildcard(used)) {
            if (std::regex_match(name, wildcard_pattern(used))) return true;
        }
    }
    return false;
}

std::vector<std::string> category_boxes(const std::string& html) {
    static const std::regex box(R"re(<input\b[^>]*\btype="checkbox"[^>]*\bdata-var="([^"]+)")re");
    const std::string text = without_comments(html, false);
    const size_t card = text.find("category-items");
    if (card == std::string::npos) return {};
    const std::string inside = text.substr(card, text.find("</section>", card) - card);
    std::vector<std::string> boxes;
    each_match(inside, box, [&](const std::smatch& found) { boxes.push_back(found[1]); });
    return boxes;
}

std::string read_text(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace tavrin_test
