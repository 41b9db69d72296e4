#include "app/cli/screen_labels.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli/skin_folder.h"
#include "app/settings/user_settings.h"
#include "app/texts/language.h"

namespace app::cli {

namespace {

// The page writes & < > " as entities inside its texts.
std::string unescaped(std::string text) {
    for (const auto& [entity, letter] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
        for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, std::string_view(entity).size(), letter);
    }
    return text;
}

std::string file_text(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::map<std::string, std::string> labels_of_page(const std::string& page, bool german) {
    std::map<std::string, std::string> labels;
    const std::string box = "type=\"checkbox\" data-var=\"", label = "<span data-de=\"";
    for (size_t at = page.find(box); at != std::string::npos; at = page.find(box, at + 1)) {
        const size_t name_end = page.find('"', at + box.size());
        const size_t german_at = page.find(label, name_end);
        if (name_end == std::string::npos || german_at == std::string::npos || german_at > page.find(box, at + 1))
            continue;
        const size_t german_end = page.find("\">", german_at + label.size());
        const size_t english_end = page.find("</span>", german_end);
        if (german_end == std::string::npos || english_end == std::string::npos) continue;
        const std::string text = german ? page.substr(german_at + label.size(), german_end - german_at - label.size())
                                        : page.substr(german_end + 2, english_end - german_end - 2);
        labels[page.substr(at + box.size(), name_end - at - box.size())] = unescaped(text);
    }
    return labels;
}

std::map<std::string, std::string> labels_of_script(const std::string& script, bool german) {
    std::map<std::string, std::string> labels;
    const std::string label = "': { label: ['", between = "', '";
    for (size_t at = script.find(label); at != std::string::npos; at = script.find(label, at + 1)) {
        const size_t name_at = script.rfind('\'', at - 1);
        const size_t english_end = script.find(between, at + label.size());
        const size_t german_end = script.find("']", english_end);
        if (name_at == std::string::npos || german_end == std::string::npos) continue;
        labels[script.substr(name_at + 1, at - name_at - 1)] =
            german ? script.substr(english_end + between.size(), german_end - english_end - between.size())
                   : script.substr(at + label.size(), english_end - at - label.size());
    }
    return labels;
}

std::map<std::string, std::string> screen_labels() {
    const bool german = Language::message_file_for(user_settings::language()) == "msgsg.ini";
    const std::filesystem::path skin = skin_folder();
    std::map<std::string, std::string> labels = labels_of_script(file_text(skin / "js" / "category_texts.js"), german);
    std::error_code error;
    for (const auto& page : std::filesystem::directory_iterator(skin / "screens", error))
        if (page.path().extension() == ".html") labels.merge(labels_of_page(file_text(page.path()), german));
    return labels;
}

}  // namespace app::cli
