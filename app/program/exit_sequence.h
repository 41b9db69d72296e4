#pragma once
// How the program ends from the close button or the tray: the features' questions (an armed
// schedule), the save question, the profile-name prompt, the save, the end.
namespace app {
class Shell;

void run_exit_sequence(Shell& shell);

}  // namespace app
