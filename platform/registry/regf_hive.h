#pragma once
// One binary registry hive file of a Windows installation (SOFTWARE, NTUSER.DAT, ...), read and
// changed through hivex. A hive can be tens of megabytes of which a clean reads a few keys, so
// nothing is read at load: a key's subkeys and values are read from the file the first time they
// are asked for, and changes are kept here until a save applies them to a copy of the file.
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/hive_file.h"
#include "platform/registry/key_store.h"

typedef struct hive_h hive_h;

namespace platform::registry {

class RegfCellReader;
class RegfCells;

class RegfHive final : public KeyStore {
public:
    // Opens the file for reading. Throws HiveError naming it when it is no hive hivex can read;
    // a hive Windows did not close cleanly opens with a read_only_reason.
    explicit RegfHive(std::filesystem::path file);
    ~RegfHive() override;
    RegfHive(const RegfHive&) = delete;
    RegfHive& operator=(const RegfHive&) = delete;

    const std::filesystem::path& file() const { return file_; }
    // Why this hive must not be changed on disk ("" when it may be), naming the file.
    const std::string& read_only_reason() const { return read_only_reason_; }

    // Applies the changes to a copy of the file, overwrites every free cell of the copy with
    // zeros (removed names and data do not stay in it), syncs it and renames it over the file;
    // then reads the file afresh. Changes that need no new cell (what a clean makes) are made in
    // the copy's cells; others go through hivex. Does nothing when nothing changed. Throws
    // HiveError when the hive is read-only, the file changed since it was read, or a step fails;
    // the file is then as it was and the changes stay pending.
    void save();

    Key* root() override;
    Key* parent(Key* key) override;
    std::string_view name(Key* key) override;
    Key* child(Key* parent, std::string_view name) override;
    size_t child_count(Key* key) override;
    Key* child_at(Key* key, size_t index) override;
    Key* add_child(Key* parent, std::string_view name) override;
    void remove_child(Key* parent, Key* child) override;
    size_t value_count(Key* key) override;
    ValueInfo value_at(Key* key, size_t index) override;
    std::optional<size_t> find_value(Key* key, std::string_view name) override;
    std::vector<uint8_t> value_data(Key* key, size_t index) override;
    void set_value(Key* key, std::string_view name, uint32_t type, std::span<const uint8_t> data) override;
    bool delete_value(Key* key, std::string_view name) override;
    bool dirty() const override { return dirty_; }

private:
    struct Value {
        std::string name;
        uint32_t type = 0;
        size_t origin = 0;  // the value in the file; 0 for one added here, which has its data
        std::optional<std::vector<uint8_t>> data;
        bool rewritten = false;  // a value of the file given new data or type here
    };
    struct Node {
        std::string name;
        Node* parent = nullptr;
        size_t origin = 0;  // the key in the file; 0 for one added here
        std::vector<Node*> children;         // in case-insensitive order, once read
        std::vector<size_t> removed_origins;  // subkeys in the file removed here
        std::vector<Value> values;            // in the file's order, once read
        bool children_read = false;
        bool values_read = false;
        bool values_changed = false;
    };

    void open();
    [[noreturn]] void fail(const std::string& what) const;
    Node* node(Key* key) { return reinterpret_cast<Node*>(key); }
    static Key* key(Node* node) { return reinterpret_cast<Key*>(node); }
    std::vector<Node*>& children(Node* node);
    std::vector<Value>& values(Node* node);
    const std::vector<uint8_t>& data(Value& value);
    void apply(hive_h* writer, Node* node, size_t where);
    bool fits_in_place(const RegfCellReader& cells, const Node* node) const;
    void apply_in_place(RegfCells& cells, const Node* node, uint64_t now) const;
    bool write_in_place(int replacement);
    void write_through_hivex(int replacement);

    std::filesystem::path file_;
    std::string read_only_reason_;
    hive_h* reader_ = nullptr;
    FileStamp stamp_;  // the file as it was read
    std::deque<Node> nodes_;
    Node* root_ = nullptr;
    bool dirty_ = false;
};

}  // namespace platform::registry
