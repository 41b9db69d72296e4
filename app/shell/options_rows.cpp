// The option state of the current profile and the Windows tweaks of the options screen.
#include "app/shell/feature_rows.h"
#include "app/shell/option_state.h"
#include "app/shell/shell.h"

namespace app {

void register_options_rows(Shell& shell) {
    // Two steps: a failing tick restore must not keep the buttons from theirs.
    shell.add_load_step(LoadStep::OptionState, [&shell] { restore_check_boxes(shell); });
    shell.add_load_step(LoadStep::OptionState, [&shell] { restore_buttons(shell); });
}

}  // namespace app
