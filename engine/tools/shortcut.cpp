#include "engine/tools/shortcut.h"

#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/shredder/file_search.h"
#include "engine/shredder/path_pieces.h"
#include "platform/machine/machine.h"
#include "platform/shell/shell_link.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::to_upper;

TAVRIN_ENGINE_CLASS(Shortcut, "{A3F06B1D-84C2-4E95-8D7A-1F2E6C90B573}");

namespace {

// The shell's own answer to a file it cannot load as a shortcut.
constexpr int32_t kUnspecifiedFailure = static_cast<int32_t>(0x80004005u);
constexpr int32_t kPathFileAccessError = 75;

bool is_volume_information(const std::string& folder) {
    return to_upper(folder).find("SYSTEM VOLUME INFORMATION") != std::string::npos;
}

void report_unreadable(int32_t number, const std::string& description) {
    show_engine_message(description + "\n" + "GetShortcutTarget", "Error: " + std::to_string(number));
}

int32_t error_number(const platform::fs::FsError& error) {
    namespace code = platform::fs::error;
    return error.code() == code::FileNotFound || error.code() == code::PathNotFound ? errors::kFileNotFound
                                                                                     : kPathFileAccessError;
}

}  // namespace

std::string Shortcut::StripNulls(std::string& OriginalStr) const {
    OriginalStr = cut_at_nul(OriginalStr);
    return OriginalStr;
}

Variant Shortcut::FindShortCuts(const std::string& path, const std::string& SearchStr, int64_t& FileCount,
                                int64_t& DirCount, std::string& result) {
    const FileSearch search{
        .enters = [](const std::string& folder) { return !is_volume_information(folder); },
        .counts_folder = [&] { DirCount += 1; },
        .reports_match =
            [&](const std::string& match, const platform::fs::FindData&) {
                FileCount += 1;
                result += ",";
                result += match;
            },
    };
    return static_cast<double>(search_files(platform::current_machine().files(), path, SearchStr, search));
}

std::string Shortcut::GetDeadShortcuts(const std::string& strShortcut) {
    try {
        return platform::shell::shell_link_target(platform::current_machine().files().read_text(strShortcut));
    } catch (const platform::fs::FsError& error) {
        report_unreadable(error_number(error), error.what());
    } catch (const platform::shell::ShellLinkError& error) {
        report_unreadable(kUnspecifiedFailure, error.what());
    }
    return "";
}

}  // namespace engine
