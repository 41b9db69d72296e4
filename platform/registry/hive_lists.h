#pragma once
// A hive's lists of subkeys and values, kept in Wine's order (names compared without case), so
// that lookups can bisect; a hand-edited file may leave a list unsorted, which is then searched
// through.
#include <algorithm>
#include <string_view>

#include "platform/registry/hive.h"
#include "platform/registry/unicode.h"

namespace platform::registry::hive_lists {

inline std::string_view node_name(const Hive::Node* node) { return node->name; }

// Where a name goes in a list kept in Wine's order; an unsorted list (from a hand-edited file)
// gets it before the first entry that sorts after it.
template <class List, class NameOf>
size_t sorted_place(const List& list, bool sorted, std::string_view name, NameOf name_of) {
    if (sorted) {
        const auto it = std::lower_bound(list.begin(), list.end(), name, [&](const auto& item, std::string_view n) {
            return compare_names(name_of(item), n) < 0;
        });
        return static_cast<size_t>(it - list.begin());
    }
    for (size_t i = 0; i < list.size(); ++i)
        if (compare_names(name_of(list[i]), name) > 0) return i;
    return list.size();
}

template <class List, class NameOf>
size_t find_name(const List& list, bool sorted, std::string_view name, NameOf name_of) {
    if (sorted) {
        const size_t i = sorted_place(list, true, name, name_of);
        return i < list.size() && names_equal(name_of(list[i]), name) ? i : std::string_view::npos;
    }
    for (size_t i = 0; i < list.size(); ++i)
        if (names_equal(name_of(list[i]), name)) return i;
    return std::string_view::npos;
}

// Looks a name up in a list being loaded, to which the caller appends when it is not there.
// Names normally arrive in order, so the last entry is checked first; a name that arrives out
// of order is appended all the same (the file's order is kept) and the list is unsorted now.
template <class List, class NameOf>
size_t find_loaded(const List& list, bool& sorted, std::string_view name, NameOf name_of) {
    if (list.empty()) return std::string_view::npos;
    const int order = compare_names(name_of(list.back()), name);
    if (order == 0) return list.size() - 1;
    if (order < 0 && sorted) return std::string_view::npos;
    const size_t found = find_name(list, sorted, name, name_of);
    if (found == std::string_view::npos) sorted = false;
    return found;
}

}  // namespace platform::registry::hive_lists
