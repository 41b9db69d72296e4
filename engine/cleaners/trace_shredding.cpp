#include "engine/cleaners/trace_shredding.h"

#include <algorithm>

#include "engine/cleaners/cleanable_folder.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/message_text.h"
#include "engine/shredder/shredder.h"
#include "platform/machine/machine.h"

namespace engine {

namespace {

constexpr int32_t kPathNotFound = 76;

// Windows takes "/" as a separator too (a profile path read from an INI file keeps it), so the
// check sees the path as the file system will.
std::string with_backslashes(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

void refuse_unless_cleanable(std::string_view source, const std::string& folder) {
    if (!may_clean_folder(with_backslashes(folder)))
        throw EngineError(kPathNotFound, std::string(source), "Not a folder that may be cleaned: '" + folder + "'");
}

}  // namespace

void shred_folder(Event<std::string>& show_log, std::string_view source, const std::string& folder,
                  bool delete_contents_only, const std::string& extension) {
    refuse_unless_cleanable(source, folder);
    shred_checked_folder(show_log, folder, delete_contents_only, extension);
}

void shred_checked_folder(Event<std::string>& show_log, const std::string& folder, bool delete_contents_only,
                          const std::string& extension) {
    if (!platform::current_machine().files().is_directory(folder)) return;
    Shredder shredder;
    EventRelay shredded(shredder.ShowLog, show_log);
    EventRelay kept(shredder.NotShredded, show_log);
    double max_size = 0, min_size = 0;
    shredder.FolderShred(folder, delete_contents_only, extension, /*SubDirectoriesIncluded=*/true, max_size, min_size);
}

void shred_file(Event<std::string>& show_log, std::string_view source, const std::string& file) {
    std::string path = with_backslashes(file);
    size_t last = path.rfind('\\');
    refuse_unless_cleanable(source, last == std::string::npos ? std::string() : file.substr(0, last));
    Shredder shredder;
    EventRelay relay(shredder.ShowLog, show_log);
    shredder.FileShred(file);
}

void report_to_log(Event<std::string>& show_log, std::string_view message_key, const std::string& what) {
    std::string section = GetMessageText(message_key) + " ";
    std::string text = what;
    ignore_errors([&] { Logger().AddToLog(section, text); });
    ignore_errors([&] { show_log(section + text); });
}

}  // namespace engine
