#include "platform/registry/hive.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <utility>

#include "platform/registry/hive_file.h"
#include "platform/registry/hive_lists.h"
#include "platform/registry/reg_text.h"
#include "platform/registry/registry.h"
#include "platform/registry/unicode.h"
#include "platform/text/ascii_case.h"
#include "platform/text/fnv1a.h"

namespace platform::registry {
namespace {

using hive_lists::find_loaded;
using hive_lists::find_name;
using hive_lists::node_name;
using hive_lists::sorted_place;

constexpr size_t npos = std::string_view::npos;

bool is_value_line(std::string_view line) { return !line.empty() && (line[0] == '"' || line[0] == '@'); }

// As many as the section has values, or a few more when a name is given twice.
size_t count_value_lines(std::string_view lines) {
    size_t count = 0;
    for (size_t at = 0; at < lines.size();) {
        const size_t newline = lines.find('\n', at);
        const std::string_view line = text::trim_left(lines.substr(at, newline == npos ? npos : newline - at));
        count += is_value_line(line);
        at = newline == npos ? lines.size() : newline + 1;
    }
    return count;
}

}  // namespace

// Turns the value lines of a section into its key's entries. The comments and blank lines after a
// value stay with it; a name given twice takes the later line's data under its first spelling, as
// in Wine.
class Hive::ValueReader {
public:
    ValueReader(Hive& hive, Node* node) : hive_(hive), node_(node) {}

    // The value on the line the cursor has just returned (which starts at line_begin, its text at
    // content_begin); consumes its continuation lines. Throws text::FormatError.
    void add(text::LineCursor& cursor, size_t line_begin, std::string_view line, size_t content_begin) {
        close(line_begin);
        const text::ValueLine parsed = text::parse_value(cursor, content_begin, line);
        const std::string decoded = parsed.plain_name ? std::string() : text::decode_name(parsed.raw_name);
        const std::string_view name = parsed.plain_name ? parsed.raw_name : std::string_view(decoded);
        const auto values = hive_.own_values(node_).list();
        size_t index = find_loaded(values, node_->values_sorted, name, hive_.entry_name());
        if (index == npos) {
            index = values.size();
            Entry& added = KeyValues::insert(node_->values, index);
            if (parsed.plain_name) {  // as the file spells it ("@" spells none)
                const size_t at = parsed.raw_name.empty() ? 0 : static_cast<size_t>(parsed.raw_name.data() - hive_.text_.data());
                hive_.place_name(added, name, static_cast<uint32_t>(at), false);
            } else {
                hive_.name_entry(added, name);
            }
        }
        Entry& entry = node_->values->list()[index];
        entry.type = parsed.type;
        entry.begin = static_cast<uint32_t>(line_begin);
        entry.core_end = entry.end = static_cast<uint32_t>(parsed.end);
        open_entry_ = index;
    }

    // Everything up to `end` belongs to the value read last.
    void close(size_t end) {
        if (open_entry_ != npos) node_->values->list()[open_entry_].end = static_cast<uint32_t>(end);
        open_entry_ = npos;
    }

private:
    Hive& hive_;
    Node* node_;
    size_t open_entry_ = npos;
};

// Writes the tree depth-first in its order: unchanged sections straight from the loaded text,
// changed keys and values in Wine's layout.
class Hive::Writer {
public:
    Writer(const Hive& hive, HiveFileWriter& out) : hive_(hive), out_(out) {}

    void run() {
        put_text(0, hive_.preamble_end_);
        std::vector<const Node*> pending{hive_.root_};
        while (!pending.empty()) {
            const Node* node = pending.back();
            pending.pop_back();
            write_key(node);
            for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) pending.push_back(*it);
        }
        put_run();
    }

private:
    void write_key(const Node* node) {
        if (node->changed_at() == 0) {
            if (!node->has_block) return;  // implied by its subkeys, as Wine leaves it
            put_text(node->block.lead_begin, node->block.end);
            return;
        }
        // Wine writes a key only when its subkeys do not imply it; a section of the file stays.
        if (!node->has_block && node->value_list().empty() && !node->children.empty()) return;
        write_changed_header(node);
        for (const Entry& entry : node->value_list()) write_value(entry);
    }

    void write_changed_header(const Node* node) {
        scratch_.clear();
        if (!node->has_block) {
            put("\n");
            path_.clear();
            for (const Node* n = node; n->parent; n = n->parent) path_.push_back(n->name);
            std::reverse(path_.begin(), path_.end());
            text::append_key_header(scratch_, path_, node->changed_at());
            put(scratch_);
            return;
        }
        put_text(node->block.lead_begin, node->block.head_begin);
        // The key keeps its path as the file spells it (checked when it was loaded); only the
        // time stamp is new. The options and comments under the key line stay, except the old
        // time stamp.
        text::LineCursor cursor(hive_.text_, node->block.head_begin);
        text::append_key_header(scratch_, text::key_line_path(text::trim_left(cursor.next_line())), node->changed_at());
        put(scratch_);
        while (cursor.offset() < node->block.head_end) {
            const size_t begin = cursor.offset();
            const std::string_view line = cursor.next_line();
            if (!text::trim_left(line).starts_with("#time=")) put_text(begin, std::min<size_t>(cursor.offset(), node->block.head_end));
        }
    }

    void write_value(const Entry& entry) {
        if (!entry.edited()) {
            put_text(entry.begin, entry.end);
            return;
        }
        // The edit has "@" in the name's place; the line goes out whole, in one write.
        line_.clear();
        const std::string_view name = hive_.name(entry);
        if (entry.name_as_is) {
            line_.push_back('"');
            line_ += name;
            line_.push_back('"');
        } else {
            text::append_value_name(line_, name);
        }
        line_ += hive_.text_of(entry).substr(1);
        put(line_);
        put_text(entry.core_end, entry.end);
    }

    // Unchanged sections follow each other in the loaded text, so they are gathered into one run
    // and written in one go: an unchanged hive is a single write.
    void put_text(size_t begin, size_t end) {
        if (end <= begin) return;
        if (begin != run_end_) {
            put_run();
            run_begin_ = begin;
        }
        run_end_ = end;
    }

    void put_run() {
        if (run_end_ > run_begin_) emit(hive_.text_.substr(run_begin_, run_end_ - run_begin_));
        run_begin_ = run_end_ = 0;
    }

    // Text made here ends its lines with "\n"; it takes the file's own line end.
    void put(std::string_view bytes) {
        put_run();
        if (hive_.line_end() == "\n") return emit(bytes);
        converted_.clear();
        for (char c : bytes) {
            if (c == '\n') converted_ += hive_.line_end();
            else converted_.push_back(c);
        }
        emit(converted_);
    }

    // Everything written is whole lines; only a file's last line may lack its newline, and it
    // gets one if anything follows it.
    void emit(std::string_view bytes) {
        if (bytes.empty()) return;
        if (line_open_) out_.write(hive_.line_end());
        out_.write(bytes);
        line_open_ = bytes.back() != '\n';
    }

    const Hive& hive_;
    HiveFileWriter& out_;
    bool line_open_ = false;
    size_t run_begin_ = 0, run_end_ = 0;
    std::string scratch_;
    std::string line_;
    std::string converted_;
    std::vector<std::string_view> path_;
};

Hive::~Hive() = default;

void Hive::fail_at(size_t line, std::string_view message) const {
    throw HiveError(file_.string() + ":" + std::to_string(line) + ": " + std::string(message));
}

// Values are checked when the file is loaded, so building them here cannot fail.
void Hive::build_values(Node* node) {
    if (node->values_built) return;
    node->values_built = true;
    // One allocation of the right size: a large hive has hundreds of thousands of these lists.
    const size_t count = count_value_lines(text_.substr(node->block.head_end, node->block.end - node->block.head_end));
    if (count > 0) KeyValues::reserve(node->values, count);
    add_value_lines(node, node->block.head_end, node->block.end);
}

// The value lines of [begin, end) of the text; everything up to end belongs to the last.
void Hive::add_value_lines(Node* node, size_t begin, size_t end) {
    ValueReader reader(*this, node);
    text::LineCursor cursor(text_, begin);
    while (cursor.offset() < end) {
        const size_t line_begin = cursor.offset();
        const std::string_view raw_line = cursor.next_line();
        const std::string_view line = text::trim_left(raw_line);
        if (is_value_line(line)) reader.add(cursor, line_begin, line, line_begin + (raw_line.size() - line.size()));
    }
    reader.close(end);
}

// A changed key is written from its entries, so they must exist before anything changes.
void Hive::touch(Node* node) {
    build_values(node);
    own_values(node).changed_at = text::filetime_now();
    dirty_ = true;
}

Hive::KeyValues& Hive::own_values(Node* node) {
    if (!node->values) KeyValues::reserve(node->values, 0);
    return *node->values;
}

std::span<const Hive::Entry> Hive::Node::value_list() const {
    if (!values) return {};
    return static_cast<const KeyValues&>(*values).list();
}

void Hive::FreeKeyValues::operator()(KeyValues* values) const { std::free(values); }

// The header and its entries are plain data, so the whole moves with realloc.
void Hive::KeyValues::reserve(OwnedValues& owner, size_t count) {
    static_assert(std::is_trivially_copyable_v<KeyValues> && std::is_trivially_copyable_v<Entry>);
    static_assert(alignof(Entry) <= alignof(KeyValues) && sizeof(KeyValues) % alignof(Entry) == 0);
    if (owner && owner->capacity_ >= count) return;
    if (count >= std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
    void* memory = std::realloc(owner.get(), sizeof(KeyValues) + count * sizeof(Entry));
    if (!memory) throw std::bad_alloc();
    const bool fresh = !owner;
    (void)owner.release();
    owner.reset(fresh ? new (memory) KeyValues() : static_cast<KeyValues*>(memory));
    owner->capacity_ = static_cast<uint32_t>(count);
}

Hive::Entry& Hive::KeyValues::insert(OwnedValues& owner, size_t at) {
    if (!owner || owner->size_ == owner->capacity_) reserve(owner, owner ? std::max<size_t>(4, owner->size_ * 2) : 4);
    KeyValues& values = *owner;
    Entry* entries = values.entries();
    std::memmove(entries + at + 1, entries + at, (values.size_ - at) * sizeof(Entry));
    ++values.size_;
    return *std::construct_at(entries + at);
}

void Hive::KeyValues::clear(OwnedValues& owner) {
    if (!owner) return;
    owner->size_ = 0;
    void* memory = std::realloc(owner.get(), sizeof(KeyValues));
    if (memory) {  // a smaller block: the old one stays where it cannot be had
        (void)owner.release();
        owner.reset(static_cast<KeyValues*>(memory));
        owner->capacity_ = 0;
    }
}

void Hive::KeyValues::erase(size_t at) {
    Entry* entries = this->entries();
    std::memmove(entries + at, entries + at + 1, (size_ - at - 1) * sizeof(Entry));
    --size_;
}

std::string_view Hive::name(const Entry& entry) const {
    const std::string_view spelt_in = entry.name_is_own ? std::string_view(own_value_names_) : text_;
    return spelt_in.substr(entry.name_at, entry.name_size);
}

void Hive::place_name(Entry& entry, std::string_view name, uint32_t at, bool own) {
    constexpr size_t longest = (size_t{1} << 30) - 1;  // what Entry::name_size holds
    if (name.size() > longest) throw text::FormatError("value name too long");
    entry.name_at = at;
    entry.name_size = static_cast<uint32_t>(name.size()) & longest;
    entry.name_is_own = own;
    entry.name_as_is = !name.empty() && text::is_written_as_is(name, "\"\"");
}

void Hive::name_entry(Entry& entry, std::string_view name) {
    if (own_value_names_.size() + name.size() >= std::numeric_limits<uint32_t>::max())
        throw HiveError(file_.string() + ": too many value names to keep");
    try {
        place_name(entry, name, static_cast<uint32_t>(own_value_names_.size()), true);
    } catch (const text::FormatError& error) {
        throw HiveError(file_.string() + ": " + error.what());
    }
    own_value_names_ += name;
}

Hive::Node* Hive::child(const Node* parent, std::string_view name) const {
    const size_t i = find_name(parent->children, parent->children_sorted, name, node_name);
    return i == npos ? nullptr : parent->children[i];
}

Hive::Node* Hive::add_child(Node* parent, std::string_view name) {
    const size_t place = sorted_place(parent->children, parent->children_sorted, name, node_name);
    Node* node = nodes_.make(parent, nodes_.intern(std::string(name)));
    note_change(node, true);
    parent->children.insert(parent->children.begin() + static_cast<ptrdiff_t>(place), node);
    touch(node);
    touch(parent);
    return node;
}

void Hive::remove_child(Node* parent, Node* child) {
    note_change(child);
    auto& siblings = parent->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), child));
    child->removed = true;
    if (child->values) {
        for (Entry& entry : child->values->list()) forget_edit(entry);
        KeyValues::clear(child->values);
    }
    child->values_built = true;
    touch(parent);
}

std::span<const Hive::Entry> Hive::values(Node* node) {
    build_values(node);
    return node->value_list();
}

const Hive::Entry* Hive::value(Node* node, std::string_view name) {
    const auto list = values(node);
    const size_t i = find_name(list, node->values_sorted, name, entry_name());
    return i == npos ? nullptr : &list[i];
}

std::string_view Hive::text_of(const Entry& entry) const {
    if (entry.edited()) return edits_.view().substr(entry.edit_begin, entry.edit_end - entry.edit_begin);
    return text_.substr(entry.begin, entry.core_end - entry.begin);
}

std::vector<uint8_t> Hive::data(const Entry& entry) const {
    const std::string_view buffer = entry.edited() ? edits_.view() : text_;
    const size_t begin = entry.edited() ? entry.edit_begin : entry.begin;
    text::LineCursor cursor(buffer, begin);
    const std::string_view raw_line = cursor.next_line();
    const std::string_view line = text::trim_left(raw_line);
    const text::ValueLine parsed = text::parse_value(cursor, begin + (raw_line.size() - line.size()), line);
    return text::decode_data(buffer, parsed);
}

void Hive::set_value(Node* node, std::string_view name, uint32_t type, std::span<const uint8_t> data) {
    build_values(node);
    auto values = own_values(node).list();
    size_t i = find_name(values, node->values_sorted, name, entry_name());
    const std::string_view spelt = i == npos ? name : this->name(values[i]);
    edit_scratch_.clear();
    text::append_value_name(edit_scratch_, spelt);
    const size_t name_part = edit_scratch_.size();
    edit_scratch_.clear();
    text::append_value(edit_scratch_, spelt, type, data);
    const std::string_view after_name = std::string_view(edit_scratch_).substr(name_part);
    if (i != npos && values[i].type == type) {
        // The same lines are the same value; other lines (a hand-written form) may still be.
        const bool same_lines = values[i].edited() ? text_of(values[i]).substr(1) == after_name
                                                   : text_of(values[i]) == edit_scratch_;
        if (same_lines) return;
        const std::vector<uint8_t> held = this->data(values[i]);
        if (std::equal(held.begin(), held.end(), data.begin(), data.end())) return;
    }
    note_change(node);
    if (i == npos) {
        i = sorted_place(values, node->values_sorted, name, entry_name());
        name_entry(KeyValues::insert(node->values, i), name);
        values = node->values->list();
    }
    values[i].type = type;
    store_edit(values[i], after_name);
    touch(node);
}

void Hive::store_edit(Entry& entry, std::string_view after_name) {
    forget_edit(entry);
    // Replaced lines stay in the buffer until they outweigh the live ones.
    if (dead_edit_bytes_ > (1u << 20) && dead_edit_bytes_ > edits_.size() / 2) compact_edits();
    if (edits_.size() + after_name.size() + 1 >= std::numeric_limits<uint32_t>::max())
        throw HiveError(file_.string() + ": too many changes to keep before a save");
    entry.edit_begin = static_cast<uint32_t>(edits_.size());
    edits_.append("@");
    edits_.append(after_name);
    entry.edit_end = static_cast<uint32_t>(edits_.size());
}

void Hive::forget_edit(Entry& entry) {
    if (entry.edited()) dead_edit_bytes_ += entry.edit_end - entry.edit_begin;
    entry.edit_begin = entry.edit_end = 0;
}

// Copies the lines every value still uses into a new buffer; values of every key are visited,
// keys that were removed have none.
void Hive::compact_edits() {
    HiveText live;
    std::vector<Node*> pending{root_};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), node->children.begin(), node->children.end());
        if (!node->values) continue;
        for (Entry& entry : node->values->list()) {
            if (!entry.edited()) continue;
            const std::string_view lines = text_of(entry);
            entry.edit_begin = static_cast<uint32_t>(live.size());
            live.append(lines);
            entry.edit_end = static_cast<uint32_t>(live.size());
        }
    }
    edits_ = std::move(live);
    dead_edit_bytes_ = 0;
}

bool Hive::delete_value(Node* node, std::string_view name) {
    build_values(node);
    if (!node->values) return false;
    const size_t i = find_name(node->values->list(), node->values_sorted, name, entry_name());
    if (i == npos) return false;
    note_change(node);
    forget_edit(node->values->list()[i]);
    node->values->erase(i);
    touch(node);
    return true;
}

HeldFile Hive::save(bool only_over_own_file) {
    HiveFileWriter out(file_);
    Writer(*this, out).run();
    const std::optional<FileStamp> expected = only_over_own_file ? std::optional(on_disk_.stamp) : std::nullopt;
    HeldFile replaced = std::exchange(on_disk_, out.commit(expected)).file;
    dirty_ = false;
    ++save_round_;
    changes_.clear();
    return replaced;
}

void Hive::note_change(Node* node, bool added) {
    if (noted_since_save(node)) return;
    node->noted_in = save_round_;
    node->created = added;
    // A key added since the save held nothing then.
    changes_.push_back({node, added ? 0 : values_hash(node)});
}

uint64_t Hive::values_hash(Node* node) {
    // The sum of one hash per value, so the order of the values does not matter.
    uint64_t sum = 0;
    for (const Entry& entry : values(node)) {
        platform::text::Fnv1a hash;
        for (char c : name(entry)) hash.mix(static_cast<uint8_t>(platform::text::ascii_lower(c)));
        hash.mix(uint8_t{0});
        for (int shift = 0; shift < 32; shift += 8) hash.mix(static_cast<uint8_t>(entry.type >> shift));
        for (uint8_t byte : data(entry)) hash.mix(byte);
        uint64_t h = hash.value ^ (hash.value >> 31);
        sum += h * 0x9e3779b97f4a7c15ull;
    }
    return sum;
}

}  // namespace platform::registry
