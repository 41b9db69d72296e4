#include "engine/tools/systray.h"

#include "engine/foundation/engine_error.h"
#include "engine/foundation/engine_folder.h"
#include "engine/foundation/hooks.h"
#include "platform/text/trim.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Systray, "{5B0E3C1A-7F26-4D8B-9A41-C2E8F07D3B95}");

namespace {

constexpr uint32_t kRecordSize = 88;
constexpr uint32_t kIconId = 1;
constexpr uint32_t kMessageIconAndTip = 7;
constexpr uint32_t kMouseMove = 512;
constexpr size_t kTipLength = 64;

// The tip as the page shows it: the record's text without the blanks that pad it.
std::string shown_tip(const std::string& tip) {
    return std::string(platform::text::trim_trailing(tip));
}

void show_icon(bool shown, const std::string& tip) {
    if (host_hooks().show_tray_icon) host_hooks().show_tray_icon(shown, tip);
}

}  // namespace

void Systray::AddToTray(int32_t& frm, std::string& ToolTip) {
    ignore_errors([&] {
        record_ = {kRecordSize, frm, kIconId, kMessageIconAndTip, kMouseMove, engine_path("icon.ico"), ToolTip};
        record_.szTip.resize(kTipLength, ' ');
        show_icon(true, shown_tip(record_.szTip));
        added_ = true;
    });
}

void Systray::RemoveFromTray() {
    if (!added_) return;
    show_icon(false, shown_tip(record_.szTip));
    added_ = false;
}

}  // namespace engine
