#include "app/cli/plugin_import.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli/exit_status.h"
#include "app/cli/chosen_items.h"
#include "app/cli/message_texts.h"
#include "app/texts/fill_in.h"
#include "app/settings/plugin_items.h"
#include "engine/foundation/engine_error.h"
#include "engine/plugins/rule_import.h"
#include "platform/json/json_string.h"

namespace app::cli {

using platform::json::json_string;

namespace {

// Ten times the largest rule file there is: anything longer is not one, and is not read whole.
constexpr std::uintmax_t kLargestRuleFile = 64u << 20;

std::string file_text(const std::string& host_file) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(host_file, error);
    if (error) throw CommandError("cannot read \"" + host_file + "\": " + error.message());
    if (size > kLargestRuleFile) throw CommandError("\"" + host_file + "\" is too large for a rule file");
    std::ifstream in(host_file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) throw CommandError("cannot read \"" + host_file + "\"");
    return text.str();
}

std::string names_json(const std::vector<std::string>& names) {
    std::string json = "[";
    for (size_t i = 0; i < names.size(); ++i) json += (i ? ", " : "") + json_string(names[i]);
    return json + "]";
}

void print_json(const engine::RuleImport& report, const std::vector<std::string>& kept_own, std::ostream& out) {
    out << "{\n  \"command\": \"plugins import\",\n  \"imported\": " << report.definitions.size() - kept_own.size()
        << ",\n  \"not_installed\": " << report.not_installed.size() << ",\n  \"refused\": [";
    for (size_t i = 0; i < report.refused.size(); ++i)
        out << (i ? ",\n    " : "\n    ") << "{\"name\": " << json_string(report.refused[i].name)
            << ", \"reason\": " << json_string(report.refused[i].reason) << "}";
    out << (report.refused.empty() ? "]" : "\n  ]") << ",\n  \"dropped\": [";
    for (size_t i = 0; i < report.dropped.size(); ++i)
        out << (i ? ",\n    " : "\n    ") << "{\"name\": " << json_string(report.dropped[i].name)
            << ", \"key\": " << json_string(report.dropped[i].key) << ", \"reason\": " << json_string(report.dropped[i].reason) << "}";
    std::vector<std::string> imported;
    for (const auto& plugin : report.definitions)
        if (std::find(kept_own.begin(), kept_own.end(), plugin.Name) == kept_own.end()) imported.push_back(plugin.Name);
    out << (report.dropped.empty() ? "]" : "\n  ]") << ",\n  \"kept_own\": " << names_json(kept_own)
        << ",\n  \"imported_names\": " << names_json(imported) << "\n}\n";
}

void print_words(const engine::RuleImport& report, const std::vector<std::string>& kept_own, std::ostream& out) {
    const Texts texts = message_texts();
    out << fill_in(texts("msg726"), {std::to_string(report.definitions.size() - kept_own.size()),
                                     std::to_string(report.not_installed.size()), std::to_string(report.refused.size())})
        << "\n";
    for (const auto& name : kept_own) out << fill_in(texts("msg884"), {name}) << "\n";
    for (const auto& refused : report.refused) out << fill_in(texts("msg885"), {refused.name, refused.reason}) << "\n";
    for (const auto& dropped : report.dropped)
        out << fill_in(texts("msg886"), {dropped.name, dropped.key, dropped.reason}) << "\n";
}

}  // namespace

int import_plugins(const std::string& host_file, bool all, bool json, std::ostream& out) {
    engine::RuleImport report;
    std::vector<std::string> kept_own;
    try {
        report = engine::read_rule_file(file_text(host_file), all);
        kept_own = new_plugins()->ImportPlugins(report.definitions);
    } catch (const engine::RuleFileError& error) {
        throw CommandError("\"" + host_file + "\" cannot be imported: " + error.what());
    } catch (const engine::EngineError& error) {
        throw CommandError(error.description());
    }
    if (json) print_json(report, kept_own, out);
    else print_words(report, kept_own, out);
    return exit_status::kSuccess;
}

}  // namespace app::cli
