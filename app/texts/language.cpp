#include "app/texts/language.h"

#include "engine/foundation/ini.h"
#include "engine/foundation/user_language.h"

namespace app {

namespace {
// Every language file has the completion text; a file without it is missing or not ours.
constexpr std::string_view kAlwaysPresentKey = "msg4";
}

Language::Language(std::string program_folder) : program_folder_(std::move(program_folder)) {}

std::string Language::message_file_for(std::string_view language_name) {
    return engine::is_german(language_name) ? "msgsg.ini" : "msgs.ini";
}

void Language::select(std::string name) {
    file_name_ = message_file_for(name);
    name_ = std::move(name);
}

std::string Language::file_path() const {
    return program_folder_ + "\\skin\\" + file_name_;
}

std::string Language::lookup(std::string_view key) const {
    engine::INI ini;
    std::string path = file_path(), section = "Orvane", name(key);
    auto value = ini.GetFromINI(path, section, name);
    // The not-found answer is a buffer of NULs, which a page would show as garbage.
    return value.substr(0, value.find('\0'));
}

bool Language::file_available() const {
    return !lookup(kAlwaysPresentKey).empty();
}

std::string Language::text(std::string_view key) const {
    auto value = lookup(key);
    if (value.empty() && !file_available()) return std::string(key);
    return value;
}

}  // namespace app
