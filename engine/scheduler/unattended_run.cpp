// The unattended run: the ticks of a profile (Schedule::RunSchedule) or the items the command line
// names, cleaned without the user in the catalogue's order whatever order the profile stored them in.
#include <functional>
#include <string>

#include "engine/catalogue/category_cleaner.h"
#include "engine/catalogue/cleaning_catalogue.h"
#include "engine/cleaners/misc_functions.h"
#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/message_text.h"
#include "engine/foundation/profile_key.h"
#include "engine/scheduler/schedule.h"
#include "platform/registry/registry.h"

namespace engine {

namespace {

// Said in the log, followed by the profile's name, when the profile to clean is gone.
constexpr const char* kNoSuchProfileMessage = "msg300";

// The Options screen's tweaks, stored with a profile beside its ticks. They are no cleaning
// items (nothing is removed, the command line cannot name them, a preview has nothing to show),
// so they are not in the catalogue; a schedule switches on those its profile ticks, as it always
// has, before it cleans.
struct Tweak {
    const char* check_box;
    Variant (Misc_Functions::*switch_on)(bool);
};

constexpr Tweak kTweaks[] = {
    {"_root.WIN_BF", &Misc_Functions::BootFaster},
    {"_root.WIN_OHWI", &Misc_Functions::Optimize_HardDisk_when_idle},
    {"_root.WIN_CWTF", &Misc_Functions::FlatWindows},
    {"_root.WIN_EAS", &Misc_Functions::EnableAutomaticSharing},
};

void switch_ticked_tweaks(const std::function<std::string(const std::string& check_box)>& tick_of,
                          Event<std::string>& log) {
    auto misc = create<Misc_Functions>("Misc_Functions");
    if (!misc) return;
    const EventRelay<std::string> relay(misc->ShowLog, log);
    for (const Tweak& tweak : kTweaks)
        ignore_errors([&] {
            if (tick_of(tweak.check_box) == "true") ((*misc).*tweak.switch_on)(true);
        });
}

// One item of the catalogue: "true" runs its step, "false" its unticked step where it has one (a
// switch means on schedule what it means on the screen), and a box never stored leaves it alone.
void run_item(CategoryCleaner& cleaner, const CatalogueItem& item, const std::string& tick,
              const std::function<void(const CatalogueItem& item)>& before_item) {
    const bool ticked = tick == "true";
    if (!ticked && !(tick == "false" && item.unticked)) return;
    if (before_item) before_item(item);
    cleaner.clean(item, ticked);
}

std::string profile_key(const std::string& profile) { return std::string(kProfilesKey) + "\\" + profile; }

// A name that cannot be one key (empty, or with a "\" that would reach into another profile)
// names no profile.
bool profile_exists(const std::string& profile) {
    if (!platform::registry::is_key_name(profile)) return false;
    cRegistry reg;
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(profile_key(profile));
    return reg.KeyExists();
}

// "true" for a stored "true" or "1", "false" for "false" or "0", "" for anything else or nothing.
std::string read_check_box(const std::string& profile, const std::string& check_box) {
    cRegistry reg;
    auto stored =
        reg.ValueEx(HKEY_CURRENT_USER, profile_key(profile) + "\\CheckBoxes", check_box, REG_SZ, Variant("")).to_text();
    if (stored == "true" || stored == "1") return "true";
    if (stored == "false" || stored == "0") return "false";
    return "";
}

}  // namespace

void run_ticks(Unattended run, const std::function<std::string(const std::string& check_box)>& tick_of,
               Event<std::string>& log, const std::function<void(const CatalogueItem& item)>& before_item) {
    if (run == Unattended::Schedule) switch_ticked_tweaks(tick_of, log);
    for (const CatalogueCategory& category : cleaning_catalogue()) {
        CategoryCleaner cleaner(category, [&log](std::string& line) { log.raise(line); });
        for (const CatalogueItem& item : category.items) {
            if (run == Unattended::Schedule && !item.on_schedule) continue;
            ignore_errors([&] { run_item(cleaner, item, tick_of(item.variable), before_item); });
        }
    }
}

void Schedule::RunSchedule() {
    if (!profile_exists(profile_)) {
        AddToLog(GetMessageText(kNoSuchProfileMessage) + " " + profile_);
        return;
    }
    run_ticks(
        Unattended::Schedule, [this](const std::string& check_box) { return read_check_box(profile_, check_box); },
        AddToLog);
}

}  // namespace engine
