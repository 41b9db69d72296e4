#include "app/stage/tray_icon.h"

namespace app {

void show_engine_tray_icon(Stage& stage, bool shown, const std::string& tip) {
    stage.set_variable(kTrayMovie, "tip", tip);
    stage.set_variable(kTrayMovie, "icon", shown ? "1" : "0");
}

}  // namespace app
