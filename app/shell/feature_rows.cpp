#include "app/shell/feature_rows.h"

namespace app {

void register_features(Shell& shell) {
    register_window_rows(shell);
    register_options_rows(shell);
}

}  // namespace app
