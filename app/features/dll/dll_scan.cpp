#include "app/features/dll/dll_scan.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "app/features/dll/file_walk.h"
#include "app/stage/list_pusher.h"
#include "app/stage/stage.h"
#include "engine/foundation/hooks.h"
#include "engine/foundation/logger.h"
#include "platform/machine/machine.h"
#include "platform/machine/user_environment.h"
#include "platform/sys/environment.h"
#include "platform/sys/run_cancel.h"
#include "platform/text/ascii_case.h"
#include "platform/text/bar_list.h"
#include "platform/typelib/type_library.h"

namespace app {

using platform::text::non_empty_bar_items;
using platform::text::to_lower;

namespace {

namespace reg = platform::registry;

// The main window's 8-point font averages about six pixels a character.
constexpr int kAveragePixelsPerCharacter = 6;

std::string default_value(const reg::Registry& registry, const std::string& key) {
    reg::Value value;
    if (registry.query_value(reg::Root::ClassesRoot, key, "", value) != reg::Status::Ok) return "";
    if (value.type != reg::type::Sz && value.type != reg::type::ExpandSz) return "";
    std::string text(value.data.begin(), value.data.end());
    return text.substr(0, text.find('\0'));
}

std::string first_subkey(const reg::Registry& registry, const std::string& key) {
    std::string name;
    if (registry.enum_key(reg::Root::ClassesRoot, key, 0, name) != reg::Status::Ok) return "";
    return name;
}

std::string unquoted(std::string text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
    return text;
}

bool is_absolute(std::string_view path) { return path.find(":\\") != std::string_view::npos; }

// The files the registry names for a type library, lower-cased and with their variables
// expanded: one for each bitness it is registered for (a 64-bit machine registers most libraries
// under win64 only, and a system library twice, once for each of its twin files). nullopt when
// the library is not registered, or any registration has a form that cannot be compared with a
// path (a short 8.3 name, a restore point, a bare file name found through the search path, a
// variable the machine does not define): such a copy may be the one in use.
std::optional<std::vector<std::string>> registered_files(platform::Machine& machine,
                                                         const platform::sys::Environment& environment,
                                                         const std::string& guid) {
    const reg::Registry& registry = machine.registry();
    const std::string library = "typelib\\" + guid;
    if (!registry.key_exists(reg::Root::ClassesRoot, library)) return std::nullopt;
    const std::string version = first_subkey(registry, library);
    const std::string locale = version.empty() ? "" : first_subkey(registry, library + "\\" + version);
    auto expanded = [&](const std::string& key) {
        return to_lower(platform::sys::expand_environment_strings(unquoted(default_value(registry, key)), environment));
    };
    const std::string server = expanded("clsid\\" + guid + "\\InprocServer32");
    std::vector<std::string> paths;
    for (const char* bitness : {"win32", "win64"}) {
        if (locale.empty()) break;
        const std::string path = expanded(library + "\\" + version + "\\" + locale + "\\" + bitness);
        if (!path.empty()) paths.push_back(is_absolute(path) ? path : server);
    }
    if (paths.empty()) paths.push_back(server);
    for (const std::string& path : paths) {
        if (!is_absolute(path) || path.find('%') != std::string::npos) return std::nullopt;
        if (path.find('~') != std::string::npos || path.find("_restore") != std::string::npos) return std::nullopt;
    }
    return paths;
}

// On a 64-bit system a system library comes as twins of one name: the 64-bit file in
// "<windows>\system32" and the 32-bit one in "<windows>\syswow64", which is where a 32-bit program
// asking for system32 is sent. So a registration naming the one names the other as well.
std::string syswow64_twin(const std::string& path, const platform::sys::Environment& environment) {
    auto windows = environment.find("SystemRoot");
    if (windows == environment.end()) return path;
    const std::string system32 = to_lower(windows->second) + "\\system32\\";
    if (!path.starts_with(system32)) return path;
    return to_lower(windows->second) + "\\syswow64\\" + path.substr(system32.size());
}

bool is_orphan(platform::Machine& machine, const platform::sys::Environment& environment, const std::string& dll) {
    auto library = platform::typelib::open_type_library(machine.files(), dll);
    if (!library || library->containing_file != dll) return false;
    auto registered = registered_files(machine, environment, library->guid);
    if (!registered) return false;
    const std::string path = to_lower(dll);
    return std::ranges::none_of(
        *registered, [&](const std::string& file) { return file == path || syswow64_twin(file, environment) == path; });
}

int max_scroll(const std::vector<std::string>& names) {
    size_t widest = 0;
    for (const std::string& name : names) widest = std::max(widest, name.size());
    return static_cast<int>(std::lround(static_cast<double>(widest * kAveragePixelsPerCharacter) / 100.0));
}

}  // namespace

std::vector<std::string> find_orphan_dlls(platform::Machine& machine, std::string_view scan_folder,
                                          const DllScanProgress& progress) {
    std::string drive(scan_folder.substr(0, 2));
    std::string file_list;
    WalkCounts counts;
    collectFiles(machine.files(), drive, "*.dll", counts, file_list);
    const platform::sys::Environment environment = platform::user_environment(machine);
    std::vector<std::string> found;
    const std::vector<std::string> dlls = non_empty_bar_items(file_list);
    for (size_t i = 0; i < dlls.size() && !platform::run_cancel_requested(); ++i) {
        const std::string& dll = dlls[i];
        engine::process_pending_messages();
        try {
            if (is_orphan(machine, environment, dll)) found.push_back(dll);
        } catch (const platform::fs::FsError& refused) {
            // A pipe or a device named like a DLL, a link out of the machine, a locked file: the
            // scan goes on without it.
            engine::log_unread_file(refused.what());
        }
        if (progress) progress(i + 1, dlls.size());
    }
    return found;
}

std::vector<std::string> scanDlls(Stage& stage, platform::Machine& machine, std::string_view scan_folder,
                                  const DllScanProgress& progress) {
    push_list(stage, kMainMovie, MovieList{"DllItems", {}, "_root.ShowDllItems", "1"});
    const std::vector<std::string> found = find_orphan_dlls(machine, scan_folder, progress);
    const std::vector<std::string> unticked(found.size(), "false");
    push_list(stage, kMainMovie, MovieList{"DllItems", found, "_root.ShowDllItems", "1", "DLLItems", unticked});
    stage.set_variable(kMainMovie, "_root.MaxScroll", std::to_string(max_scroll(found)));
    stage.set_variable(kMainMovie, "_root.MakeTheGUIDisable", "false");
    return found;
}

}  // namespace app
