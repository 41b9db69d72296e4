#include "app/shell/feature_rows.h"

#include "app/drivers/cleaning_run.h"
#include "app/drivers/connection_booster.h"
#include "app/drivers/drive_lists.h"
#include "app/drivers/ie_privacy.h"
#include "app/drivers/shredder_commands.h"

namespace app {

void register_features(Shell& shell) {
    register_window_rows(shell);
    register_options_rows(shell);
    register_memory_rows(shell);
    register_cleaning_rows(shell);
    register_ie_privacy_rows(shell);
    register_connection_booster_rows(shell);
    register_shredder_rows(shell);
    register_drive_list_rows(shell);
}

}  // namespace app
