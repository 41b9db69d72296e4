#include "engine/foundation/message_text.h"

#include "engine/foundation/app_settings.h"
#include "engine/foundation/engine_folder.h"
#include "engine/foundation/ini.h"
#include "engine/foundation/text.h"

namespace engine {

std::string GetMessageText(std::string_view key) {
    std::string language = GetSetting("Orvane", "Lang", "Lang", "Deutsch");
    std::string file = engine_path(to_upper(language) == "ENGLISH" ? "skin\\msgs.ini" : "skin\\msgsg.ini");
    std::string section = "Orvane";
    std::string name(key);
    return INI().GetFromINI(file, section, name);
}

}  // namespace engine
