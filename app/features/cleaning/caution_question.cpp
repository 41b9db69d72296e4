#include "app/features/cleaning/caution_question.h"

#include <vector>

#include "app/settings/option_list.h"
#include "app/settings/user_settings.h"
#include "app/texts/fill_in.h"
#include "platform/machine/machine.h"
#include "platform/text/bar_list.h"

namespace app {

namespace {

constexpr const char* kTitle = "msg836";  // also the flag of the answer
constexpr const char* kMessage = "msg839";
constexpr const char* kDontAskAgain = "msg838";  // the flag the second button sets
// Per item name ("firefox.bookmarks"): "0" once the user asked not to be asked again.
constexpr const char* kSettingsSection = "AskBeforeCleaning";

bool still_asks(const engine::CatalogueItem& item) {
    return !item.caution.empty() && user_settings::read(kSettingsSection, item.name, "1") != "0";
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : ", ") + word;
    return text;
}

}  // namespace

bool agreed_to_cautious_items(Shell& shell, const engine::CatalogueCategory& category, const std::string& option_list) {
    // A preview runs the same command and removes nothing: there is nothing to ask about.
    if (platform::has_current_machine() && platform::current_machine().removals().dry_run()) return true;
    const OptionList options(option_list);
    std::vector<const engine::CatalogueItem*> asked;
    std::vector<std::string> words;
    for (size_t position = 0; position < category.items.size(); ++position) {
        const engine::CatalogueItem& item = category.items[position];
        if (!options.ticked(position) || !still_asks(item)) continue;
        asked.push_back(&item);
        words.push_back(shell.text(item.caution));
    }
    if (asked.empty()) return true;

    FlashMsgBox& box = shell.message_box();
    box.answers().set(kTitle, false);
    box.answers().set(kDontAskAgain, false);
    if (!box.ShowMsg(fill_in(shell.text(kMessage), {joined(words)}), shell.text("msg836"), sign::Warning,
                     buttons::CleanAlwaysCancel))
        return false;
    if (!box.answers().get(kTitle)) return false;
    if (box.answers().get(kDontAskAgain))
        for (const engine::CatalogueItem* item : asked) user_settings::save(kSettingsSection, item->name, "0");
    return true;
}

std::string cautious_item_variables() {
    std::vector<std::string> variables;
    for (const engine::CatalogueCategory& category : engine::cleaning_catalogue())
        for (const engine::CatalogueItem& item : category.items)
            if (!item.caution.empty()) variables.push_back(item.variable);
    return platform::text::join_bars(variables);
}

}  // namespace app
