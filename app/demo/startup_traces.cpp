#include "app/demo/startup_traces.h"

#include <string>

#include "app/demo/demo_writer.h"

namespace app::demo {

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;

constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void startup_entry(engine::ERegistryClassConstants root, const std::string& name, const std::string& command,
                   const std::string& program) {
    write_value(root, kRun, name, command);
    write_demo_file(program, "demo program");
}

void installed_program(const std::string& subkey, const std::string& name, const std::string& command,
                       const std::string& uninstaller) {
    write_value(HKEY_LOCAL_MACHINE, kUninstall + subkey, "DisplayName", name);
    write_value(HKEY_LOCAL_MACHINE, kUninstall + subkey, "UninstallString", command);
    write_demo_file(uninstaller, "demo uninstaller");
}

}  // namespace

void plant_startup_traces() {
    startup_entry(HKEY_CURRENT_USER, "Chat Helper",
                  R"("C:\Program Files\Demo Chat\helper.exe" /background /minimized)",
                  R"(C:\Program Files\Demo Chat\helper.exe)");
    startup_entry(HKEY_CURRENT_USER, "Weather Ticker", R"(C:\Program Files\Weather Ticker\ticker.exe)",
                  R"(C:\Program Files\Weather Ticker\ticker.exe)");
    startup_entry(HKEY_LOCAL_MACHINE, "Sound Tray", R"(C:\WINDOWS\system32\soundtray.exe)",
                  R"(C:\WINDOWS\system32\soundtray.exe)");

    installed_program("PhotoViewer", "Photo Viewer 2.1", R"("C:\Program Files\Photo Viewer\uninstall.exe" /S)",
                      R"(C:\Program Files\Photo Viewer\uninstall.exe)");
    installed_program("WeatherTicker", "Weather Ticker", R"(C:\Program Files\Weather Ticker\uninst.exe)",
                      R"(C:\Program Files\Weather Ticker\uninst.exe)");
    installed_program("CodecPack", "Media Codec Pack", R"(C:\Program Files\Codec Pack\remove.exe /all)",
                      R"(C:\Program Files\Codec Pack\remove.exe)");
    installed_program("CodecPackUpdate", "media codec pack",
                      R"(RunDll32 "C:\Program Files\Codec Pack\update.dll",Uninstall)",
                      R"(C:\Program Files\Codec Pack\update.dll)");
}

}  // namespace app::demo
