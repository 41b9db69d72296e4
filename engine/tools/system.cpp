#include "engine/tools/system.h"

#include <algorithm>
#include <exception>

#include "engine/foundation/cregistry.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/foundation/os.h"
#include "engine/tools/system_entries.h"
#include "platform/machine/machine.h"
#include "platform/machine/user_environment.h"
#include "platform/text/bar_list.h"
#include "platform/text/trim.h"

namespace engine {

using platform::text::trim_bars;

TAVRIN_ENGINE_CLASS(System, "{3E1B7C52-8D04-4F6A-A1C9-5B2E7D9F0A13}");

namespace {

constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr size_t kMaxWindowsFolder = 200;
constexpr size_t kDriveStringsLength = 255;

Variant read_value(cRegistry& reg, ERegistryClassConstants root, const std::string& key, const std::string& name) {
    reg.ClassKey(root);
    reg.SectionKey(key);
    reg.ValueKey(name);
    return reg.Value();
}

// "RunDll32 "C:\x.dll",Uninstall" keeps only RunDll32: what follows the first quote is an
// argument, and a command that starts quoted is kept whole.
std::string uninstall_command(const std::string& command) {
    size_t quote = command.find('"');
    if (quote == std::string::npos || quote == 0) return command;
    return std::string(platform::text::trim_blanks(std::string_view(command).substr(0, quote)));
}

// Enumeration errors reach the user as a message box with the error's description.
void show_error(const std::exception& error) {
    if (auto engine_error = dynamic_cast<const EngineError*>(&error))
        show_engine_message(engine_error->description().empty() ? engine_error->what() : engine_error->description());
    else
        show_engine_message(error.what());
}

}  // namespace

System::System() {
    cRegistry reg;
    favorites_ = read_value(reg, HKEY_CURRENT_USER, kShellFolders, "Favorites").to_text();
}

std::string System::getWDirectory() {
    std::string folder = platform::windows_folder(platform::current_machine());
    if (folder.size() > kMaxWindowsFolder) folder.resize(kMaxWindowsFolder);
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

std::string System::getFavoritesDirectory() {
    switch (OS().OperatingSystem()) {
        case System_Windows_98:
        case System_Windows_ME: return getWDirectory() + "\\favorites";
        case System_Windows_XP: return favorites_;
        default: return {};
    }
}

std::string System::Enumerate_Drives() {
    std::string strings;
    for (const auto& root : platform::current_machine().files().drives()) {
        strings += root;
        strings += '\0';
    }
    strings += '\0';
    if (strings.size() < kDriveStringsLength) strings.resize(kDriveStringsLength, '\0');
    return strings;
}

Variant System::Enumerate_Startup(std::string& result, std::string& P) {
    try {
        for (const auto& entry : startup_entries()) {
            result += "|" + entry.name;
            P += "|" + entry.command.to_text();
        }
    } catch (const std::exception& error) {
        show_error(error);
    }
    return {};
}

UnInstall System::Enumerate_Uninstall() {
    try {
        std::string names, commands;
        for (const auto& program : installed_programs()) {
            names += "|" + program.display_name;
            commands += "|" + uninstall_command(program.uninstall_command);
        }
        commands = trim_bars(commands);
        std::erase(commands, '"');
        return UnInstall{trim_bars(names), commands};
    } catch (const std::exception& error) {
        show_error(error);
        return {};
    }
}

}  // namespace engine
