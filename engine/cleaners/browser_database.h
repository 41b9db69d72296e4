#pragma once
// How a browser cleaner changes one of its databases: through the guarded change of the SQLite
// layer (platform/sqlite/guarded_change.h), with a line in the log for every database that was
// left as it was and why. A database that is not there holds no traces and is passed over.
#include <string>

#include "engine/foundation/event.h"
#include "platform/sqlite/guarded_change.h"

namespace engine {

// True when the change was made (or, in a preview, would be).
bool clean_browser_database(Event<std::string>& show_log, const std::string& windows_path,
                            const platform::sqlite::Change& change);

// A profile folder the browser holds while it runs: left alone, with a line in the log.
void report_profile_in_use(Event<std::string>& show_log, const std::string& profile_folder);

}  // namespace engine
