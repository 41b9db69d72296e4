#include "app/program/feature_rows.h"

#include "app/features/applications/absent_applications.h"
#include "app/features/booster/connection_booster.h"
#include "app/features/booster/system_settings.h"
#include "app/features/cleaning/cleaning_run.h"
#include "app/features/cleaning/preview_rows.h"
#include "app/features/dll/dll_rows.h"
#include "app/features/ie_privacy/ie_privacy.h"
#include "app/features/memory/memory_rows.h"
#include "app/features/options/about_rows.h"
#include "app/features/options/cookie_keep_rows.h"
#include "app/features/options/options_rows.h"
#include "app/features/plugins/plugin_rows.h"
#include "app/features/registry/registry_cleaner.h"
#include "app/features/schedule/schedule_screen.h"
#include "app/features/shredder/drive_lists.h"
#include "app/features/shredder/shredder_commands.h"
#include "app/features/startup/startup_list.h"
#include "app/features/startup/uninstall_list.h"
#include "app/program/window_rows.h"

namespace app {

void register_features(Shell& shell) {
    register_window_rows(shell);
    register_options_rows(shell);
    register_about_rows(shell);
    register_cookie_keep_rows(shell);
    register_memory_rows(shell);
    register_cleaning_rows(shell);
    register_preview_rows(shell);
    register_ie_privacy_rows(shell);
    register_connection_booster_rows(shell);
    register_system_settings_rows(shell);
    register_shredder_rows(shell);
    // The start-up lists in their order: startup, uninstall, drives.
    register_startup_rows(shell);
    register_uninstall_rows(shell);
    register_drive_list_rows(shell);
    register_plugin_rows(shell);
    register_application_rows(shell);
    // The start-up restore lists in their order: DLL backups, then registry backups.
    register_dll_rows(shell);
    register_registry_rows(shell);
    register_schedule_rows(shell);
}

}  // namespace app
