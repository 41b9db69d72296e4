#include "app/cli/message_texts.h"

#include <fstream>
#include <map>
#include <memory>

#include "app/cli/skin_folder.h"
#include "app/settings/user_settings.h"
#include "app/texts/language.h"

namespace app::cli {

Texts message_texts() {
    auto texts = std::make_shared<std::map<std::string, std::string, std::less<>>>();
    std::ifstream file(skin_folder() / Language::message_file_for(user_settings::language()));
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t equals = line.find('=');
        if (equals != std::string::npos) (*texts)[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return [texts](std::string_view key) {
        auto found = texts->find(key);
        return found == texts->end() ? std::string() : found->second;
    };
}

}  // namespace app::cli
