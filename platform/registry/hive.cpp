#include "platform/registry/hive.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>

#include "platform/registry/hive_file.h"
#include "platform/registry/hive_sections.h"
#include "platform/registry/reg_text.h"
#include "platform/registry/registry.h"
#include "platform/registry/unicode.h"

namespace platform::registry {
namespace {

constexpr std::string_view signature = "WINE REGISTRY Version 2";
constexpr std::string_view relative_prefix = ";; All keys relative to ";
constexpr std::string_view arch_prefix = "#arch=";
constexpr size_t npos = std::string_view::npos;

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
        return i < list.size() && names_equal(name_of(list[i]), name) ? i : npos;
    }
    for (size_t i = 0; i < list.size(); ++i)
        if (names_equal(name_of(list[i]), name)) return i;
    return npos;
}

// Looks a name up in a list being loaded, to which the caller appends when it is not there.
// Names normally arrive in order, so the last entry is checked first; a name that arrives out
// of order is appended all the same (the file's order is kept) and the list is unsorted now.
template <class List, class NameOf>
size_t find_loaded(const List& list, bool& sorted, std::string_view name, NameOf name_of) {
    if (list.empty()) return npos;
    const int order = compare_names(name_of(list.back()), name);
    if (order == 0) return list.size() - 1;
    if (order < 0 && sorted) return npos;
    const size_t found = find_name(list, sorted, name, name_of);
    if (found == npos) sorted = false;
    return found;
}

std::string_view node_name(const Hive::Node* node) { return node->name; }
std::string_view entry_name(const Hive::Entry& entry) { return entry.name; }

// How many leading bytes two texts share, compared a word at a time: every key line's path is
// compared with the one before it.
size_t common_prefix(std::string_view a, std::string_view b) {
    const size_t length = std::min(a.size(), b.size());
    size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= length; i += 8) {
            uint64_t x = 0, y = 0;
            std::memcpy(&x, a.data() + i, 8);
            std::memcpy(&y, b.data() + i, 8);
            if (x != y) return i + static_cast<size_t>(std::countr_zero(x ^ y)) / 8;
        }
    }
    while (i < length && a[i] == b[i]) ++i;
    return i;
}

// "\\\\" between the components of a key line's path (checked by hand: this runs for every key).
bool is_separator(std::string_view raw_path, size_t at) {
    return at + 1 < raw_path.size() && raw_path[at] == '\\' && raw_path[at + 1] == '\\';
}

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
        const std::string_view name = parsed.plain_name ? parsed.raw_name : hive_.nodes_.name_from_file(parsed.raw_name);
        auto& values = node_->values;
        size_t index = find_loaded(values, node_->values_sorted, name, entry_name);
        if (index == npos) {
            values.emplace_back().name = name;
            index = values.size() - 1;
        }
        Entry& entry = values[index];
        entry.type = parsed.type;
        entry.begin = static_cast<uint32_t>(line_begin);
        entry.core_end = entry.end = static_cast<uint32_t>(parsed.end);
        open_entry_ = index;
    }

    // Everything up to `end` belongs to the value read last.
    void close(size_t end) {
        if (open_entry_ != npos) node_->values[open_entry_].end = static_cast<uint32_t>(end);
        open_entry_ = npos;
    }

private:
    Hive& hive_;
    Node* node_;
    size_t open_entry_ = npos;
};

// Builds the tree of keys from sections in the file's order. The hive's own builder works on its
// tree; a load's scan ahead has one of its own that builds the keys of its sections on that thread,
// as a separate tree out of a pool of its own, grafted onto the hive's afterwards. That one stops
// at the first section it cannot build there (a key given twice, a broken key name) and leaves it
// and the rest to the hive's builder, which meets them in the file's order.
class Hive::TreeBuilder : public SectionSink {
public:
    // The hive's own builder; the file's preamble starts at preamble_begin.
    TreeBuilder(Hive& hive, size_t preamble_begin)
        : hive_(hive), pool_(hive.nodes_), root_(hive.root_), preamble_begin_(preamble_begin), alongside_(false) {}
    // A builder on another thread, with a pool of its own.
    TreeBuilder(Hive& hive, NodePool& pool)
        : hive_(hive), pool_(pool), root_(pool.make(nullptr, {})), preamble_begin_(npos), alongside_(true) {}

    void take(std::vector<Section>& found, std::string_view text) override {
        build(found, found.empty() ? 0 : found.size() - 1, text);
    }

    void take_all(std::vector<Section>& found, std::string_view text, size_t end) override {
        take_every(found, text);
        if (!stopped_) close_section(end);
    }

    // All of them, the last left open: a scan that met a broken line, which lies in the last.
    void take_every(std::vector<Section>& found, std::string_view text) { build(found, found.size(), text); }

    // Lines of the sections taken from now on are counted after these.
    void count_lines_after(size_t line_base) { line_base_ = line_base; }

    // Blank lines before the first key line built alongside belong to it.
    void lead_first_from(size_t lead_begin) {
        if (first_built_) first_built_->block.lead_begin = static_cast<uint32_t>(lead_begin);
    }

    // Adds the tree built alongside to this one's, in the order its keys came: as if this builder
    // had built them after its own.
    void graft(TreeBuilder& alongside) {
        std::vector<std::pair<Node*, Node*>> pending{{root_, alongside.root_}};
        while (!pending.empty()) {
            const auto [ours, theirs] = pending.back();
            pending.pop_back();
            if (theirs->has_block) take_block(ours, theirs->block);
            for (Node* child : theirs->children) {
                const size_t found = find_loaded(ours->children, ours->children_sorted, child->name, node_name);
                if (found != npos) {
                    pending.emplace_back(ours->children[found], child);
                } else {
                    child->parent = ours;
                    ours->children.push_back(child);
                }
            }
        }
    }

private:
    void build(std::vector<Section>& found, size_t count, std::string_view text) {
        if (!alongside_) hive_.text_ = text;
        size_t built = 0;
        for (; built < count && !stopped_; ++built) {
            const Section& section = found[built];
            try {
                close_section(section.lead_begin);
                start_key(section, text);
            } catch (const text::FormatError& error) {
                if (!alongside_) hive_.fail_at(line_base_ + section.line, error.what());
                stopped_ = true;
            }
            if (stopped_) break;
        }
        found.erase(found.begin(), found.begin() + static_cast<ptrdiff_t>(built));
    }

    // Everything up to `end` belongs to the section that is open.
    void close_section(size_t end) {
        if (!block_) {
            if (preamble_begin_ != npos) read_preamble(end);
            preamble_begin_ = npos;
            return;
        }
        if (!block_->head_end) block_->head_end = static_cast<uint32_t>(end);
        block_->end = static_cast<uint32_t>(end);
        if (block_ == &duplicate_) merge_values(node_, duplicate_);
        block_ = nullptr;
    }

    void read_preamble(size_t end) {
        hive_.preamble_end_ = static_cast<uint32_t>(end);
        text::LineCursor cursor(hive_.text_.substr(0, end), preamble_begin_);
        while (!cursor.at_end()) {
            const std::string_view line = text::trim_left(cursor.next_line());
            if (line.starts_with(relative_prefix) && hive_.relative_to_.empty())
                hive_.relative_to_ = text::decode_name(line.substr(relative_prefix.size()));
            else if (line.starts_with(arch_prefix) && hive_.arch_.empty())
                hive_.arch_ = std::string(line.substr(arch_prefix.size()));
        }
    }

    void start_key(const Section& section, std::string_view text) {
        Node* node = node_for(text.substr(section.path_begin, section.path_size));
        if (!node->has_block) {
            node->has_block = true;
            node->values_built = false;
            block_ = &node->block;
        } else if (alongside_) {
            stopped_ = true;  // a key given twice: its values are merged by the hive's builder
            return;
        } else {
            // A key given twice (a hand edit): its values merge, as in Wine, and the key is
            // written as one section when the file is next saved.
            hive_.build_values(node);
            node->changed_at = text::filetime_now();
            block_ = &duplicate_;
        }
        node_ = node;
        if (!first_built_) first_built_ = node;
        block_->lead_begin = section.lead_begin;
        block_->head_begin = section.head_begin;
        block_->head_end = section.head_end;
    }

    // A section of a key built alongside, for a key of this tree.
    void take_block(Node* node, const Block& block) {
        if (!node->has_block) {
            node->has_block = true;
            node->values_built = false;
            node->block = block;
            return;
        }
        hive_.build_values(node);
        node->changed_at = text::filetime_now();
        merge_values(node, block);
    }

    // The values of a key's later section, added to those it has.
    void merge_values(Node* node, const Block& later) {
        ValueReader reader(hive_, node);
        hive_.read_value_lines(reader, later.head_end, later.end);
    }

    // Sections come in tree order, so a path mostly repeats the previous one: only what follows
    // the components both share is split and looked up.
    Node* node_for(std::string_view raw_path) {
        if (is_separator(raw_path, 0)) throw text::FormatError("key name starts with a backslash");
        const size_t same = common_prefix(raw_path, previous_path_);
        size_t keep = 0;
        for (; keep < previous_ends_.size(); ++keep) {
            // A shared component is followed by a separator both paths share, or ends both.
            const size_t end = previous_ends_[keep];
            if (end + 2 <= same) continue;
            if (end != same || !(end == raw_path.size() || is_separator(raw_path, end))) break;
        }
        previous_ends_.resize(keep);
        previous_nodes_.resize(keep);
        previous_path_ = raw_path;
        Node* node = keep ? previous_nodes_.back() : root_;
        const size_t rest = keep ? std::min(previous_ends_.back(), raw_path.size()) : 0;
        text::split_key_path(raw_path.substr(rest), components_);
        for (std::string_view component : components_) {
            node = child_for(node, pool_.name_from_file(component));
            previous_nodes_.push_back(node);
            previous_ends_.push_back(static_cast<size_t>(component.data() - raw_path.data()) + component.size());
        }
        return node;
    }

    Node* child_for(Node* parent, std::string_view name) {
        const size_t found = find_loaded(parent->children, parent->children_sorted, name, node_name);
        if (found != npos) return parent->children[found];
        Node* node = pool_.make(parent, name);
        parent->children.push_back(node);
        return node;
    }

    Hive& hive_;
    NodePool& pool_;
    Node* root_;
    size_t preamble_begin_;  // npos once the preamble is read, or when there is none
    const bool alongside_;
    bool stopped_ = false;
    size_t line_base_ = 0;
    Node* node_ = nullptr;  // the key of the open section
    Node* first_built_ = nullptr;
    Block* block_ = nullptr;
    Block duplicate_;
    std::vector<std::string_view> components_;
    std::string_view previous_path_;
    std::vector<size_t> previous_ends_;  // where each component of the previous path ends
    std::vector<Node*> previous_nodes_;
};

// Reads the file as a list of its sections (see SectionScan), checking every value line so that a
// broken file is refused now, with its line number, and never later, and builds the tree of keys
// as the sections come. Values are turned into entries when their key is first used; value data
// when it is read. A large file is still arriving while it is scanned, and its last part is
// scanned, and its keys built, on a thread of its own.
class Hive::Loader : private text::ArrivingText {
public:
    Loader(Hive& hive, HiveFileReader& reader) : hive_(hive), reader_(reader) {}

    void run() {
        if (reader_.size_when_opened() >= max_size) fail_at(1, "file is too large for a registry hive");
        text::LineCursor cursor({}, 0, this);
        if (cursor.at_end()) fail_at(1, "file is empty (not a registry file)");
        if (cursor.next_line() != signature) fail_at(1, "not a Wine registry file (expected \"WINE REGISTRY Version 2\")");
        TreeBuilder tree(hive_, cursor.offset());
        SectionScan top(cursor);
        if (SectionScan* rest = scan_top(top, tree)) {
            join(top, *rest, tree);
            return;
        }
        fail_if_broken(top, tree, 0);
        tree.take_all(top.sections(), top.cursor().buffer(), top.offset());
        take_whole_file(top.lines());
    }

private:
    static constexpr size_t max_size = std::numeric_limits<uint32_t>::max();

    std::string_view arrived_beyond(size_t size) override { return reader_.arrived_beyond(size); }

    // Scans from the top; with a scan ahead, only up to the line that one started at, whose
    // scan is returned to go on from there (nullptr: the top scan went to the end).
    SectionScan* scan_top(SectionScan& top, TreeBuilder& tree) {
        size_t stop_at = SectionScan::npos;
        if (reader_.reading_alongside()) {
            stop_at = scan_ahead_from(reader_.size_when_opened());
            ahead_tree_.emplace(hive_, ahead_pool_);
            ahead_.emplace(reader_, stop_at, *ahead_tree_);
        }
        for (;;) {
            top.run(stop_at, &tree);
            if (top.finished() || !ahead_) break;
            const size_t start = ahead_->start();
            if (start != SectionScan::npos && top.offset() < start) {
                stop_at = start;
                continue;
            }
            if (start != SectionScan::npos && top.offset() == start)
                if (SectionScan* rest = ahead_->finish()) return rest;
            // No key line to start from, a hex value that runs across it, or a scan that could
            // not finish: the top scan goes on alone.
            ahead_.reset();
            stop_at = SectionScan::npos;
        }
        ahead_.reset();
        return nullptr;
    }

    // The top scan has reached the line the scan ahead started at: its tree goes onto the
    // hive's, then the sections it left.
    void join(SectionScan& top, SectionScan& rest, TreeBuilder& tree) {
        // Blank lines just before that line lead into its key.
        const size_t lead = top.blank_tail() != SectionScan::npos ? top.blank_tail() : top.offset();
        tree.take_all(top.sections(), top.cursor().buffer(), lead);
        take_whole_file(top.lines() + rest.lines());
        tree.count_lines_after(top.lines());
        fail_if_broken(rest, tree, top.lines());
        if (!rest.sections().empty() && rest.sections().front().head_begin == top.offset())
            rest.sections().front().lead_begin = static_cast<uint32_t>(lead);
        ahead_tree_->lead_first_from(lead);
        tree.graft(*ahead_tree_);
        hive_.nodes_built_alongside_.push_back(std::move(ahead_pool_));
        tree.take_all(rest.sections(), hive_.text_, hive_.text_.size());
    }

    // A scan that met a broken line: the key lines before it may be broken too, and the first
    // broken line is reported. The section the line is in is not closed, so a key given twice
    // does not merge its values with a line that cannot be read.
    void fail_if_broken(SectionScan& scan, TreeBuilder& tree, size_t line_base) {
        const auto& broken = scan.broken();
        if (!broken) return;
        tree.take_every(scan.sections(), scan.cursor().buffer());
        fail_at(line_base + broken->line, broken->message);
    }

    void take_whole_file(size_t lines) {
        HiveFileContents contents = reader_.finish();
        hive_.storage_ = std::move(contents.text);
        hive_.on_disk_ = std::move(contents.on_disk);
        hive_.text_ = hive_.storage_.view();
        if (hive_.text_.size() >= max_size) fail_at(lines, "file is too large for a registry hive");
        const size_t first_newline = hive_.text_.find('\n');
        hive_.crlf_ = first_newline != npos && first_newline > 0 && hive_.text_[first_newline - 1] == '\r';
    }

    [[noreturn]] void fail_at(size_t line, std::string_view message) const { hive_.fail_at(line, message); }

    Hive& hive_;
    HiveFileReader& reader_;
    NodePool ahead_pool_;
    std::optional<TreeBuilder> ahead_tree_;
    std::optional<SectionScanAhead> ahead_;  // stopped before the tree it builds goes
};

// Writes the tree depth-first in its order: unchanged sections straight from the loaded text,
// changed keys and values in Wine's layout.
class Hive::Writer {
public:
    Writer(const Hive& hive, AtomicFileWriter& out) : hive_(hive), out_(out) {}

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
        if (node->changed_at == 0) {
            if (!node->has_block) return;  // implied by its subkeys, as Wine leaves it
            put_text(node->block.lead_begin, node->block.end);
            return;
        }
        // Wine writes a key only when its subkeys do not imply it; a section of the file stays.
        if (!node->has_block && node->values.empty() && !node->children.empty()) return;
        write_changed_header(node);
        for (const Entry& entry : node->values) write_value(entry);
    }

    void write_changed_header(const Node* node) {
        scratch_.clear();
        if (!node->has_block) {
            put("\n");
            path_.clear();
            for (const Node* n = node; n->parent; n = n->parent) path_.push_back(n->name);
            std::reverse(path_.begin(), path_.end());
            text::append_key_header(scratch_, path_, node->changed_at);
            put(scratch_);
            return;
        }
        put_text(node->block.lead_begin, node->block.head_begin);
        // The key keeps its path as the file spells it (checked when it was loaded); only the
        // time stamp is new. The options and comments under the key line stay, except the old
        // time stamp.
        text::LineCursor cursor(hive_.text_, node->block.head_begin);
        text::append_key_header(scratch_, text::key_line_path(text::trim_left(cursor.next_line())), node->changed_at);
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
        put(hive_.text_of(entry));
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
    AtomicFileWriter& out_;
    bool line_open_ = false;
    size_t run_begin_ = 0, run_end_ = 0;
    std::string scratch_;
    std::string converted_;
    std::vector<std::string_view> path_;
};

Hive::Hive(std::filesystem::path file, std::string_view relative_to, std::string_view default_arch)
    : file_(std::move(file)) {
    try {
        load(true, relative_to, default_arch);
    } catch (const HiveFileGrew&) {
        // Another program was writing the file while it arrived; read it again, whole first.
        forget_loaded();
        load(false, relative_to, default_arch);
    }
}

void Hive::load(bool alongside, std::string_view relative_to, std::string_view default_arch) {
    root_ = nodes_.make(nullptr, {});
    HiveFileReader reader(file_, alongside);
    if (reader.exists()) Loader(*this, reader).run();
    else create_empty(relative_to, default_arch);
}

void Hive::forget_loaded() {
    nodes_ = NodePool();
    nodes_built_alongside_.clear();
    relative_to_.clear();
    arch_.clear();
    preamble_end_ = 0;
    text_ = {};
    storage_ = {};
}

Hive::~Hive() = default;

void Hive::fail_at(size_t line, std::string_view message) const {
    throw HiveError(file_.string() + ":" + std::to_string(line) + ": " + std::string(message));
}

void Hive::create_empty(std::string_view relative_to, std::string_view default_arch) {
    relative_to_ = relative_to;
    arch_ = default_arch;
    std::string text = std::string(signature) + "\n" + std::string(relative_prefix);
    // relative_to is unescaped: single backslashes separate its parts.
    size_t begin = 0;
    for (size_t i = 0; i <= relative_to.size(); ++i) {
        if (i < relative_to.size() && relative_to[i] != '\\') continue;
        if (begin) text += "\\\\";
        text::append_escaped(text, relative_to.substr(begin, i - begin), "[]");
        begin = i + 1;
    }
    text += "\n";
    if (!arch_.empty()) text += "\n#arch=" + arch_ + "\n";
    storage_ = HiveText(text);
    text_ = storage_.view();
    preamble_end_ = static_cast<uint32_t>(text_.size());
}

Hive::Node* Hive::NodePool::make(Node* parent, std::string_view name) {
    if (blocks_.empty() || used_in_last_ == nodes_per_block) {
        blocks_.push_back(std::make_unique<Node[]>(nodes_per_block));
        used_in_last_ = 0;
    }
    Node& node = blocks_.back()[used_in_last_++];
    node.name = name;
    node.parent = parent;
    return &node;
}

std::string_view Hive::NodePool::name_from_file(std::string_view raw) {
    return text::is_plain(raw) ? raw : intern(text::decode_name(raw));
}

// Values are checked when the file is loaded, so building them here cannot fail.
void Hive::build_values(Node* node) {
    if (node->values_built) return;
    node->values_built = true;
    // One allocation of the right size: a large hive has hundreds of thousands of these lists.
    node->values.reserve(count_value_lines(text_.substr(node->block.head_end, node->block.end - node->block.head_end)));
    ValueReader reader(*this, node);
    read_value_lines(reader, node->block.head_end, node->block.end);
}

// The value lines of [begin, end) of the text; everything up to end belongs to the last.
void Hive::read_value_lines(ValueReader& reader, size_t begin, size_t end) {
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
    node->changed_at = text::filetime_now();
    dirty_ = true;
}

Hive::Node* Hive::child(const Node* parent, std::string_view name) const {
    const size_t i = find_name(parent->children, parent->children_sorted, name, node_name);
    return i == npos ? nullptr : parent->children[i];
}

Hive::Node* Hive::add_child(Node* parent, std::string_view name) {
    const size_t place = sorted_place(parent->children, parent->children_sorted, name, node_name);
    Node* node = nodes_.make(parent, nodes_.intern(std::string(name)));
    node->created = true;
    note_change(node);
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
    for (Entry& entry : child->values) forget_edit(entry);
    std::vector<Entry>().swap(child->values);
    child->values_built = true;
    touch(parent);
}

const std::vector<Hive::Entry>& Hive::values(Node* node) {
    build_values(node);
    return node->values;
}

const Hive::Entry* Hive::value(Node* node, std::string_view name) {
    const auto& list = values(node);
    const size_t i = find_name(list, node->values_sorted, name, entry_name);
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
    auto& values = node->values;
    size_t i = find_name(values, node->values_sorted, name, entry_name);
    edit_scratch_.clear();
    text::append_value(edit_scratch_, i == npos ? name : values[i].name, type, data);
    if (i != npos && values[i].type == type) {
        // The same lines are the same value; other lines (a hand-written form) may still be.
        if (text_of(values[i]) == edit_scratch_) return;
        const std::vector<uint8_t> held = this->data(values[i]);
        if (std::equal(held.begin(), held.end(), data.begin(), data.end())) return;
    }
    note_change(node);
    if (i == npos) {
        i = sorted_place(values, node->values_sorted, name, entry_name);
        values.insert(values.begin() + static_cast<ptrdiff_t>(i), Entry{});
        values[i].name = nodes_.intern(std::string(name));
    }
    values[i].type = type;
    store_edit(values[i], edit_scratch_);
    touch(node);
}

void Hive::store_edit(Entry& entry, std::string_view lines) {
    forget_edit(entry);
    // Replaced lines stay in the buffer until they outweigh the live ones.
    if (dead_edit_bytes_ > (1u << 20) && dead_edit_bytes_ > edits_.size() / 2) compact_edits();
    if (edits_.size() + lines.size() >= std::numeric_limits<uint32_t>::max())
        throw HiveError(file_.string() + ": too many changes to keep before a save");
    entry.edit_begin = static_cast<uint32_t>(edits_.size());
    edits_.append(lines);
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
    const auto keep_live = [&](Node& node) {
        for (Entry& entry : node.values) {
            if (!entry.edited()) continue;
            const std::string_view lines = text_of(entry);
            entry.edit_begin = static_cast<uint32_t>(live.size());
            live.append(lines);
            entry.edit_end = static_cast<uint32_t>(live.size());
        }
    };
    nodes_.for_each(keep_live);
    for (NodePool& pool : nodes_built_alongside_) pool.for_each(keep_live);
    edits_ = std::move(live);
    dead_edit_bytes_ = 0;
}

bool Hive::delete_value(Node* node, std::string_view name) {
    build_values(node);
    const size_t i = find_name(node->values, node->values_sorted, name, entry_name);
    if (i == npos) return false;
    note_change(node);
    forget_edit(node->values[i]);
    node->values.erase(node->values.begin() + static_cast<ptrdiff_t>(i));
    touch(node);
    return true;
}

void Hive::save() {
    AtomicFileWriter out(file_);
    Writer(*this, out).run();
    on_disk_ = out.commit();
    dirty_ = false;
    for (Node* node : changes_) node->in_changes = node->created = false;
    changes_.clear();
}

void Hive::note_change(Node* node) {
    if (node->in_changes) return;
    node->in_changes = true;
    // A key added since the save held nothing then.
    node->saved_values_hash = node->created ? 0 : values_hash(node);
    changes_.push_back(node);
}

uint64_t Hive::values_hash(Node* node) {
    // The sum of one hash per value, so the order of the values does not matter.
    uint64_t sum = 0;
    for (const Entry& entry : values(node)) {
        uint64_t h = 1469598103934665603ull;
        const auto mix = [&h](uint8_t byte) { h = (h ^ byte) * 1099511628211ull; };
        for (char c : entry.name) mix(static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c + 32 : c));
        mix(0);
        for (int shift = 0; shift < 32; shift += 8) mix(static_cast<uint8_t>(entry.type >> shift));
        for (uint8_t byte : data(entry)) mix(byte);
        h ^= h >> 31;
        sum += h * 0x9e3779b97f4a7c15ull;
    }
    return sum;
}

}  // namespace platform::registry
