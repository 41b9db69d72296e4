#pragma once
// The screen vocabulary as each of its sources states it: the catalogue (docs/screen-protocol.md),
// the skin's markup and scripts, and the list of rows still to come. The screen protocol test
// compares them with each other and with the rows the program registers.
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tavrin_test {

// Names by movie. In the catalogue "<n>" in a name stands for any text.
using NamesByMovie = std::map<std::string, std::set<std::string>>;

struct Catalogue {
    NamesByMovie commands;
    NamesByMovie variables;
};

// Every backticked name in the first column of a "Command" or "Variable" table, under the movie
// of its "## ... (movie `m`)" section.
Catalogue parse_catalogue(const std::string& markdown);

// A name the skin uses, with the file it was found in. A movie of "" is a file every movie shares;
// "${...}" in a name is a part a script fills in.
struct SkinName {
    std::string movie;
    std::string name;
    std::string file;
    bool operator<(const SkinName& other) const;
};

struct SkinUse {
    std::set<SkinName> commands;
    std::set<SkinName> variables;
};

// The names one file of the skin uses: commands of buttons (data-command, data-*-command), of
// script calls and of literals shaped like commands; variables named "_root.*" anywhere, and the
// names scripts give player.on / change / value. Comments are skipped.
void scan_skin_text(const std::string& text, bool is_script, const std::string& movie, const std::string& file,
                    SkinUse& use);
// Every .html and .js file below the skin folder.
SkinUse scan_skin(const std::filesystem::path& skin_folder);
// skin/movies/<m>.* belongs to movie m, skin/screens/* to the main movie, the rest to every movie.
std::string movie_of_skin_file(const std::filesystem::path& relative);

// Whether a name the skin uses is one of the catalogued ones, wildcards on either side.
bool is_listed(const std::set<std::string>& catalogued, const std::string& used);

// The variables of the tick boxes in a screen's "category-items" card, in their order; none when
// the markup has no such card.
std::vector<std::string> category_boxes(const std::string& html);

std::string read_text(const std::filesystem::path& file);

}  // namespace tavrin_test
