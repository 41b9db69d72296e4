#pragma once
// The first screen on a Windows installation that holds several user profiles when none was
// named at start: it lists their folders and hands back the one the person chose, before the
// machine is opened at all.
#include <optional>
#include <string>
#include <vector>

#include "app/kernel/removal_report.h"
#include "app/stage/stage.h"

namespace app {

// Its movie and window.
inline constexpr const char* kUsersMovie = "users";

struct UserChoice {
    std::string installation;         // the installation's folder, as the prompt names it
    std::vector<std::string> users;   // the profile folders to choose from
    std::string language;             // the screens' language before any machine is open
    Texts texts;                      // that language's messages
    std::string refusal;              // why the choice before could not be opened ("" at first)
};

// Shows the list and waits for a choice of one of its names; nullopt when the program is ending
// instead (its Exit button, a signal, the last page closed).
std::optional<std::string> choose_installation_user(Stage& stage, const UserChoice& choice);

}  // namespace app
