#pragma once
// How a cleaner removes the files its application left: through the Shredder, with every
// shredded file announced as the cleaner's own ShowLog, and only inside a folder that may be
// cleaned. A location read from the registry or found by a search can be empty or wrong, and a
// path built from "" points at a drive root: those are refused before anything is touched.
#include <string>
#include <string_view>

#include "engine/foundation/event.h"

namespace engine {

class Shredder;

// Shreds the files of `folder` and its subfolders that `extension` selects ("*" for all); the
// folder itself goes too unless delete_contents_only. Raises EngineError 76 (path not found),
// with `source` as its source, when the folder may not be cleaned.
void shred_folder(Event<std::string>& show_log, std::string_view source, const std::string& folder,
                  bool delete_contents_only, const std::string& extension);
// The same walk for a folder the caller has checked by a rule of its own (the Windows folder, of
// which only the log files go). A folder that is not there holds no traces and is passed over;
// each file or folder that had to stay is a ShowLog line saying which and why.
void shred_checked_folder(Event<std::string>& show_log, const std::string& folder, bool delete_contents_only,
                          const std::string& extension);
// Shreds one file; raises EngineError 76 when its folder may not be cleaned.
void shred_file(Event<std::string>& show_log, std::string_view source, const std::string& file);

// Shreds a folder the user named (the shredder screen's list, the command line) with all it holds,
// by the rule a cleaner's folder is held to (cleanable_folder.h): a refused one is left as it is,
// and the shredder's NotShredded says so.
void shred_folder_named_by_user(Shredder& shredder, const std::string& folder);

// One line for the user, in the day's log file and through ShowLog: the text of `message_key`,
// a blank, then `what`. Never fails.
void report_to_log(Event<std::string>& show_log, std::string_view message_key, const std::string& what);

// The message of a location that was not found, so nothing was cleaned there.
inline constexpr std::string_view kNotFoundMessage = "msg80";

}  // namespace engine
