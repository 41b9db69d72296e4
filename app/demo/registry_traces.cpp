// Entries go in as installers and the open/save dialog write them; the valid ones get their files,
// the stale ones point where nothing is any more.
#include "app/demo/registry_traces.h"

#include <string>

#include "app/demo/demo_writer.h"
#include "engine/foundation/engine_error.h"

namespace app::demo {

namespace {

using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;

constexpr const char* kVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kWriterFolder = "C:\\Program Files\\Demo Writer";
constexpr const char* kOldPaintFolder = "C:\\Program Files\\Old Paint";

std::string subkey(const char* list, const std::string& name) { return std::string(kVersion) + "\\" + list + "\\" + name; }

void plant_shared_dlls() {
    const std::string key = std::string(kVersion) + "\\SharedDlls";
    write_demo_file("C:\\WINDOWS\\system32\\demoshared.dll", "MZ demo shared library");
    write_value(HKEY_LOCAL_MACHINE, key, "C:\\WINDOWS\\system32\\demoshared.dll", int32_t{2}, engine::REG_DWORD);
    write_value(HKEY_LOCAL_MACHINE, key, std::string(kOldPaintFolder) + "\\paintfx.dll", int32_t{3}, engine::REG_DWORD);
    write_value(HKEY_LOCAL_MACHINE, key, "C:\\WINDOWS\\system32\\oldcodec.ocx", int32_t{1}, engine::REG_DWORD);
}

void plant_uninstall_list() {
    const std::string writer = subkey("Uninstall", "Demo Writer");
    write_demo_file(std::string(kWriterFolder) + "\\uninstall.exe", "MZ demo uninstaller");
    write_value(HKEY_LOCAL_MACHINE, writer, "DisplayName", "Demo Writer 2.1");
    write_value(HKEY_LOCAL_MACHINE, writer, "UninstallString", "\"" + std::string(kWriterFolder) + "\\uninstall.exe\" /S");
    write_value(HKEY_LOCAL_MACHINE, writer, "EstimatedSize", int32_t{2048}, engine::REG_DWORD);

    const std::string paint = subkey("Uninstall", "Old Paint 1.0");
    write_value(HKEY_LOCAL_MACHINE, paint, "DisplayName", "Old Paint 1.0");
    write_value(HKEY_LOCAL_MACHINE, paint, "Publisher", "Old Paint Software");
    write_value(HKEY_LOCAL_MACHINE, paint, "UninstallString", std::string(kOldPaintFolder) + "\\unins000.exe");
    write_value(HKEY_LOCAL_MACHINE, paint, "InstallLocation", "%ProgramFiles%\\Old Paint");
    write_value(HKEY_LOCAL_MACHINE, paint, "NoModify", int32_t{1}, engine::REG_DWORD);

    // A product code: its uninstaller is the installer service, so it is never reported.
    const std::string runtime = subkey("Uninstall", "{6F8A2D41-3B7C-4E55-9A10-5C2D8E7F1B34}");
    write_value(HKEY_LOCAL_MACHINE, runtime, "DisplayName", "Demo Runtime");
    write_value(HKEY_LOCAL_MACHINE, runtime, "UninstallString", "MsiExec.exe /X{6F8A2D41-3B7C-4E55-9A10-5C2D8E7F1B34}");

    // Left behind without its uninstaller.
    write_value(HKEY_LOCAL_MACHINE, subkey("Uninstall", "Trial Game"), "DisplayName", "Trial Game (30 days)");
}

void plant_app_paths() {
    const std::string writer = subkey("App Paths", "writer.exe");
    write_demo_file(std::string(kWriterFolder) + "\\writer.exe", "MZ demo writer");
    write_value(HKEY_LOCAL_MACHINE, writer, "", std::string(kWriterFolder) + "\\writer.exe");
    write_value(HKEY_LOCAL_MACHINE, writer, "Path", kWriterFolder);

    const std::string paint = subkey("App Paths", "oldpaint.exe");
    write_value(HKEY_LOCAL_MACHINE, paint, "", "\"" + std::string(kOldPaintFolder) + "\\oldpaint.exe\"");
    write_value(HKEY_LOCAL_MACHINE, paint, "Path", kOldPaintFolder);
}

void plant_open_save_history() {
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\*";
    std::string documents = profile_folder("Personal");
    write_demo_file(documents + "\\Letter.txt", "Dear reader,\r\n");
    // After the Windows traces' "a", which they leave as it is.
    write_value(HKEY_CURRENT_USER, key, "b", documents + "\\Letter.txt");
    write_value(HKEY_CURRENT_USER, key, "c", documents + "\\Old report.doc");
    write_value(HKEY_CURRENT_USER, key, "d", "C:\\Temp\\download.zip");
    write_value(HKEY_CURRENT_USER, key, "MRUList", "dcba");
}

}  // namespace

void plant_registry_traces() {
    engine::ignore_errors(plant_shared_dlls);
    engine::ignore_errors(plant_uninstall_list);
    engine::ignore_errors(plant_app_paths);
    engine::ignore_errors(plant_open_save_history);
}

}  // namespace app::demo
