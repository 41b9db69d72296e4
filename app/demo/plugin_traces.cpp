// Each application gets the key its plug-in detects it by and the traces the plug-in removes,
// written where the application itself would write them.
#include "app/demo/plugin_traces.h"

#include <string>
#include <utility>

#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "platform/machine/machine.h"
#include "platform/machine/user_environment.h"

namespace app::demo {

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;

void write_text(engine::ERegistryClassConstants root, const std::string& key, const std::string& name,
                const std::string& value) {
    engine::cRegistry reg;
    reg.ValueEx(root, key, name, engine::REG_SZ, engine::Variant(), value);
}

// A path with the machine's %VARIABLES%, its folders created as needed.
void write_file(const std::string& path, const std::string& contents) {
    auto& machine = platform::current_machine();
    const std::string expanded = platform::expand_environment_strings(machine, path);
    machine.files().create_directory(expanded.substr(0, expanded.rfind('\\')));
    machine.files().write_text(expanded, contents);
}

void plant_media_player() {
    write_text(HKEY_LOCAL_MACHINE, "Software\\VideoLAN\\VLC", "InstallDir", "C:\\Program Files\\VideoLAN\\VLC");
    write_file("%APPDATA%\\vlc\\vlc-qt-interface.ini",
               "[RecentsMRL]\r\nlist=file:///C:/Videos/holiday.mkv, file:///C:/Videos/party.mp4\r\n");
    write_file("%APPDATA%\\vlc\\ml.xspf", "<?xml version=\"1.0\"?><playlist><title>Media Library</title></playlist>\n");
    write_file("%APPDATA%\\vlc\\art\\artistalbum\\Demo Band\\cover.jpg", "JFIF demo cover");
}

void plant_archiver() {
    const std::pair<const char*, const char*> histories[] = {
        {"FM", "FolderHistory"}, {"FM", "CopyHistory"}, {"Compression", "ArcHistory"}};
    for (const auto& [key, name] : histories)
        write_text(HKEY_CURRENT_USER, std::string("Software\\7-Zip\\") + key, name, "C:\\Documents\\taxes-2026.7z");
    write_text(HKEY_CURRENT_USER, "Software\\7-Zip\\FM", "PanelPath0", "C:\\Documents\\");
    write_text(HKEY_CURRENT_USER, "Software\\7-Zip\\Options", "Lang", "-");  // a setting, which stays
}

void plant_browser_cache() {
    write_text(HKEY_CURRENT_USER, "Software\\Google\\Chrome", "LastRunVersion", "120.0.6099.130");
    const std::string profile = "%LOCALAPPDATA%\\Google\\Chrome\\User Data\\Default\\";
    write_file(profile + "Cache\\Cache_Data\\data_0", "cached page of www.news-example.com");
    write_file(profile + "Code Cache\\js\\index", "compiled script");
    write_file(profile + "GPUCache\\data_1", "shader");
}

}  // namespace

void plant_plugin_traces() {
    engine::ignore_errors(plant_media_player);
    engine::ignore_errors(plant_archiver);
    engine::ignore_errors(plant_browser_cache);
}

}  // namespace app::demo
