// Loading a hive file: its lines scanned into sections (see hive_sections.h) and the tree of keys
// built from them, a large file's last part on a thread of its own.
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "platform/registry/hive.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/hive_lists.h"
#include "platform/registry/hive_sections.h"
#include "platform/registry/reg_text.h"
#include "platform/registry/registry.h"
#include "platform/sys/huge_page_memory.h"

namespace platform::registry {
namespace {

using hive_lists::find_loaded;
using hive_lists::node_name;

constexpr std::string_view signature = "WINE REGISTRY Version 2";
constexpr std::string_view relative_prefix = ";; All keys relative to ";
constexpr std::string_view arch_prefix = "#arch=";
constexpr size_t npos = std::string_view::npos;

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

}  // namespace

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
            hive_.own_values(node).changed_at = text::filetime_now();
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
        hive_.own_values(node).changed_at = text::filetime_now();
        merge_values(node, block);
    }

    // The values of a key's later section, added to those it has.
    void merge_values(Node* node, const Block& later) { hive_.add_value_lines(node, later.head_end, later.end); }

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
        if (reader_.worth_parsing_alongside()) {
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
    if (blocks_.empty() || used_in_last_ == blocks_.back().capacity) add_block();
    Node* node = std::construct_at(blocks_.back().nodes + used_in_last_++);
    node->name = name;
    node->parent = parent;
    return node;
}

namespace {

constexpr size_t first_block_nodes = 512;
constexpr size_t huge_block_nodes = platform::sys::kHugePageBytes / sizeof(Hive::Node);

}  // namespace

void Hive::NodePool::add_block() {
    const size_t capacity = blocks_.empty() ? first_block_nodes : std::min(blocks_.back().capacity * 4, huge_block_nodes);
    if (blocks_.size() == blocks_.capacity()) blocks_.reserve(std::max<size_t>(16, blocks_.size() * 2));
    void* memory = capacity == huge_block_nodes ? platform::sys::map_huge_pages(platform::sys::kHugePageBytes)
                                                : std::allocator<Node>().allocate(capacity);
    blocks_.push_back({static_cast<Node*>(memory), capacity});
    used_in_last_ = 0;
}

Hive::NodePool& Hive::NodePool::operator=(NodePool&& other) noexcept {
    if (this == &other) return *this;
    release();
    blocks_ = std::move(other.blocks_);
    used_in_last_ = std::exchange(other.used_in_last_, 0);
    names_ = std::move(other.names_);
    other.blocks_.clear();
    return *this;
}

void Hive::NodePool::release() {
    for (const Block& block : blocks_) {
        std::destroy_n(block.nodes, &block == &blocks_.back() ? used_in_last_ : block.capacity);
        if (block.capacity == huge_block_nodes) platform::sys::unmap_huge_pages(block.nodes, platform::sys::kHugePageBytes);
        else std::allocator<Node>().deallocate(block.nodes, block.capacity);
    }
    blocks_.clear();
    used_in_last_ = 0;
}

std::string_view Hive::NodePool::name_from_file(std::string_view raw) {
    return text::is_plain(raw) ? raw : intern(text::decode_name(raw));
}

}  // namespace platform::registry
