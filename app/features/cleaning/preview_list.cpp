#include "app/features/cleaning/preview_list.h"

#include <algorithm>
#include <string_view>

#include "app/texts/fill_in.h"
#include "engine/catalogue/cleaning_catalogue.h"

namespace app {

namespace {

using platform::Removed;
using platform::RemovedKind;

constexpr const char* kKeptWhy = "msg803";  // on the keep-list

std::string field(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (const char c : text) {
        if (c == '|') clean += "\xC2\xA6";
        else clean += c == '\t' ? ' ' : c;
    }
    return clean;
}

std::string row(std::initializer_list<std::string_view> fields) {
    std::string text;
    for (const std::string_view one : fields) text += (text.empty() ? "" : "\t") + field(one);
    return text;
}

bool has_size(RemovedKind kind) {
    return kind == RemovedKind::File || kind == RemovedKind::Key || kind == RemovedKind::Value;
}

}  // namespace

std::vector<std::string> preview_list(const DryRun& run, const Texts& texts) {
    std::vector<std::string> groups;
    const auto note = [&groups](const std::string& group) {
        if (std::find(groups.begin(), groups.end(), group) == groups.end()) groups.push_back(group);
    };
    for (const auto& one : run.removed) note(one.group);
    for (const auto& one : run.changed) note(one.group);
    for (const auto& one : run.kept) note(one.group);

    std::vector<std::string> rows;
    for (const std::string& group : groups) {
        std::vector<Removed> removed;
        std::copy_if(run.removed.begin(), run.removed.end(), std::back_inserter(removed),
                     [&](const Removed& one) { return one.group == group; });
        const auto changes = std::count_if(run.changed.begin(), run.changed.end(),
                                           [&](const platform::Changed& one) { return one.group == group; });
        const engine::CatalogueItem* item = engine::catalogue_item(group);
        rows.push_back(row({"item", item ? item->variable : "", group,
                            totals_with_changes(removed, static_cast<size_t>(changes), texts)}));
        for (const Removed& one : removed) rows.push_back(row({"file", one.path, has_size(one.kind) ? human_size(one.size) : ""}));
        for (const auto& one : run.changed) {
            if (one.group != group) continue;
            rows.push_back(row({"change", one.path, change_text(one, texts)}));
        }
        for (const auto& one : run.kept)
            if (one.group == group) rows.push_back(row({"kept", one.path, texts(kKeptWhy)}));
    }
    return rows;
}

std::string preview_total(const DryRun& run, const Texts& texts) {
    return fill_in(texts("msg407"), {totals_with_changes(run.removed, run.changed.size(), texts)});
}

}  // namespace app
