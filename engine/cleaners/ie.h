#pragma once
// IE: removes the browser's traces (cache, cookies, history, typed URLs, downloads) and offers
// its privacy tools: hiding typed URLs, saved form passwords and favourites behind a backup,
// and showing them again.
#include <memory>
#include <string>
#include <vector>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"
#include "engine/foundation/records.h"
#include "platform/inet/url_cache.h"

namespace engine {

class cRegistry;

class IE : public EngineObject {
public:
    IE();
    ~IE() override;

    // Holds whatever a caller stores; no member uses it.
    std::shared_ptr<EngineObject> List() const { return list_; }
    void List(std::shared_ptr<EngineObject> value) { list_ = std::move(value); }

    // Source URLs of the cache entries joined by "||"; "" for an empty cache.
    std::string get_cache_list();
    // Shreds the cached copy, then deletes the entry. A copy that may not be shredded (outside
    // the machine folder) raises an error saying why, and the entry stays.
    void delete_cache_entry(const std::string& entry);
    // Deletes these entries as delete_cache_entry does each, in one pass over the cache, the copies
    // shredded several at a time. An entry whose copy cannot be shredded stays and ShowLog says
    // why; the others still go. The file system's error when the
    // cache's index cannot be written: then nothing goes.
    void delete_cache_entries(const std::vector<std::string>& entries);
    IE_type fill_IE_type();
    // Shreds the *.txt cookie files of the cookie folder and its subfolders, then removes every
    // record of the cookie index; errors are ignored. The result carries no information. Those of
    // the sites on the cookie keep-list stay, each noted as kept (ie_cookies.cpp).
    bool Remove_Cookies();
    void SetHomePage(const std::string& homepage);
    std::string GetHomePage();

    // Each typed URL / saved password is backed up (type and data) and the backup read back
    // before the original is deleted; one that cannot be backed up stays and is logged.
    void HideTypedUrls();
    void HidePasswords();
    // The typed URLs, then the times they were typed.
    void CleanTypedUrls();
    // Copy the backup back; the backup stays.
    void ShowTypedUrls();
    void Showpasswords();
    // Copies the favourites to "Backups\IEfav" of the program folder and shreds them only
    // when that copy is complete; otherwise they stay and the failure is logged.
    void HideFavorites();
    // Copies the backup back and consumes it once the copy is complete. Without a backup:
    // Error("No previous backup found").
    void ShowFavorites();
    void DisableAutoComplete();
    void EnableAutoComplete();
    void CleanHistory();
    // Shreds the contents of the download folder, which stays.
    void CleanDownloadDirectory();

    Event<> HideUrlsDone;
    Event<std::string> Error;
    // Every registry value or key deleted and every file shredded, as it happens.
    Event<std::string> ShowLog;

private:
    struct Location {
        ERegistryClassConstants root;
        const char* key;
    };
    // Copies every value of `from` to `to`; with move, each original goes once its copy is
    // verified.
    void copy_values(Location from, Location to, bool move);
    bool back_up_value(cRegistry& from, cRegistry& to, const std::string& name);
    void shred_folder(const std::string& folder, bool delete_contents_only, const std::string& extension);
    void report_backup_failure(const std::string& what);
    platform::inet::UrlCache& cache();

    std::shared_ptr<EngineObject> list_;
    // The cache as last listed, so deleting its entries one by one does not read it again.
    std::unique_ptr<platform::inet::UrlCache> cache_;
};

// The cache as one step of a run: get_cache_list once, then every listed entry deleted. One entry
// that cannot be deleted leaves the others to go; errors are ignored, as in every step.
void delete_cache_entries(IE& ie);

}  // namespace engine
