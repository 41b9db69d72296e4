#include "app/cli/plugin_warnings.h"

#include <algorithm>

#include "app/settings/plugin_items.h"
#include "app/texts/fill_in.h"
#include "platform/machine/machine.h"
#include "platform/sys/terminal.h"
#include "platform/text/ascii_case.h"

namespace app::cli {

using platform::text::iequals;

namespace {

// "y", "yes", and the German "j", "ja": the question is asked in either language.
bool answered_yes(std::istream& in) {
    std::string answer;
    if (!std::getline(in, answer) || answer.empty()) return false;
    const char first = platform::text::ascii_upper(answer.front());
    return first == 'Y' || first == 'J';
}

}  // namespace

std::vector<std::string> after_warnings(const std::vector<std::string>& names, bool accepted, const Texts& texts,
                                        std::istream& in, std::ostream& err) {
    std::vector<std::string> kept = names;
    const bool person_asked =
        !accepted && platform::sys::input_is_terminal() && platform::sys::error_stream_is_terminal();
    auto plugins = new_plugins();
    auto& removals = platform::current_machine().removals();
    for (const engine::Plugin& plugin : plugins->Load_Extra_plugins()) {
        auto named = [&](const std::string& name) { return iequals(name, plugin.Name); };
        if (plugin.Warning.empty() || plugin.WarningSeen || std::none_of(kept.begin(), kept.end(), named)) continue;
        const std::string item = plugin_item_name(plugin.Name);
        bool going_on = accepted;
        if (person_asked) {
            err << item << ": " << fill_in(texts("msg728"), {plugin.Warning}) << " [y/N] " << std::flush;
            going_on = answered_yes(in);
        } else {
            err << "tavrinapp: " << fill_in(texts("msg770"), {item, plugin.Warning}) << "\n";
        }
        if (going_on) {
            plugins->WarningAccepted(plugin.Name);
            continue;
        }
        std::erase_if(kept, named);
        removals.set_group(item);
        removals.refuse(item, texts(person_asked ? "msg771" : "msg772"));
    }
    return kept;
}

}  // namespace app::cli
