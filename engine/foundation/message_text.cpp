#include "engine/foundation/message_text.h"

#include "engine/foundation/engine_folder.h"
#include "engine/foundation/ini.h"
#include "engine/foundation/user_language.h"

namespace engine {

std::string GetMessageText(std::string_view key) {
    std::string file = engine_path(is_german(user_language()) ? "skin\\msgsg.ini" : "skin\\msgs.ini");
    std::string section = "Orvane";
    std::string name(key);
    return INI().GetFromINI(file, section, name);
}

}  // namespace engine
