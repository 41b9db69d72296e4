#pragma once
// What the program leaves alone on purpose, whatever it was asked, and saying so: a folder no walk
// may empty or remove, and the line that tells the user which and why.
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// Why the folder may never be emptied or removed, whatever the options (the root of the file
// system, the user's home folder or the machine folder, or a folder holding one of them), in the
// session's language with the host folder it leads to; nullopt for any other folder.
std::optional<std::string> kept_folder_reason(const std::string& folder);

// The message that starts the line of a refusal: "Refused, left as it is:".
inline constexpr std::string_view kRefusedMessage = "msg416";

// Notes the refusal among those of the run being recorded, from which the command line reports
// it, and gives what follows the message in its line: "PATH (REASON)".
std::string note_refusal(const std::string& path, const std::string& reason);
// The whole line, message first, in the session's language; the refusal is noted as above.
std::string refusal_line(const std::string& path, const std::string& reason);

}  // namespace engine
