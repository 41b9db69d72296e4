#include "tests/unit/support/regf_template.h"

#include <gtest/gtest.h>
#include <hivex.h>

#include <cstdlib>
#include <memory>

namespace tavrin_test {
namespace {

struct CloseHive {
    void operator()(hive_h* hive) const { hivex_close(hive); }
};

}  // namespace

std::vector<uint8_t> regf_string(std::string_view ascii) {
    std::vector<uint8_t> stored;
    for (const char c : ascii) stored.insert(stored.end(), {static_cast<uint8_t>(c), 0});
    stored.insert(stored.end(), {0, 0});
    return stored;
}

bool make_regf_hive(const std::filesystem::path& template_hive, const std::filesystem::path& out,
                    const std::vector<RegfKey>& keys) {
    std::unique_ptr<hive_h, CloseHive> hive(hivex_open(template_hive.c_str(), HIVEX_OPEN_WRITE));
    if (!hive) {
        ADD_FAILURE() << "hivex cannot open " << template_hive;
        return false;
    }
    const hive_node_h root = hivex_root(hive.get());
    std::unique_ptr<hive_node_h, decltype(&std::free)> children(hivex_node_children(hive.get(), root), &std::free);
    for (const hive_node_h* child = children.get(); child && *child; ++child) hivex_node_delete_child(hive.get(), *child);
    hivex_node_set_values(hive.get(), root, 0, nullptr, 0);
    for (const RegfKey& key : keys) {
        hive_node_h node = root;
        for (size_t begin = 0; begin <= key.path.size();) {
            const size_t end = std::min(key.path.find('\\', begin), key.path.size());
            const std::string part = key.path.substr(begin, end - begin);
            begin = end + 1;
            if (part.empty()) continue;
            hive_node_h next = hivex_node_get_child(hive.get(), node, part.c_str());
            if (!next) next = hivex_node_add_child(hive.get(), node, part.c_str());
            if (!next) {
                ADD_FAILURE() << "hivex cannot add key " << key.path;
                return false;
            }
            node = next;
        }
        std::vector<hive_set_value> values;
        for (const RegfValue& value : key.values)
            values.push_back({const_cast<char*>(value.name.c_str()), static_cast<hive_type>(value.type), value.data.size(),
                              reinterpret_cast<char*>(const_cast<uint8_t*>(value.data.data()))});
        if (!values.empty() && hivex_node_set_values(hive.get(), node, values.size(), values.data(), 0) != 0) {
            ADD_FAILURE() << "hivex cannot set the values of " << key.path;
            return false;
        }
    }
    if (hivex_commit(hive.get(), out.c_str(), 0) != 0) {
        ADD_FAILURE() << "hivex cannot write " << out;
        return false;
    }
    return true;
}

}  // namespace tavrin_test
