#include "engine/regcleaner/registry_copy.h"

#include "platform/machine/machine.h"

namespace engine::regcleaner {

namespace {

using platform::registry::Root;
using platform::registry::Status;

platform::registry::Registry& registry() { return platform::current_machine().registry(); }

Root root_of(ERegistryClassConstants root) { return static_cast<Root>(root); }

}  // namespace

bool entry_in_registry(const RegistryEntry& entry) {
    if (entry.is_value()) {
        RegistryExport ignored;
        return copy_value(entry.root, entry.key_path, *entry.value_name, ignored);
    }
    return !entry.key_path.empty() && registry().key_exists(root_of(entry.root), entry.key_path);
}

bool copy_key_tree(ERegistryClassConstants root, const std::string& path, RegistryExport& out) {
    if (path.empty() || !registry().key_exists(root_of(root), path)) return false;
    ExportedKey key{root, path, {}};
    ExportedValue value;
    for (uint32_t index = 0;
         registry().enum_value(root_of(root), path, index, value.name, &value.value) == Status::Ok; ++index) {
        key.values.push_back(value);
    }
    out.push_back(std::move(key));
    for (const std::string& subkey : registry().subkey_names(root_of(root), path)) {
        copy_key_tree(root, path + "\\" + subkey, out);
    }
    return true;
}

bool copy_value(ERegistryClassConstants root, const std::string& path, const std::string& name, RegistryExport& out) {
    ExportedValue value{name, {}};
    if (registry().query_value(root_of(root), path, name, value.value) != Status::Ok) return false;
    out.push_back(ExportedKey{root, path, {std::move(value)}});
    return true;
}

bool write_export(const RegistryExport& keys) {
    for (const ExportedKey& key : keys) {
        if (registry().create_key(root_of(key.root), key.path) != Status::Ok) return false;
        for (const ExportedValue& value : key.values) {
            if (registry().set_value(root_of(key.root), key.path, value.name, value.value.type, value.value.data) !=
                Status::Ok)
                return false;
        }
    }
    return true;
}

}  // namespace engine::regcleaner
