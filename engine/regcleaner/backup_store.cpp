#include "engine/regcleaner/backup_store.h"

#include <vector>

#include "platform/machine/machine.h"

namespace engine::regcleaner {

namespace {

using platform::registry::Root;
using platform::registry::Status;
namespace type = platform::registry::type;

platform::registry::Registry& registry() { return platform::current_machine().registry(); }

}  // namespace

std::optional<std::string> read_backup(const std::string& name) {
    platform::registry::Value stored;
    if (registry().query_value(Root::CurrentUser, kBackupKey, name, stored) != Status::Ok) return std::nullopt;
    if (stored.type != type::Sz && stored.type != type::ExpandSz) return std::nullopt;
    std::string text(stored.data.begin(), stored.data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

// Written as REG_SZ whatever it holds: a "%1" in a saved command line must not turn the whole
// backup into an expandable string that reads back changed.
bool write_backup(const std::string& name, const std::string& text) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    if (registry().create_key(Root::CurrentUser, kBackupKey) != Status::Ok) return false;
    if (registry().set_value(Root::CurrentUser, kBackupKey, name, type::Sz, data) != Status::Ok) return false;
    return read_backup(name) == text;
}

void delete_backup(const std::string& name) { registry().delete_value(Root::CurrentUser, kBackupKey, name); }

std::vector<std::string> backup_names() { return registry().value_names(Root::CurrentUser, kBackupKey); }

}  // namespace engine::regcleaner
