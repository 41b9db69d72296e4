#include "app/features/cleaning/preview_list.h"

#include <algorithm>
#include <string_view>

#include "app/texts/fill_in.h"
#include "engine/catalogue/cleaning_catalogue.h"

namespace app {

namespace {

using platform::Removed;
using platform::RemovedKind;

constexpr const char* kChangesWord = "msg800";   // "change|changes"
constexpr const char* kChangeFromTo = "msg801";  // from "%1" to "%2"
constexpr const char* kChangeNew = "msg802";     // set to "%1" (the setting was not there)
constexpr const char* kKeptWhy = "msg803";       // on the keep-list

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

std::string totals(const std::vector<Removed>& removed, size_t changes, const Texts& texts) {
    if (!changes) return totals_text(totals_of(removed), texts);
    const std::string changed = counted(changes, kChangesWord, texts);
    return removed.empty() ? changed : totals_text(totals_of(removed), texts) + ", " + changed;
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
                            totals(removed, static_cast<size_t>(changes), texts)}));
        for (const Removed& one : removed) rows.push_back(row({"file", one.path, has_size(one.kind) ? human_size(one.size) : ""}));
        for (const auto& one : run.changed) {
            if (one.group != group) continue;
            const std::string what = one.before.empty() ? fill_in(texts(kChangeNew), {one.after})
                                                        : fill_in(texts(kChangeFromTo), {one.before, one.after});
            rows.push_back(row({"change", one.path, what}));
        }
        for (const auto& one : run.kept)
            if (one.group == group) rows.push_back(row({"kept", one.path, texts(kKeptWhy)}));
    }
    return rows;
}

std::string preview_total(const DryRun& run, const Texts& texts) {
    return fill_in(texts("msg407"), {totals(run.removed, run.changed.size(), texts)});
}

}  // namespace app
