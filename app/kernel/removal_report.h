#pragma once
// What a run removed, or a preview would remove, in words for the log window: the items one by
// one with their sizes, and the totals (files, folders, keys, values, entries, bytes) that both
// the preview and the completion line of the real run give.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/removals/removal_log.h"

namespace app {

// The text of a message key in the language of the moment.
using Texts = std::function<std::string(std::string_view message_key)>;

// "3 files": the message holds the singular and the plural ("file|files").
std::string counted(size_t count, std::string_view message_key, const Texts& texts);

// "0 B", "999 B", "1.5 KB", "12.3 MB", "2.0 GB": binary units, one decimal above bytes.
std::string human_size(uint64_t bytes);

struct RemovalTotals {
    size_t files = 0, folders = 0, keys = 0, values = 0;
    size_t entries = 0;  // URL cache and history entries, the clipboard
    uint64_t bytes = 0;
    bool operator==(const RemovalTotals&) const = default;
};
RemovalTotals totals_of(const std::vector<platform::Removed>& removed);

// "3 files, 1 key, 2 values, 1.2 KB": only the kinds there are, then the size; the message
// for nothing when there is nothing.
std::string totals_text(const RemovalTotals& totals, const Texts& texts);

// What a clean makes of a setting: changes from “before” to “after”, or is set to “after” where
// the setting was not there.
std::string change_text(const platform::Changed& change, const Texts& texts);
// totals_text, followed by the number of setting changes when there are any.
std::string totals_with_changes(const std::vector<platform::Removed>& removed, size_t changes, const Texts& texts);

// Per item (in the order the run came to them) a line with its totals, then its removals one a
// line with their sizes, then the settings it changes, each with what becomes of it.
std::vector<std::string> grouped_lines(const std::vector<platform::Removed>& removed, const Texts& texts,
                                       const std::vector<platform::Changed>& changed = {});

// The preview in log lines: the heading, the grouped lines, then the totals of the whole run.
// The heading names the run previewed: a clean unless `heading_key` says otherwise.
inline constexpr std::string_view kCleanPreviewHeading = "msg400";
inline constexpr std::string_view kShredPreviewHeading = "msg700";
std::vector<std::string> preview_lines(const std::vector<platform::Removed>& removed, const Texts& texts,
                                       const std::vector<platform::Changed>& changed = {},
                                       std::string_view heading_key = kCleanPreviewHeading);

// What the run kept because the user asked (the cookies of the keep-list): a heading and one
// line each, "  <item>: <path>"; nothing when it kept nothing.
std::vector<std::string> kept_lines(const std::vector<platform::Kept>& kept, const Texts& texts);

// The completion line of a run that removed `removed`: "All done: removed 3 files, 1.2 KB", or
// that nothing was removed; for a run the user cancelled, that it was cancelled, what it removed
// until then, and that the rest was left as it was.
std::string completion_text(const std::vector<platform::Removed>& removed, const Texts& texts, bool cancelled = false);

}  // namespace app
