// The screen vocabulary written in docs/screen-protocol.md, the skin and the command rows the
// program registers must agree: a button whose command has no row does nothing, and a name only the
// code knows is one nobody can look up.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine/catalogue/cleaning_catalogue.h"
#include "tests/unit/support/program_fixture.h"
#include "tests/unit/support/screen_vocabulary.h"

namespace {

using tavrin_test::Catalogue;
using tavrin_test::SkinUse;

const std::filesystem::path kSource = TAVRIN_SOURCE_DIR;
const char* const kCatalogueFile = "docs/screen-protocol.md";

class ScreenProtocol : public tavrin_test::ProgramTest {
protected:
    Catalogue catalogue = tavrin_test::parse_catalogue(tavrin_test::read_text(kSource / kCatalogueFile));
    SkinUse skin = tavrin_test::scan_skin(TAVRIN_SKIN_DIR);

    std::set<std::string> rows() {
        auto names = shell().commands().names();
        return {names.begin(), names.end()};
    }
    const std::set<std::string>& catalogued_commands(const std::string& movie) { return catalogue.commands[movie]; }
    // A shared file's variable may belong to any movie.
    bool variable_catalogued(const tavrin_test::SkinName& used) {
        if (!used.movie.empty()) return tavrin_test::is_listed(catalogue.variables[used.movie], used.name);
        for (const auto& [movie, names] : catalogue.variables)
            if (tavrin_test::is_listed(names, used.name)) return true;
        return false;
    }
};

TEST_F(ScreenProtocol, TheSourcesAreReadAtAll) {
    // A scanner that finds nothing would let every other check pass.
    EXPECT_GE(catalogue.commands["main"].size(), 70u);
    EXPECT_GE(catalogue.variables["main"].size(), 60u);
    EXPECT_TRUE(catalogue.commands["log"].contains("IDC_FS_VIEWLOG"));
    EXPECT_GE(skin.commands.size(), 30u);
    EXPECT_GE(skin.variables.size(), 50u);
    EXPECT_GE(rows().size(), 30u);
}

TEST_F(ScreenProtocol, EveryCommandTheMainWindowSendsHasARow) {
    auto registered = rows();
    for (const auto& used : skin.commands) {
        if (used.movie != "main" || registered.contains(used.name)) continue;
        ADD_FAILURE() << used.file << " sends " << used.name << " but no feature registers a row for it: add "
                      << "shell.commands().add(\"" << used.name << "\", ...) to the register_*_rows function of "
                      << "its feature in app/features/<feature>/.";
    }
}

TEST_F(ScreenProtocol, EveryRowIsCatalogued) {
    for (const auto& row : rows()) {
        EXPECT_TRUE(catalogued_commands("main").contains(row))
            << "The program registers a row for " << row << " but " << kCatalogueFile << " does not list it: add a "
            << "line for `" << row << "` to the Command table of its screen under \"## Main window (movie `main`)\" "
            << "(arguments, effect, what is written back, feature).";
    }
}

TEST_F(ScreenProtocol, EveryCommandTheSkinSendsIsCatalogued) {
    for (const auto& used : skin.commands) {
        auto movie = used.movie.empty() ? std::string("main") : used.movie;
        EXPECT_TRUE(tavrin_test::is_listed(catalogued_commands(movie), used.name))
            << used.file << " sends " << used.name << " to the movie " << movie << ", which " << kCatalogueFile
            << " does not list: add a line for `" << used.name << "` to a Command table in the section of movie `"
            << movie << "`.";
    }
}

TEST_F(ScreenProtocol, EveryVariableTheSkinUsesIsCatalogued) {
    for (const auto& used : skin.variables) {
        EXPECT_TRUE(variable_catalogued(used))
            << used.file << " uses the variable " << used.name
            << (used.movie.empty() ? "" : " of the movie " + used.movie) << ", which " << kCatalogueFile
            << " does not list: add a line for `" << used.name << "` (direction and "
            << "meaning) to a Variable table in the section of movie `" << (used.movie.empty() ? "main" : used.movie)
            << "`.";
    }
}

TEST_F(ScreenProtocol, EveryCataloguedCommandOfTheMainWindowHasARow) {
    auto registered = rows();
    for (const auto& command : catalogued_commands("main")) {
        EXPECT_TRUE(registered.contains(command))
            << kCatalogueFile << " lists " << command << " for the main movie but no row handles it: register one "
            << "in its feature, or take the line out.";
    }
}

// The runs read the cleaning catalogue by position: a screen whose boxes differ from it sends an
// option list that cleans other items than the ones the user ticked.
TEST(CleaningScreens, EveryScreenShowsTheCleaningCataloguesBoxesInItsOrder) {
    const std::filesystem::path skin = TAVRIN_SKIN_DIR;
    const std::string words = tavrin_test::read_text(skin / "js" / "category_texts.js");
    const std::string navigation = tavrin_test::read_text(skin / "movies" / "main.js");
    std::set<std::string> names, variables;
    size_t drawn_boxes = 0;
    for (const auto& category : engine::cleaning_catalogue()) {
        std::vector<std::string> boxes;
        for (const auto& item : category.items) {
            boxes.push_back(item.variable);
            EXPECT_TRUE(names.insert(item.name).second) << item.name << " is in the cleaning catalogue twice";
            EXPECT_TRUE(variables.insert(item.variable).second) << item.variable << " is in the cleaning catalogue twice";
        }
        const auto markup = skin / "screens" / (category.screen + ".html");
        if (std::filesystem::exists(markup)) {
            const std::string html = tavrin_test::read_text(markup);
            EXPECT_EQ(tavrin_test::category_boxes(html), boxes)
                << markup << " must show the boxes of the category " << category.name << " in the order of "
                << "engine/catalogue/cleaning_catalogue.cpp";
            EXPECT_NE(html.find("data-clean-command=\"" + category.command + "\""), std::string::npos)
                << markup << " must send " << category.command;
            continue;
        }
        EXPECT_TRUE(std::regex_search(navigation, std::regex("id: '" + category.screen + "'[^\\n]*kind: 'drawn'")))
            << "the screen " << category.screen << " has no markup: skin/movies/main.js must draw it (kind: 'drawn')";
        for (const auto& variable : boxes) {
            ++drawn_boxes;
            EXPECT_NE(words.find("'" + variable + "': {"), std::string::npos)
                << "skin/js/category_texts.js has no words for the box " << variable;
        }
    }
    // Words for a box that no drawn screen has belong to an item that is gone.
    const std::regex worded_box(R"('_root\.[A-Za-z0-9_]+': \{)");
    EXPECT_EQ(std::distance(std::sregex_iterator(words.begin(), words.end(), worded_box), std::sregex_iterator()),
              static_cast<std::ptrdiff_t>(drawn_boxes));
    EXPECT_GE(drawn_boxes, 20u);
}

TEST(ScreenVocabulary, CategoryBoxesAreTheTicksOfTheItemsCardInOrder) {
    EXPECT_EQ(tavrin_test::category_boxes(
                  "<input type=\"checkbox\" data-var=\"_root.Before\"><section class=\"card category-items\">"
                  "<!-- <input type=\"checkbox\" data-var=\"_root.Old\"> -->"
                  "<label><input type=\"checkbox\" data-var=\"_root.B\"></label><input type=\"text\" data-var=\"_root.T\">"
                  "<input class=\"x\" type=\"checkbox\" data-var=\"_root.A\"></section>"
                  "<section><input type=\"checkbox\" data-var=\"_root.After\"></section>"),
              (std::vector<std::string>{"_root.B", "_root.A"}));
    EXPECT_TRUE(tavrin_test::category_boxes("<input type=\"checkbox\" data-var=\"_root.X\">").empty());
}

// The scanner itself, on small texts whose answer is known.

// The protocol names one helper through which the page splits every bar list, so that all
// screens read a list the same way; a screen splitting on its own may drop or shift items.
TEST(ScreenVocabulary, ThePageSplitsBarListsOnlyWithItsListHelper) {
    const std::filesystem::path skin_dir = TAVRIN_SKIN_DIR;
    const std::filesystem::path helper = skin_dir / "js" / "lists.js";
    ASSERT_NE(tavrin_test::read_text(helper).find("function barItems("), std::string::npos);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(skin_dir)) {
        if (entry.path().extension() != ".js" || entry.path() == helper) continue;
        const std::string text = tavrin_test::read_text(entry.path());
        for (const char* split : {"split('|')", "split(\"|\")", "split(/\\|/)"})
            EXPECT_EQ(text.find(split), std::string::npos) << entry.path() << " splits a bar list itself: " << split;
    }
}

TEST(ScreenVocabulary, CatalogueTablesAreReadByKindAndMovie) {
    auto catalogue = tavrin_test::parse_catalogue(
        "## Main window (movie `main`)\n"
        "| Command | Arguments |\n|---|---|\n"
        "| `IDC_FS_A`, `IDC_FS_B` | a \\| b |\n"
        "\n| Variable | Direction |\n|---|---|\n| `_root.X<n>` | both |\n"
        "\n| Other | x |\n|---|---|\n| `NOT_A_NAME` | x |\n"
        "## Log window (movie `log`)\n| Command | x |\n|---|---|\n| `IDC_FS_VIEWLOG` | x |\n");
    EXPECT_EQ(catalogue.commands["main"], (std::set<std::string>{"IDC_FS_A", "IDC_FS_B"}));
    EXPECT_EQ(catalogue.variables["main"], (std::set<std::string>{"_root.X<n>"}));
    EXPECT_EQ(catalogue.commands["log"], (std::set<std::string>{"IDC_FS_VIEWLOG"}));
}

TEST(ScreenVocabulary, FindsButtonsScriptCallsAndCommandLiteralsButNotComments) {
    SkinUse use;
    tavrin_test::scan_skin_text(
        "<button data-command=\"IDC_FS_ONE\"></button><input data-mode-command=\"AUTOMATIC-C\" data-var=\"_root.Tick\">"
        "<!-- data-command=\"IDC_FS_COMMENTED\" _root.Commented -->",
        false, "main", "a.html", use);
    tavrin_test::scan_skin_text(
        "// player.command(MOVIE, 'IDC_FS_OLD', '');\n"
        "const rows = { remove: 'IDC_FS_TWO' };\n"
        "player.command(MOVIE, 'EXIT', '');\n"
        "player.on(TRAY, 'smenu', show); player.change(MOVIE, `shred_${suffix}_Now`, '0');\n"
        "const name = `_root.DoAdd_${suffix}`; /* _root.Hidden */\n"
        "player.value(MOVIE, '_root.ItemNo' + i); if (name.startsWith('_root.ListItem')) draw();\n",
        true, "main", "a.js", use);
    std::set<std::string> commands, variables;
    for (const auto& used : use.commands) commands.insert(used.name);
    for (const auto& used : use.variables) variables.insert(used.name);
    EXPECT_EQ(commands, (std::set<std::string>{"IDC_FS_ONE", "AUTOMATIC-C", "IDC_FS_TWO", "EXIT"}));
    EXPECT_EQ(variables, (std::set<std::string>{"_root.Tick", "smenu", "shred_${suffix}_Now", "_root.DoAdd_${suffix}",
                                                "_root.ItemNo${}", "_root.ListItem${}"}));
}

TEST(ScreenVocabulary, WildcardsMatchOnEitherSide) {
    const std::set<std::string> catalogued{"_root.DoAdd_SFI", "_root.ItemNo<n>", "_root.valueOfItems<n>"};
    EXPECT_TRUE(tavrin_test::is_listed(catalogued, "_root.DoAdd_${suffix}"));
    EXPECT_TRUE(tavrin_test::is_listed(catalogued, "_root.ItemNo12"));
    EXPECT_TRUE(tavrin_test::is_listed(catalogued, "_root.valueOfItems${index}"));
    EXPECT_FALSE(tavrin_test::is_listed(catalogued, "_root.DoAdd"));
    EXPECT_FALSE(tavrin_test::is_listed(catalogued, "_root.ItemNo"));
    EXPECT_FALSE(tavrin_test::is_listed(catalogued, "_root.Unknown_${suffix}"));
}

TEST(ScreenVocabulary, SkinFilesBelongToTheirMovie) {
    EXPECT_EQ(tavrin_test::movie_of_skin_file("movies/profiles.js"), "profiles");
    EXPECT_EQ(tavrin_test::movie_of_skin_file("screens/shredder.html"), "main");
    EXPECT_EQ(tavrin_test::movie_of_skin_file("js/host.js"), "");
}

}  // namespace
