#include "engine/cleaners/opera.h"

#include "engine/cleaners/trace_locations.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/engine_error.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Opera, "{D8FD8F82-2867-46C9-90ED-2358F43C09E6}");

namespace {

constexpr const char* kSource = "Tavrin.Opera";

}  // namespace

// A location that cannot be read leaves the paths relative ("\profile\..."), and the shredding
// helpers refuse those: nothing is touched.
Opera::Opera() {
    ignore_errors([&] {
        profileDir_ = machine_is_windows_xp() ? application_data_folder() + "\\Opera\\Opera\\profile"
                                              : windows_drive() + "\\Program Files\\Opera\\profile";
    });
    cachePath_ = profileDir_ + "\\cache4";
    cookiesFile_ = profileDir_ + "\\cookies4.dat";
    historyFile_ = profileDir_ + "\\global.dat";
}

void Opera::CleanCache() { shred_folder(ShowLog, kSource, cachePath_, true, "*"); }

void Opera::CleanCookies() { shred_file(ShowLog, kSource, cookiesFile_); }

void Opera::CleanHistory() { shred_file(ShowLog, kSource, historyFile_); }

}  // namespace engine
