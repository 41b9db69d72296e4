// The shell utilities of Misc_Functions the screens use. Dialogs and the browser belong to the
// program that hosts the engine; without one there is nothing to show and nothing happens.
#include "engine/cleaners/misc_functions.h"
#include "engine/foundation/hooks.h"
#include "engine/shredder/path_pieces.h"

namespace engine {

namespace {

constexpr const char* kBrowseTitle = "C:\\";

}  // namespace

std::string Misc_Functions::BrowseForFolder(int32_t /*hwnd: the dialog always belongs to the main screen*/) {
    auto& hooks = host_hooks();
    if (!hooks.browse_folder) return {};
    auto chosen = hooks.browse_folder(kBrowseTitle);
    return chosen ? cut_at_nul(*chosen) : std::string();
}

Variant Misc_Functions::OpenWeb(const std::string& site) {
    if (host_hooks().open_address) host_hooks().open_address(site);
    return {};
}

}  // namespace engine
