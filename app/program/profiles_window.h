#pragma once
// The profile chooser, the first window of the program: pick a profile, delete one, or leave.
#include <functional>
#include <string>
#include <vector>

namespace app {
class Shell;

class ProfilesWindow {
public:
    // `open_main_window` runs once a profile is chosen, or at once when there is none.
    ProfilesWindow(Shell& shell, std::function<void()> open_main_window);

    void load();
    // Commands of the chooser's movie: IDC_FS_PROFILE, IDC_FS_DELETE, EXIT.
    void handle_command(const std::string& command, const std::string& args);

private:
    void choose(const std::string& name);
    void remove(const std::string& name);
    void push_names(const std::vector<std::string>& names);

    Shell& shell_;
    std::function<void()> open_main_window_;
};

}  // namespace app
