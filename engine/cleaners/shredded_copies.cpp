#include "engine/cleaners/shredded_copies.h"

#include "engine/shredder/shredder.h"

namespace engine {

std::vector<bool> ShreddedCopies::dispose(std::span<const platform::fs::FolderFile> copies) {
    if (copies.empty()) return {};
    Shredder shredder;
    EventRelay shredded(shredder.ShowLog, show_log_);
    EventRelay kept(shredder.NotShredded, [this](std::string& failure) {
        failures_.push_back(failure);
        show_log_.raise(failure);
    });
    return shredder.ShredFiles(copies);
}

}  // namespace engine
