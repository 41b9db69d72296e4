#include "engine/cleaners/cleanable_folder.h"

#include <cctype>
#include <string_view>

#include "engine/foundation/engine_folder.h"
#include "engine/foundation/message_text.h"
#include "engine/shredder/refusal.h"
#include "platform/machine/machine.h"
#include "platform/machine/user_environment.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::iequals;

namespace {

std::string without_trailing_backslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// "C:\a\b" with every step a real name.
bool is_plain_full_path(std::string_view path) {
    if (path.size() < 4 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' || path[2] != '\\')
        return false;
    size_t start = 3;
    for (;;) {
        size_t end = path.find('\\', start);
        auto step = path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (step.empty() || step == "." || step == ".." || step.find_first_of("/*?\"<>|:") != std::string_view::npos)
            return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

// The folder is `protected_folder` or one of the folders that hold it.
bool is_or_contains(const std::string& folder, const std::string& protected_folder) {
    std::string guarded = without_trailing_backslashes(protected_folder);
    if (guarded.empty()) return false;
    return iequals(folder, guarded) ||
           (guarded.size() > folder.size() && guarded[folder.size()] == '\\' &&
            iequals(folder, std::string_view(guarded).substr(0, folder.size())));
}

}  // namespace

std::optional<std::string> file_walk_refusal(const std::string& folder) {
    const std::string path = without_trailing_backslashes(folder);
    const char* key = nullptr;
    if (path.size() == 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') key = "msg421";
    else if (!is_plain_full_path(path)) key = "msg424";
    else if (is_or_contains(path, engine_folder())) key = "msg423";
    if (key) return GetMessageText(key);
    return std::nullopt;
}

std::optional<std::string> folder_refusal(const std::string& folder) {
    if (auto refusal = file_walk_refusal(folder)) return refusal;
    if (!platform::has_current_machine()) return std::nullopt;
    const std::string path = without_trailing_backslashes(folder);
    if (is_or_contains(path, platform::windows_folder(platform::current_machine())))
        return GetMessageText("msg422");
    return kept_folder_reason(path);
}

bool may_clean_folder(const std::string& folder) { return !folder_refusal(folder); }

}  // namespace engine
