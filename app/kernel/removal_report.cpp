#include "app/kernel/removal_report.h"

#include <algorithm>
#include <cstdio>

#include "app/texts/fill_in.h"

namespace app {

namespace {

using platform::Removed;
using platform::RemovedKind;

std::string item_line(const Removed& removed) {
    const bool has_size = removed.kind != RemovedKind::CacheEntry && removed.kind != RemovedKind::HistoryEntry &&
                          removed.kind != RemovedKind::Clipboard && removed.kind != RemovedKind::Folder &&
                          removed.kind != RemovedKind::Record;
    return "    " + removed.path + (has_size ? "  (" + human_size(removed.size) + ")" : "");
}

}  // namespace

std::string counted(size_t count, std::string_view message_key, const Texts& texts) {
    const std::string words = texts(message_key);
    const size_t bar = words.find('|');
    const std::string word = bar == std::string::npos ? words : count == 1 ? words.substr(0, bar) : words.substr(bar + 1);
    return std::to_string(count) + " " + word;
}

std::string human_size(uint64_t bytes) {
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024) return std::to_string(bytes) + " B";
    double value = static_cast<double>(bytes) / 1024.0;
    size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

RemovalTotals totals_of(const std::vector<Removed>& removed) {
    RemovalTotals totals;
    for (const auto& one : removed) {
        switch (one.kind) {
        case RemovedKind::File: ++totals.files; break;
        case RemovedKind::Folder: ++totals.folders; break;
        case RemovedKind::Key: ++totals.keys; break;
        case RemovedKind::Value: ++totals.values; break;
        case RemovedKind::CacheEntry:
        case RemovedKind::HistoryEntry:
        case RemovedKind::Clipboard:
        case RemovedKind::Record: ++totals.entries; break;
        }
        totals.bytes += one.size;
    }
    return totals;
}

std::string totals_text(const RemovalTotals& totals, const Texts& texts) {
    if (totals == RemovalTotals{}) return texts("msg401");
    std::string text;
    const std::pair<size_t, const char*> kinds[] = {{totals.files, "msg402"},
                                                    {totals.folders, "msg403"},
                                                    {totals.keys, "msg404"},
                                                    {totals.values, "msg405"},
                                                    {totals.entries, "msg406"}};
    for (const auto& [count, key] : kinds)
        if (count) text += counted(count, key, texts) + ", ";
    return text + human_size(totals.bytes);
}

std::string change_text(const platform::Changed& change, const Texts& texts) {
    return change.before.empty() ? fill_in(texts("msg802"), {change.after})
                                 : fill_in(texts("msg801"), {change.before, change.after});
}

std::string totals_with_changes(const std::vector<Removed>& removed, size_t changes, const Texts& texts) {
    if (!changes) return totals_text(totals_of(removed), texts);
    const std::string changed = counted(changes, "msg800", texts);
    return removed.empty() ? changed : totals_text(totals_of(removed), texts) + ", " + changed;
}

std::vector<std::string> grouped_lines(const std::vector<Removed>& removed, const Texts& texts,
                                       const std::vector<platform::Changed>& changed) {
    // The items in the order the run came to them, each with its removals and changes in their order.
    struct Item {
        std::string name;
        std::vector<Removed> removed;
        std::vector<platform::Changed> changed;
    };
    std::vector<Item> items;
    const auto item_named = [&items](const std::string& name) -> Item& {
        auto item = std::find_if(items.begin(), items.end(), [&](const Item& known) { return known.name == name; });
        return item == items.end() ? items.emplace_back(Item{name, {}, {}}) : *item;
    };
    for (const auto& one : removed) item_named(one.group).removed.push_back(one);
    for (const auto& one : changed) item_named(one.group).changed.push_back(one);
    std::vector<std::string> lines;
    for (const auto& item : items) {
        lines.push_back((item.name.empty() ? std::string() : item.name + ": ") +
                        totals_with_changes(item.removed, item.changed.size(), texts));
        for (const auto& one : item.removed) lines.push_back(item_line(one));
        for (const auto& one : item.changed) lines.push_back("    " + one.path + ": " + change_text(one, texts));
    }
    return lines;
}

std::vector<std::string> preview_lines(const std::vector<Removed>& removed, const Texts& texts,
                                       const std::vector<platform::Changed>& changed, std::string_view heading_key) {
    std::vector<std::string> lines{texts(heading_key)};
    for (auto& line : grouped_lines(removed, texts, changed)) lines.push_back(std::move(line));
    lines.push_back(fill_in(texts("msg407"), {totals_with_changes(removed, changed.size(), texts)}));
    return lines;
}

std::vector<std::string> kept_lines(const std::vector<platform::Kept>& kept, const Texts& texts) {
    if (kept.empty()) return {};
    std::vector<std::string> lines{texts("msg681") + ":"};
    for (const auto& one : kept) lines.push_back("  " + (one.group.empty() ? "" : one.group + ": ") + one.path);
    return lines;
}

std::string completion_text(const std::vector<Removed>& removed, const Texts& texts, bool cancelled) {
    const std::string outcome = texts(cancelled ? "msg864" : "msg4");
    const std::string done = removed.empty() ? fill_in(texts("msg866"), {outcome})
                                             : fill_in(texts("msg408"), {outcome, totals_text(totals_of(removed), texts)});
    return cancelled ? fill_in(texts("msg865"), {done}) : done;
}

}  // namespace app
