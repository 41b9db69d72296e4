#include "engine/cleaners/aol.h"

#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/engine_error.h"
#include "engine/tools/system.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(AOL, "{28155D6B-8B63-4049-B6CE-765E6343D7C3}");

namespace {

constexpr const char* kSource = "Tavrin.AOL";
constexpr const char* kClientVersions[] = {"5.0", "6.0"};

}  // namespace

AOL::AOL() { windowsDir_ = System().getWDirectory(); }

void AOL::CleanAOLTemp() { empty_client_folders("AOLTEMP"); }

void AOL::CleanAOLDownloads() { empty_client_folders("download"); }

void AOL::empty_client_folders(const char* folder) {
    for (const char* version : kClientVersions) {
        aolPath_ = windowsDir_.substr(0, 2) + "\\America Online " + version + "\\" + folder;
        // The shredder would report a missing folder; a client that is not installed is no news.
        if (!platform::current_machine().files().is_directory(aolPath_)) continue;
        shred_folder(ShowLog, kSource, aolPath_, true, "*");
    }
}

}  // namespace engine
