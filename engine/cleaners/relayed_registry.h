#pragma once
// The registry work of one cleaner member: a fresh cRegistry whose deletions the member passes on
// as its own ShowLog while it works, with the few operations the cleaners need by name.
#include <cstdint>
#include <string>

#include "engine/foundation/cregistry.h"
#include "engine/foundation/event.h"

namespace engine {

class RelayedRegistry {
public:
    explicit RelayedRegistry(const Event<std::string>& show_log) : relay_(reg_.ShowLog, show_log) {}

    void write_text(ERegistryClassConstants root, const std::string& key, const std::string& name,
                    const std::string& text) {
        reg_.ValueEx(root, key, name, REG_SZ, Variant(), text);
    }
    void write_dword(ERegistryClassConstants root, const std::string& key, const std::string& name, int32_t number) {
        reg_.ValueEx(root, key, name, REG_DWORD, Variant(), number);
    }
    void delete_value(ERegistryClassConstants root, const std::string& key, const std::string& name) {
        reg_.ClassKey(root);
        reg_.SectionKey(key);
        reg_.ValueKey(name);
        reg_.DeleteValue();
    }
    // One key with its values; a key that still has subkeys stays.
    void delete_key(ERegistryClassConstants root, const std::string& key) {
        reg_.ClassKey(root);
        reg_.SectionKey(key);
        reg_.DeleteKey();
    }
    // "HKEY_...\key" with everything below it.
    void delete_tree(std::string path) { reg_.del_reg_sub(path); }

private:
    cRegistry reg_;
    EventRelay<std::string> relay_;
};

}  // namespace engine
