// The cookies row of Internet Explorer: the cookie files and the records of the cookie index,
// but those of the sites on the cookie keep-list.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "engine/cleaners/cleanable_folder.h"
#include "engine/cleaners/ie.h"
#include "engine/cleaners/kept_cookie_sites.h"
#include "engine/cleaners/shredded_copies.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/engine_error.h"
#include "engine/shredder/path_pieces.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/machine.h"
#include "platform/text/ascii_case.h"

namespace engine {

namespace {

using platform::inet::IndexRecord;
using platform::text::to_lower;

constexpr const char* kSource = "Tavrin.IE";

// The host of "Cookie:user@example.com/path" or of a cookie file named "user@example.com[1].txt";
// "" when there is none.
std::string cookie_host(std::string_view name) {
    const size_t at = name.find('@');
    if (at == std::string_view::npos) return {};
    name.remove_prefix(at + 1);
    return std::string(name.substr(0, name.find_first_of("/[")));
}

bool is_cookie_file(std::string_view name) { return name.size() > 4 && to_lower(name.substr(name.size() - 4)) == ".txt"; }

// The cookie files below `folder` (subfolders too) whose site is not kept. A file the index
// names is kept with its record (removing the record removes its file), by the record's host;
// a file the index does not know, by the site in its name.
void shred_unkept_files(Event<std::string>& show_log, const std::string& folder, const CookieKeepList& keep,
                        const std::map<std::string, bool>& indexed_files) {
    namespace attr = platform::fs::attr;
    for (const auto& entry : platform::current_machine().files().find(join_path(folder, "*"))) {
        if (entry.name == "." || entry.name == "..") continue;
        const std::string path = join_path(folder, entry.name);
        if (entry.attributes & attr::Directory) {
            if (!(entry.attributes & attr::ReparsePoint)) shred_unkept_files(show_log, path, keep, indexed_files);
            continue;
        }
        if (!is_cookie_file(entry.name)) continue;
        const auto indexed = indexed_files.find(to_lower(path));
        if (indexed == indexed_files.end() ? keep.keeps(cookie_host(entry.name)) : indexed->second) {
            note_kept_cookie(show_log, path);
        } else {
            ignore_errors([&] { shred_file(show_log, kSource, path); });
        }
    }
}

}  // namespace

bool IE::Remove_Cookies() {
    CookieKeepList keep;
    ignore_errors([&] { keep = cookie_keep_list_in_force(); });
    IE_type folders;
    ignore_errors([&] { folders = fill_IE_type(); });
    auto& machine = platform::current_machine();
    std::optional<platform::inet::UrlContainer> index = [&]() -> std::optional<platform::inet::UrlContainer> {
        try {
            return platform::inet::user_cookie_index(machine);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }();
    if (keep.empty()) {
        ignore_errors([&] { shred_folder(folders.CookiesDir, true, "txt"); });
    } else {
        std::map<std::string, bool> indexed_files;  // lower-cased path: kept
        ignore_errors([&] {
            if (index && index->index())
                for (const IndexRecord& record : index->index()->records())
                    indexed_files[to_lower(index->copy_path(record))] |= keep.keeps(cookie_host(record.url));
        });
        // The folder is walked file by file here: held to the rule a folder shred is held to first.
        if (may_clean_folder(folders.CookiesDir))
            ignore_errors([&] { shred_unkept_files(ShowLog, folders.CookiesDir, keep, indexed_files); });
    }
    // The index names every site that set a cookie: its records go with the files.
    ignore_errors([&] {
        if (!index) return;
        ShreddedCopies copies(ShowLog);
        index->remove_if(
            [&](const IndexRecord& record) {
                if (!keep.keeps(cookie_host(record.url))) return true;
                note_kept_cookie(ShowLog, record.url);
                return false;
            },
            copies,
            [&](const IndexRecord& record) { machine.removals().record(platform::RemovedKind::CacheEntry, record.url, 0); });
    });
    return false;
}

}  // namespace engine
