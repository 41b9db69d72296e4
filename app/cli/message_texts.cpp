#include "app/cli/message_texts.h"

#include <fstream>
#include <map>
#include <memory>
#include <string_view>

#include "app/cli/skin_folder.h"
#include "app/settings/user_settings.h"
#include "app/texts/language.h"
#include "platform/machine/machine.h"
#include "platform/sys/user_locale.h"

namespace app::cli {

Texts message_texts_in(const std::string& language) {
    auto texts = std::make_shared<std::map<std::string, std::string, std::less<>>>();
    std::ifstream file(skin_folder() / Language::message_file_for(language));
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

namespace {

// The value of "--name VALUE" or "--name=VALUE" ("" when not given), as the parser will read it.
std::string value_of(const std::vector<std::string>& args, std::string_view name) {
    std::string value;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name && i + 1 < args.size()) value = args[i + 1];
        else if (args[i].starts_with(name) && args[i].size() > name.size() && args[i][name.size()] == '=')
            value = args[i].substr(name.size() + 1);
    }
    return value;
}

}  // namespace

Texts message_texts() { return message_texts_in(user_settings::language()); }

std::string language_before_opening(const std::vector<std::string>& args) {
    try {
        const std::string dir = value_of(args, "--machine");
        platform::MachineOptions options;
        options.user = value_of(args, "--user");
        const auto machine = platform::Machine::open(
            dir.empty() ? platform::Machine::default_sandbox_dir() : std::filesystem::path(dir), options);
        const platform::CurrentMachineScope current(*machine);
        return user_settings::language();
    } catch (const std::exception&) {
        // No machine there, or none that can be read now: the language it would have on first start.
        return platform::sys::user_locale_is_german() ? "Deutsch" : "English";
    }
}

Texts message_texts_before_opening(const std::vector<std::string>& args) {
    return message_texts_in(language_before_opening(args));
}

}  // namespace app::cli
