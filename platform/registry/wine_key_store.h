#pragma once
// A Wine hive file seen as a key store. It follows its slot rather than one Hive: a save that
// takes another program's changes puts a fresh Hive there.
#include <memory>

#include "platform/registry/hive.h"
#include "platform/registry/key_store.h"

namespace platform::registry {

class WineKeyStore final : public KeyStore {
public:
    explicit WineKeyStore(std::unique_ptr<Hive>& slot) : slot_(slot) {}

    Key* root() override { return key(hive().root()); }
    Key* parent(Key* of) override { return key(node(of)->parent); }
    std::string_view name(Key* of) override { return node(of)->name; }
    Key* child(Key* of, std::string_view child_name) override { return key(hive().child(node(of), child_name)); }
    size_t child_count(Key* of) override { return node(of)->children.size(); }
    Key* child_at(Key* of, size_t index) override { return key(node(of)->children[index]); }
    Key* add_child(Key* of, std::string_view child_name) override {
        return key(hive().add_child(node(of), child_name));
    }
    void remove_child(Key* of, Key* child_key) override { hive().remove_child(node(of), node(child_key)); }

    size_t value_count(Key* of) override { return hive().values(node(of)).size(); }
    ValueInfo value_at(Key* of, size_t index) override {
        const Hive::Entry& entry = hive().values(node(of))[index];
        return {hive().name(entry), entry.type};
    }
    std::optional<size_t> find_value(Key* of, std::string_view value_name) override {
        const Hive::Entry* entry = hive().value(node(of), value_name);
        if (!entry) return std::nullopt;
        return static_cast<size_t>(entry - hive().values(node(of)).data());
    }
    std::vector<uint8_t> value_data(Key* of, size_t index) override {
        return hive().data(hive().values(node(of))[index]);
    }
    void set_value(Key* of, std::string_view value_name, uint32_t value_type, std::span<const uint8_t> data) override {
        hive().set_value(node(of), value_name, value_type, data);
    }
    bool delete_value(Key* of, std::string_view value_name) override { return hive().delete_value(node(of), value_name); }

    bool dirty() const override { return slot_->dirty(); }

private:
    Hive& hive() { return *slot_; }
    static Key* key(Hive::Node* n) { return reinterpret_cast<Key*>(n); }
    static Hive::Node* node(Key* k) { return reinterpret_cast<Hive::Node*>(k); }

    std::unique_ptr<Hive>& slot_;
};

}  // namespace platform::registry
