// Plugins::clean_rules: the rule form's FileKeys, less what its ExcludeKeys keep, then its RegKeys.
// Files go through the shredder and folders only once they are empty, so that a preview (a dry
// run of the same walk) lists exactly what the clean removes.
#include <algorithm>

#include "engine/foundation/cregistry.h"
#include "engine/plugins/entry_guard.h"
#include "engine/plugins/plugins.h"
#include "engine/plugins/rule_folders.h"
#include "engine/plugins/rule_keys.h"
#include "engine/plugins/rule_variables.h"
#include "engine/shredder/shredder.h"
#include "platform/fs/fs.h"
#include "platform/machine/machine.h"

namespace engine {

namespace {

namespace pfs = platform::fs;

bool matches_any(const std::vector<std::string>& masks, std::string_view name) {
    return std::any_of(masks.begin(), masks.end(), [&](const std::string& mask) { return pfs::wildcard_match(mask, name); });
}

// "*" and "*.*" take every file: no mask narrows what goes.
bool narrowed(const std::vector<std::string>& masks) {
    return std::none_of(masks.begin(), masks.end(), [](const std::string& mask) { return mask == "*" || mask == "*.*"; });
}

// The exclusions of one plug-in with their variables expanded.
struct Exclusions {
    std::vector<Exclusion> files;  // File and Path kinds, one per expanded folder
    std::vector<RegistryEntry> keys;
    bool files_usable = true, keys_usable = true;

    Exclusions(const std::vector<std::string>& texts, const RuleVariables& variables) {
        for (const std::string& text : texts) {
            ParsedKey<Exclusion> parsed = parse_exclusion(text);
            const bool registry = parsed.key && parsed.key->kind == Exclusion::Kind::Registry;
            if (!parsed.key) {
                // Not knowing which kind it meant, nothing that it might keep runs.
                files_usable = keys_usable = false;
            } else if (registry) {
                keys.push_back(parsed.key->registry);
            } else {
                const ExpandedPath expanded = variables.expand(parsed.key->folder);
                files_usable = files_usable && expanded.unusable.empty();
                for (const std::string& folder : expanded.paths) {
                    Exclusion one = *parsed.key;
                    one.folder = folder;
                    files.push_back(std::move(one));
                }
            }
        }
    }

    bool keeps_file(const std::string& folder, std::string_view name) const {
        return std::any_of(files.begin(), files.end(), [&](const Exclusion& exclusion) {
            const bool below = exclusion.kind == Exclusion::Kind::Path;
            return folder_matches(exclusion.folder, folder, below) &&
                   (exclusion.masks.empty() || matches_any(exclusion.masks, name));
        });
    }

    // Deleting the entry would take a kept key or value with it.
    bool keeps_part_of(const RegistryEntry& entry) const {
        return std::any_of(keys.begin(), keys.end(), [&](const RegistryEntry& kept) {
            if (kept.root != entry.root) return false;
            if (entry.value) return kept.value && pfs::same_file_name(kept.key, entry.key) && *kept.value == *entry.value;
            return folder_matches(entry.key, kept.key, true);
        });
    }
};

// The files a rule takes below one folder are shredded in one batch, made durable with one flush
// before any is deleted, as the shredder's own folder walk does; a flush per file would cost the
// device a cache flush each. Folders go afterwards, deepest first, once empty.
class FolderWalk {
public:
    FolderWalk(const FileRule& rule, const Exclusions& exclusions, RuleFolders& folders, Shredder& shredder)
        : rule_(rule),
          exclusions_(exclusions),
          folders_(folders),
          shredder_(shredder),
          files_(platform::current_machine().files()) {}

    void clean(const std::string& folder) {
        std::vector<pfs::FolderFile> chosen;
        std::vector<std::string> emptied;  // deepest first
        choose(folder, chosen, emptied);
        if (!chosen.empty()) shredder_.ShredFiles(chosen);
        for (const std::string& path : emptied) {
            if (!empty(path)) continue;
            try {
                files_.remove_directory(path);
                folders_.forget();
            } catch (const pfs::FsError&) {
                // A folder that cannot go (read-only, in use) stays, with nothing left in it.
            }
        }
    }

private:
    void choose(const std::string& folder, std::vector<pfs::FolderFile>& chosen, std::vector<std::string>& emptied) {
        std::shared_ptr<pfs::Folder> opened;
        for (const pfs::ListedEntry& entry : files_.listed_entries(folder)) {
            const std::string path = folder + "\\" + entry.name;
            if (entry.folder) {
                if (rule_.recurse || rule_.remove_self) choose(path, chosen, emptied);
            } else if (entry.link && files_.is_directory(path)) {
                // A link to a folder is never followed: it may lead anywhere.
            } else if (matches_any(rule_.masks, entry.name) && !exclusions_.keeps_file(folder, entry.name)) {
                if (!opened) opened = open(folder);
                if (opened) chosen.push_back({opened, entry.name, path});
            }
        }
        if (rule_.remove_self) emptied.push_back(folder);
    }

    std::shared_ptr<pfs::Folder> open(const std::string& folder) {
        try {
            if (auto opened = files_.open_folder(folder)) return std::make_shared<pfs::Folder>(std::move(*opened));
        } catch (const pfs::FsError&) {
            // Listed a moment ago and gone now: nothing of it to shred.
        }
        return nullptr;
    }

    bool empty(const std::string& folder) const { return files_.listed_entries(folder).empty(); }

    const FileRule& rule_;
    const Exclusions& exclusions_;
    RuleFolders& folders_;
    Shredder& shredder_;
    pfs::FileSystem& files_;
};

}  // namespace

void Plugins::clean_rules(const Plugin& P, const EntryGuard& guard, const RuleVariables& variables,
                          RuleFolders& folders, Shredder& shredder, cRegistry& registry) {
    if (P.FileKeys.empty() && P.RegKeys.empty()) return;
    const Exclusions exclusions(P.ExcludeKeys, variables);

    for (const std::string& text : P.FileKeys) {
        const ParsedKey<FileRule> rule = parse_file_rule(text);
        if (refused(P, text, rule.key ? EntryRefusal::None : EntryRefusal::Unusable)) continue;
        if (refused(P, text, exclusions.files_usable ? EntryRefusal::None : EntryRefusal::ExclusionUnusable)) continue;
        const ExpandedPath expanded = variables.expand(rule.key->folder);
        if (refused(P, text, expanded.unusable.empty() ? EntryRefusal::None : EntryRefusal::UnknownVariable)) continue;
        const bool subfolders = rule.key->recurse || rule.key->remove_self;
        FolderWalk walk(*rule.key, exclusions, folders, shredder);
        for (const std::string& pattern : expanded.paths) {
            for (const std::string& folder : folders.matching(pattern)) {
                if (!refused(P, folder, guard.check_rule_folder(folder, subfolders, narrowed(rule.key->masks))))
                    walk.clean(folder);
            }
        }
    }
    for (const std::string& text : P.RegKeys) {
        const ParsedKey<RegistryEntry> entry = parse_rule_registry(text);
        if (refused(P, text, entry.key ? EntryRefusal::None : EntryRefusal::Unusable)) continue;
        if (refused(P, text, exclusions.keys_usable ? EntryRefusal::None : EntryRefusal::ExclusionUnusable)) continue;
        if (refused(P, text, exclusions.keeps_part_of(*entry.key) ? EntryRefusal::HoldsExclusion : EntryRefusal::None))
            continue;
        if (!refused(P, text, guard.check_registry(text, *entry.key))) delete_registry_entry(registry, *entry.key);
    }
}

}  // namespace engine
