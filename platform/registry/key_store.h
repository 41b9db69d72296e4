#pragma once
// What the registry asks of one hive, whatever file it lives in (Wine's text files or Windows'
// binary hives): a tree of keys whose children are in case-insensitive order, and values with
// their names, types and data in stored form (strings as UTF-16LE). Names cross it as UTF-8.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace platform::registry {

class KeyStore {
public:
    struct Key;  // each store's own key type, only passed back to the store that handed it out
    struct ValueInfo {
        std::string_view name;
        uint32_t type = 0;
    };

    virtual ~KeyStore() = default;

    virtual Key* root() = 0;
    virtual Key* parent(Key* key) = 0;  // nullptr for the root
    virtual std::string_view name(Key* key) = 0;
    virtual Key* child(Key* parent, std::string_view name) = 0;  // any case; nullptr when missing
    virtual size_t child_count(Key* key) = 0;
    virtual Key* child_at(Key* key, size_t index) = 0;
    virtual Key* add_child(Key* parent, std::string_view name) = 0;
    virtual void remove_child(Key* parent, Key* child) = 0;  // child must have no children

    virtual size_t value_count(Key* key) = 0;
    virtual ValueInfo value_at(Key* key, size_t index) = 0;
    virtual std::optional<size_t> find_value(Key* key, std::string_view name) = 0;
    virtual std::vector<uint8_t> value_data(Key* key, size_t index) = 0;
    // Setting a value to what it holds changes nothing, so it leaves the hive unsaved.
    virtual void set_value(Key* key, std::string_view name, uint32_t type, std::span<const uint8_t> data) = 0;
    virtual bool delete_value(Key* key, std::string_view name) = 0;

    virtual bool dirty() const = 0;
};

}  // namespace platform::registry
