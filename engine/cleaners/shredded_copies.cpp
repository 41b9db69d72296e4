#include "engine/cleaners/shredded_copies.h"

#include "engine/shredder/shredder.h"
#include "platform/machine/machine.h"
#include "platform/removals/removal_log.h"

namespace engine {

std::vector<bool> ShreddedCopies::dispose(std::span<const platform::fs::FolderFile> copies) {
    if (copies.empty()) return {};
    const auto stays = [this](std::string failure) {
        failures_.push_back(failure);
        show_log_.raise(failure);
    };
    // A preview lists what goes, which the deletes record; the overwrite before each would only
    // be pretended, at several times the cost of the listing.
    if (platform::current_machine().files().removals().dry_run())
        return platform::inet::DeletedCopies([&](const platform::fs::FsError& error) { stays(error.what()); }).dispose(copies);
    Shredder shredder;
    EventRelay shredded(shredder.ShowLog, show_log_);
    EventRelay kept(shredder.NotShredded, [&](std::string& failure) { stays(failure); });
    return shredder.ShredFiles(copies);
}

}  // namespace engine
