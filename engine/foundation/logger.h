#pragma once
// The daily log: one text file per day in the Logs folder of the engine folder, one line per
// registry deletion or shredded file.
#include <optional>
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/variant.h"
#include "platform/fs/fs.h"

namespace engine {

class Logger : public EngineObject {
public:
    // Appends "<date>     <time>"<TAB><Section><Txt> CR LF to "<engine folder>\Logs\<d>-<m>-<yyyy>_Log.txt",
    // creating the day's file. The Logs folder is not created here: a missing folder, like any
    // failed write, raises an EngineError (source "Tavrin.Logger").
    Variant AddToLog(std::string& Section, std::string& Txt);
    // The engine folder, without "\Logs" and without a trailing backslash.
    std::string getLogPath();
};

// Many lines in a row, as a folder walk writes them: the Logs folder is looked up once, and the
// day's file stays open from one line to the next, instead of both for every line. Each line goes
// where AddToLog would put it (a file deleted meanwhile, by the walk itself perhaps, is created
// afresh), and fails as AddToLog would.
class LogWriter {
public:
    void AddToLog(std::string& Section, std::string& Txt);

private:
    platform::fs::File& day_file(const std::string& name);

    std::optional<platform::fs::Folder> logs_;
    std::optional<platform::fs::File> day_file_;
    std::string day_file_name_;
};

// A file an operation left unread and why (refused as no regular file, too large, unreadable), as
// a line of the day's log; a log that cannot be written loses the line, and the operation goes on.
void log_unread_file(const std::string& reason);

// The Windows path of the log file for a day ("...\Logs\7-12-2026_Log.txt").
std::string log_file_path(int year, int month, int day);

}  // namespace engine
