#pragma once
// The ticks, radio choices and toggle buttons of the main movie, saved under the current profile
// when the program ends and put back when the main window starts.
namespace app {
class Shell;

// Tick boxes, wizard modes, the language and the SYN option. Nothing without a current profile.
void save_check_boxes(Shell& shell);
// The show/hide toggles. Nothing without a current profile.
void save_buttons(Shell& shell);
// The user's language (the one the chooser and the log speak), every tick box from the profile
// ("0" when not stored), the wizard mode, the DLL backup flag, the radio choice and the screens'
// fixed start values.
void restore_check_boxes(Shell& shell);
// The toggles from the profile; of each show/hide pair one is always active.
void restore_buttons(Shell& shell);

}  // namespace app
