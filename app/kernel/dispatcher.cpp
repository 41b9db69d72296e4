#include "app/kernel/dispatcher.h"

#include <stdexcept>

#include "platform/text/ascii_case.h"
#include "platform/text/trim.h"

namespace app {

using platform::text::to_upper;
using platform::text::trim_blanks;

std::string Dispatcher::key_of(std::string_view command) {
    return to_upper(trim_blanks(command));
}

void Dispatcher::add(std::string_view name, Row row, Changes changes) {
    auto key = key_of(name);
    if (!rows_.emplace(key, Entry{std::move(row), changes}).second)
        throw std::logic_error("two command rows claim " + key);
}

bool Dispatcher::has(std::string_view name) const {
    return rows_.contains(key_of(name));
}

std::vector<std::string> Dispatcher::names() const {
    std::vector<std::string> keys;
    for (const auto& [key, entry] : rows_) keys.push_back(key);
    return keys;
}

bool Dispatcher::dispatch(std::string_view command, const std::string& args) const {
    auto found = rows_.find(key_of(command));
    if (found == rows_.end()) return false;
    const Entry& entry = found->second;
    if (entry.changes == Changes::Machine && gate_ && !gate_()) return true;
    entry.row(args);
    return true;
}

}  // namespace app
