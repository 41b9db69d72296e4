#include "engine/cleaners/trace_shredding.h"

#include <algorithm>

#include "engine/cleaners/cleanable_folder.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/message_text.h"
#include "engine/shredder/refusal.h"
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

// A location that was never found is no refusal: the application is not there.
void refuse_unless_cleanable(std::string_view source, const std::string& folder) {
    const std::string path = with_backslashes(folder);
    if (path.empty()) throw EngineError(kPathNotFound, std::string(source), GetMessageText(kNotFoundMessage));
    if (auto reason = folder_refusal(path))
        throw EngineError(kPathNotFound, std::string(source), refusal_line(path, *reason));
}

// Why a folder the program found by itself is not emptied: what no walk may empty, or a link
// that leads out of the machine, which the user never named.
std::optional<std::string> found_folder_refusal(const std::string& folder) {
    if (auto kept = kept_folder_reason(folder)) return kept;
    if (auto destination = platform::current_machine().files().linked_out_of_machine(folder))
        return GetMessageText("msg425") + " " + destination->string();
    return std::nullopt;
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
    if (auto reason = found_folder_refusal(folder)) {
        report_to_log(show_log, kRefusedMessage, note_refusal(folder, *reason));
        return;
    }
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

void shred_folder_named_by_user(Shredder& shredder, const std::string& folder) {
    if (auto reason = folder_refusal(with_backslashes(folder))) {
        shredder.NotShredded(refusal_line(folder, *reason));
        return;
    }
    double max_size = 0, min_size = 0;
    shredder.FolderShred(folder, false, "*", /*SubDirectoriesIncluded=*/true, max_size, min_size);
}

void report_to_log(Event<std::string>& show_log, std::string_view message_key, const std::string& what) {
    std::string section = GetMessageText(message_key) + " ";
    std::string text = what;
    ignore_errors([&] { Logger().AddToLog(section, text); });
    ignore_errors([&] { show_log(section + text); });
}

}  // namespace engine
