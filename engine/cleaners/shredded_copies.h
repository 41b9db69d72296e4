#pragma once
// The copies a browser's index names (cached pages, cookie files), shredded as a cleaner's other
// files are: each announced as the cleaner's ShowLog, and each that has to stay said there too.
#include <span>
#include <string>
#include <vector>

#include "engine/foundation/event.h"
#include "platform/inet/copy_disposal.h"

namespace engine {

class ShreddedCopies final : public platform::inet::CopyDisposal {
public:
    explicit ShreddedCopies(Event<std::string>& show_log) : show_log_(show_log) {}

    std::vector<bool> dispose(std::span<const platform::fs::FolderFile> copies) override;
    // Why copies stayed, one text each, in the order they were met.
    const std::vector<std::string>& failures() const { return failures_; }

private:
    Event<std::string>& show_log_;
    std::vector<std::string> failures_;
};

}  // namespace engine
