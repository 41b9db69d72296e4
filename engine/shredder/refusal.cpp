#include "engine/shredder/refusal.h"

#include "engine/foundation/message_text.h"
#include "platform/machine/machine.h"

namespace engine {

std::optional<std::string> kept_folder_reason(const std::string& folder) {
    using Kind = platform::fs::FileSystem::KeptFolder::Kind;
    const auto kept = platform::current_machine().files().kept_folder(folder);
    if (!kept) return std::nullopt;
    const char* key = kept->kind == Kind::FileSystemRoot ? "msg418" : kept->kind == Kind::Home ? "msg419" : "msg420";
    return GetMessageText(key) + " " + kept->host.string();
}

std::string note_refusal(const std::string& path, const std::string& reason) {
    if (platform::has_current_machine()) platform::current_machine().removals().refuse(path, reason);
    return path + " (" + reason + ")";
}

std::string refusal_line(const std::string& path, const std::string& reason) {
    return GetMessageText(kRefusedMessage) + " " + note_refusal(path, reason);
}

}  // namespace engine
