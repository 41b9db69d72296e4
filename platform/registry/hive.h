#pragma once
// One hive file (system.reg, user.reg or userdef.reg) as Wine models it: a tree of keys with values
// in Wine's form (strings in UTF-16LE). The file's text is kept in one buffer; keys and values that
// were not changed are written back from it as they were.
// Loading builds the tree of keys only and checks every value line; a key's list of values is built
// from its lines the first time somebody asks for it, as most keys of a large hive are never read.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/hive_file.h"

namespace platform::registry {

class Hive {
public:
    struct Entry {  // one value
        // Where its name is spelt (see Hive::name): in the file's text, or among the hive's own
        // value names when the file escapes it or it was never in the file. An offset rather than a
        // pointer: a large hive has hundreds of thousands of values, every one built when its key
        // changes, and this keeps an entry at 32 bytes.
        uint32_t name_at = 0;
        uint32_t name_size : 30 = 0;
        uint32_t name_is_own : 1 = 0;
        // Nothing in the name is escaped in Wine's layout: a save writes it without looking.
        uint32_t name_as_is : 1 = 0;
        uint32_t type = 0;
        // Where the value's lines are in the file: [begin, core_end) the value itself, up to end
        // the comment or blank lines that follow it. begin == end: not from the file.
        uint32_t begin = 0, core_end = 0, end = 0;
        // A value changed since loading is written out at once, in Wine's layout, to the hive's
        // edits: [edit_begin, edit_end) there replaces [begin, core_end) of the file. Its name is
        // there as "@": the entry names it, and a hive whose every value changed would otherwise
        // hold every name once more.
        uint32_t edit_begin = 0, edit_end = 0;
        bool edited() const { return edit_end > edit_begin; }
    };

    struct Block {  // one "[key]" section of the file
        uint32_t lead_begin = 0;  // blank lines before the key line
        uint32_t head_begin = 0;  // the key line
        uint32_t head_end = 0;    // the first value line, or the end of the section
        uint32_t end = 0;
    };

    class KeyValues;
    struct FreeKeyValues {
        void operator()(KeyValues* values) const;
    };
    using OwnedValues = std::unique_ptr<KeyValues, FreeKeyValues>;

    // A key's values and the time of its last change, made for a key when its values are first
    // built or it changes: most keys of a large hive never are, and stay smaller without them.
    // One allocation, the entries right after this header: a hive may have every key's values
    // built, and a list apart from its header would cost each key another allocation.
    class KeyValues {
    public:
        uint64_t changed_at = 0;  // FILETIME of the last change since loading; 0: unchanged

        std::span<Entry> list() { return {entries(), size_}; }
        std::span<const Entry> list() const { return {entries(), size_}; }
        // These may move the whole, which `owner` (null: none yet) then points to.
        static void reserve(OwnedValues& owner, size_t count);  // room for count entries in all
        static Entry& insert(OwnedValues& owner, size_t at);      // an empty entry at `at`
        static void clear(OwnedValues& owner);                    // no entries, and no room for any
        void erase(size_t at);

    private:
        Entry* entries() { return reinterpret_cast<Entry*>(this + 1); }
        const Entry* entries() const { return reinterpret_cast<const Entry*>(this + 1); }
        uint32_t size_ = 0, capacity_ = 0;
    };

    struct Node {  // one key
        std::string_view name;
        Node* parent = nullptr;
        std::vector<Node*> children;
        OwnedValues values;  // read through Hive::values(), which builds them on first use
        Block block;
        // The save round whose changes_since_save() list it is in: a save starts a new round
        // rather than visiting every key it listed.
        uint32_t noted_in = 0;
        // Wine's files are sorted, so lookups can bisect; a hand-edited file may not be.
        bool children_sorted = true;
        bool values_sorted = true;
        // One bit each: a large hive is hundreds of thousands of keys, every one of them a fresh
        // piece of memory when it loads, and these keep a key at 80 bytes.
        bool values_built : 1 = true;  // false while the values are only the lines of `block`
        bool has_block : 1 = false;
        bool created : 1 = false;      // added in that round (see added_since_save)
        bool removed : 1 = false;      // deleted from its parent (which it still names)

        std::span<const Entry> value_list() const;  // as built so far
        uint64_t changed_at() const { return values ? values->changed_at : 0; }
    };

    // Loads the file; a missing file is an empty hive whose header names relative_to
    // (e.g. "REGISTRY\\Machine"). Throws HiveError naming the file and line.
    Hive(std::filesystem::path file, std::string_view relative_to, std::string_view default_arch);
    ~Hive();
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    const std::filesystem::path& file() const { return file_; }
    // The unescaped path of the ";; All keys relative to" line ("" when there is none).
    const std::string& relative_to() const { return relative_to_; }
    // "win32"/"win64" from the "#arch=" line ("" when there is none).
    const std::string& arch() const { return arch_; }
    // The file's own line end ("\r\n" for a file whose first line ends so), kept for every line
    // written anew, so that a file edited on Windows does not come back with mixed line ends.
    std::string_view line_end() const { return crlf_ ? "\r\n" : "\n"; }

    Node* root() { return root_; }
    const Node* root() const { return root_; }
    Node* child(const Node* parent, std::string_view name) const;
    Node* add_child(Node* parent, std::string_view name);  // at its sorted place; marks both changed
    void remove_child(Node* parent, Node* child);          // child must have no children

    // Good until the key's values next change.
    std::span<const Entry> values(Node* node);
    const Entry* value(Node* node, std::string_view name);
    std::string_view name(const Entry& entry) const;
    std::vector<uint8_t> data(const Entry& entry) const;  // Wine's form
    // Setting a value to what it holds changes nothing (as in Wine), so it leaves the hive unsaved.
    void set_value(Node* node, std::string_view name, uint32_t type, std::span<const uint8_t> data);
    bool delete_value(Node* node, std::string_view name);

    bool dirty() const { return dirty_; }
    // Writes the hive to its file atomically, whether changed or not; the folder is left for the
    // caller to sync. Returns the file it replaced, still held: let go of it after that sync, as
    // freeing a large file's blocks meanwhile would make the sync wait for it. Throws HiveError.
    // With only_over_own_file, a file another program wrote since this hive last read or saved it
    // is never replaced: HiveFileChanged is thrown instead (see HiveFileWriter::commit).
    HeldFile save(bool only_over_own_file);
    // Whether another program wrote the file since this hive was loaded from it or last saved to
    // it. A file that is gone holds nobody's changes: saving then overwrites nothing.
    bool changed_on_disk() const {
        const FileStamp now = stamp_of(file_);
        return now.exists && now != on_disk_.stamp;
    }

    struct Change {
        Node* node;
        // What the key held when the hive was last saved or loaded (see values_hash; 0 for a key
        // added since), for a merge with what another program saved meanwhile.
        uint64_t saved_values_hash;
    };
    // The keys whose values changed, that were added, or that were removed since the hive was last
    // saved or loaded, in the order of their first change.
    const std::deque<Change>& changes_since_save() const { return changes_; }
    bool added_since_save(const Node* node) const { return node->created && noted_since_save(node); }
    // A hash of a key's values (names in any case and order, types, data), to tell whether two
    // hives hold the same values for a key.
    uint64_t values_hash(Node* node);

private:
    // Nodes, and names that are not in the text as they are, handed out of large blocks that
    // never move: the tree points into them. Blocks grow from a few hundred keys to huge pages (see
    // huge_page_memory.h), so a small hive stays small and a large one takes few page faults. A
    // block's memory is first written when its nodes are made, so a load touches each page once.
    // A pool belongs to one thread while a load builds.
    class NodePool {
    public:
        NodePool() = default;
        NodePool(NodePool&& other) noexcept { *this = std::move(other); }
        NodePool& operator=(NodePool&& other) noexcept;
        NodePool(const NodePool&) = delete;
        NodePool& operator=(const NodePool&) = delete;
        ~NodePool() { release(); }

        Node* make(Node* parent, std::string_view name);  // not yet among parent's children
        std::string_view intern(std::string name) { return names_.emplace_back(std::move(name)); }
        std::string_view name_from_file(std::string_view raw);  // an escaped name as text

    private:
        struct Block {
            Node* nodes;
            size_t capacity;
        };
        void add_block();
        void release();

        std::vector<Block> blocks_;  // full but the last, which has used_in_last_ nodes made
        size_t used_in_last_ = 0;
        std::deque<std::string> names_;
    };

    class Loader;
    class TreeBuilder;
    class ValueReader;
    class Writer;

    void load(bool alongside, std::string_view relative_to, std::string_view default_arch);
    void forget_loaded();  // what a load that had to stop half-way made
    [[noreturn]] void fail_at(size_t line, std::string_view message) const;  // a HiveError naming the line
    void build_values(Node* node);
    void add_value_lines(Node* node, size_t begin, size_t end);
    void touch(Node* node);
    KeyValues& own_values(Node* node);  // made on first need
    // Where the entry's name is spelt, which is checked to fit (see Entry::name_at).
    void place_name(Entry& entry, std::string_view name, uint32_t at, bool own);
    void name_entry(Entry& entry, std::string_view name);  // a name given by the caller: copied
    auto entry_name() const {  // for the lookups of hive_lists.h
        return [this](const Entry& entry) { return name(entry); };
    }
    // Before a change to its values or its removal, or (added) when it is made.
    void note_change(Node* node, bool added = false);
    bool noted_since_save(const Node* node) const { return node->noted_in == save_round_; }
    void create_empty(std::string_view relative_to, std::string_view default_arch);

    // The value's own lines, wherever they are (an edit's with "@" for the name).
    std::string_view text_of(const Entry& entry) const;
    // The value's new lines, from what follows its name, with "@" in its place.
    void store_edit(Entry& entry, std::string_view after_name);
    void forget_edit(Entry& entry);
    void compact_edits();

    std::filesystem::path file_;
    OnDisk on_disk_;  // the file last read or saved, held (see HeldFile)
    // In blocks: a list that doubled would hold its old and new arrays at once while it grows, and
    // every key of a large hive may change before a save.
    std::deque<Change> changes_;
    uint32_t save_round_ = 1;
    HiveText storage_;
    HiveText edits_;           // the lines of changed values, one after the other
    size_t dead_edit_bytes_ = 0;  // lines of edits since replaced or deleted
    std::string edit_scratch_;
    std::string own_value_names_;  // see Entry::name_at
    std::string_view text_;  // the file as loaded; every string_view of unchanged names points into it
    uint32_t preamble_end_ = 0;
    std::string relative_to_;
    std::string arch_;
    NodePool nodes_;
    std::vector<NodePool> nodes_built_alongside_;  // parts of the tree a load built on another thread
    Node* root_ = nullptr;
    bool dirty_ = false;
    bool crlf_ = false;
};

}  // namespace platform::registry
