#include "app/texts/language.h"

#include <cstdint>

#include "engine/foundation/ini.h"
#include "engine/foundation/user_language.h"
#include "platform/ini/profile.h"
#include "platform/machine/machine.h"

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
    // Read whole (see INI::kMessageBufferSize).
    std::string value(engine::INI::kMessageBufferSize, '\0');
    const uint32_t length = platform::ini::GetPrivateProfileString(platform::current_machine(), "Orvane",
                                                                   std::string(key).c_str(), "", value.data(),
                                                                   engine::INI::kMessageBufferSize, file_path());
    value.resize(length);
    return value;
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
