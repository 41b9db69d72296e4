// The cache row of a cleaning run: every entry the cache lists, deleted.
#include <string>
#include <vector>

#include "engine/cleaners/ie.h"
#include "engine/foundation/engine_error.h"

namespace engine {

namespace {

std::vector<std::string> split_cache_list(const std::string& list) {
    std::vector<std::string> entries;
    if (list.empty()) return entries;
    size_t start = 0;
    for (size_t at; (at = list.find("||", start)) != std::string::npos; start = at + 2)
        entries.push_back(list.substr(start, at - start));
    entries.push_back(list.substr(start));
    return entries;
}

}  // namespace

void delete_cache_entries(IE& ie) {
    ignore_errors([&] { ie.delete_cache_entries(split_cache_list(ie.get_cache_list())); });
}

}  // namespace engine
