#include "platform/registry/regf_hive.h"

#include <hivex.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/fs/atomic_replace.h"
#include "platform/registry/reg_text.h"
#include "platform/registry/regf_base_block.h"
#include "platform/registry/regf_cells.h"
#include "platform/registry/regf_free_cells.h"
#include "platform/registry/registry.h"
#include "platform/registry/unicode.h"

namespace platform::registry {
namespace {

// hivex hands out names and data in memory of malloc's.
struct FreeWithFree {
    void operator()(void* memory) const { std::free(memory); }
};
template <class T>
using Malloced = std::unique_ptr<T, FreeWithFree>;

struct CloseHive {
    void operator()(hive_h* hive) const { hivex_close(hive); }
};
// The whole of a hive file, mapped: to be changed in the page cache (a replacement), or only read.
class MappedHive {
public:
    enum Use { Changed, Read };
    MappedHive(int fd, const std::filesystem::path& file, Use use) {
        struct stat status {};
        if (::fstat(fd, &status) != 0 || status.st_size <= 0) throw HiveError(file.string() + ": it is empty");
        const auto size = static_cast<size_t>(status.st_size);
        void* mapped = ::mmap(nullptr, size, use == Changed ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
        if (mapped == MAP_FAILED) throw HiveError(file.string() + ": cannot map it (" + std::strerror(errno) + ")");
        bytes_ = {static_cast<uint8_t*>(mapped), size};
    }
    ~MappedHive() { ::munmap(bytes_.data(), bytes_.size()); }
    MappedHive(const MappedHive&) = delete;
    MappedHive& operator=(const MappedHive&) = delete;
    std::span<uint8_t> bytes() { return bytes_; }
    std::span<const uint8_t> bytes() const { return bytes_; }

private:
    std::span<uint8_t> bytes_;
};

// A descriptor closed when it goes out of scope.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Writes all of `bytes`; 0 or errno. One write for the whole: the page cache then holds the copy
// in large pieces, which the edits and the zeroing change without a fault for every 4 KB. A copy
// made in the kernel (copy_file_range) or in small writes left single pages, and touching them
// all took 0.1 to 0.3 s for a 30 MB hive, where this takes a few milliseconds.
int write_whole(int fd, std::span<const uint8_t> bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return put < 0 ? errno : EIO;
        done += static_cast<size_t>(put);
    }
    return 0;
}

bool name_before(const std::string& a, std::string_view b) { return compare_names(a, b) < 0; }

}  // namespace

RegfHive::RegfHive(std::filesystem::path file) : file_(std::move(file)) { open(); }

RegfHive::~RegfHive() {
    if (reader_) hivex_close(reader_);
}

void RegfHive::open() {
    read_only_reason_ = check_regf_base_block(file_);
    stamp_ = stamp_of(file_);
    errno = 0;
    reader_ = hivex_open(file_.c_str(), 0);
    if (!reader_) fail("hivex cannot read it (" + std::string(std::strerror(errno)) + "); it was left as it is");
    Node& root = nodes_.emplace_back();
    root.origin = hivex_root(reader_);
    if (!root.origin) fail("it has no root key");
    root_ = &root;
}

void RegfHive::fail(const std::string& what) const { throw HiveError(file_.string() + ": " + what); }

std::vector<RegfHive::Node*>& RegfHive::children(Node* of) {
    if (of->children_read) return of->children;
    errno = 0;
    Malloced<hive_node_h> listed(hivex_node_children(reader_, of->origin));
    if (!listed) fail("the subkeys of a key cannot be read (" + std::string(std::strerror(errno)) + ")");
    for (const hive_node_h* child = listed.get(); *child; ++child) {
        // A damaged subkey list can lead back up the tree, and a walk down it would never end.
        for (const Node* above = of; above; above = above->parent)
            if (above->origin == *child) fail("a key lists itself or a key above it as its subkey");
        Malloced<char> child_name(hivex_node_name(reader_, *child));
        if (!child_name) fail("the name of a key cannot be read");
        Node& made = nodes_.emplace_back();
        made.name = child_name.get();
        made.parent = of;
        made.origin = *child;
        of->children.push_back(&made);
    }
    std::stable_sort(of->children.begin(), of->children.end(),
                     [](const Node* a, const Node* b) { return name_before(a->name, b->name); });
    of->children_read = true;
    return of->children;
}

std::vector<RegfHive::Value>& RegfHive::values(Node* of) {
    if (of->values_read) return of->values;
    errno = 0;
    Malloced<hive_value_h> listed(hivex_node_values(reader_, of->origin));
    if (!listed) fail("the values of a key cannot be read (" + std::string(std::strerror(errno)) + ")");
    for (const hive_value_h* value = listed.get(); *value; ++value) {
        Malloced<char> value_name(hivex_value_key(reader_, *value));
        hive_type value_type{};
        size_t length = 0;
        if (!value_name || hivex_value_type(reader_, *value, &value_type, &length) != 0)
            fail("a value of a key cannot be read");
        of->values.push_back({value_name.get(), static_cast<uint32_t>(value_type), *value, std::nullopt});
    }
    of->values_read = true;
    return of->values;
}

const std::vector<uint8_t>& RegfHive::data(Value& value) {
    if (value.data) return *value.data;
    hive_type value_type{};
    size_t length = 0;
    errno = 0;
    Malloced<char> bytes(hivex_value_value(reader_, value.origin, &value_type, &length));
    if (!bytes && length != 0) fail("the data of value \"" + value.name + "\" cannot be read");
    const auto* begin = reinterpret_cast<const uint8_t*>(bytes.get());
    value.data.emplace(begin, begin + (bytes ? length : 0));
    return *value.data;
}

KeyStore::Key* RegfHive::root() {
    if (!root_) open();
    return key(root_);
}
KeyStore::Key* RegfHive::parent(Key* of) { return key(node(of)->parent); }
std::string_view RegfHive::name(Key* of) { return node(of)->name; }

KeyStore::Key* RegfHive::child(Key* of, std::string_view child_name) {
    const auto& list = children(node(of));
    const auto found = std::lower_bound(list.begin(), list.end(), child_name,
                                        [](const Node* a, std::string_view b) { return name_before(a->name, b); });
    return found != list.end() && names_equal((*found)->name, child_name) ? key(*found) : nullptr;
}

size_t RegfHive::child_count(Key* of) { return children(node(of)).size(); }
KeyStore::Key* RegfHive::child_at(Key* of, size_t index) { return key(children(node(of))[index]); }

KeyStore::Key* RegfHive::add_child(Key* of, std::string_view child_name) {
    auto& list = children(node(of));
    Node& made = nodes_.emplace_back();
    made.name = child_name;
    made.parent = node(of);
    made.children_read = made.values_read = true;
    const auto place = std::upper_bound(list.begin(), list.end(), made.name,
                                        [](const std::string& a, const Node* b) { return compare_names(a, b->name) < 0; });
    list.insert(place, &made);
    dirty_ = true;
    return key(&made);
}

void RegfHive::remove_child(Key* of, Key* gone) {
    auto& list = children(node(of));
    list.erase(std::remove(list.begin(), list.end(), node(gone)), list.end());
    if (node(gone)->origin) node(of)->removed_origins.push_back(node(gone)->origin);
    dirty_ = true;
}

size_t RegfHive::value_count(Key* of) { return values(node(of)).size(); }

KeyStore::ValueInfo RegfHive::value_at(Key* of, size_t index) {
    const Value& value = values(node(of))[index];
    return {value.name, value.type};
}

std::optional<size_t> RegfHive::find_value(Key* of, std::string_view value_name) {
    const auto& list = values(node(of));
    for (size_t i = 0; i < list.size(); ++i)
        if (names_equal(list[i].name, value_name)) return i;
    return std::nullopt;
}

std::vector<uint8_t> RegfHive::value_data(Key* of, size_t index) { return data(values(node(of))[index]); }

void RegfHive::set_value(Key* of, std::string_view value_name, uint32_t value_type, std::span<const uint8_t> bytes) {
    auto& list = values(node(of));
    const std::optional<size_t> index = find_value(of, value_name);
    if (index) {
        Value& value = list[*index];
        const auto& held = data(value);
        if (value.type == value_type && std::equal(held.begin(), held.end(), bytes.begin(), bytes.end())) return;
        value.type = value_type;
        value.data.emplace(bytes.begin(), bytes.end());
        value.rewritten = value.origin != 0;
    } else {
        list.push_back({std::string(value_name), value_type, 0, std::vector<uint8_t>(bytes.begin(), bytes.end())});
    }
    node(of)->values_changed = true;
    dirty_ = true;
}

bool RegfHive::delete_value(Key* of, std::string_view value_name) {
    const std::optional<size_t> index = find_value(of, value_name);
    if (!index) return false;
    auto& list = values(node(of));
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(*index));
    node(of)->values_changed = true;
    dirty_ = true;
    return true;
}

// The file's keys keep their places while hivex changes it: a key read from the file is found in
// the writer under the same handle.
void RegfHive::apply(hive_h* writer, Node* of, size_t where) {
    for (const size_t gone : of->removed_origins)
        if (hivex_node_delete_child(writer, gone) != 0) fail("a key cannot be removed (" + std::string(std::strerror(errno)) + ")");
    if (of->values_changed) {
        std::vector<hive_set_value> set;
        for (Value& value : of->values) {
            auto& bytes = const_cast<std::vector<uint8_t>&>(data(value));
            set.push_back({value.name.data(), static_cast<hive_type>(value.type), bytes.size(),
                           reinterpret_cast<char*>(bytes.data())});
        }
        if (hivex_node_set_values(writer, where, set.size(), set.data(), 0) != 0)
            fail("the values of key \"" + of->name + "\" cannot be written (" + std::string(std::strerror(errno)) + ")");
    }
    if (!of->children_read) return;
    for (Node* child : of->children) {
        size_t child_where = child->origin;
        if (!child_where) {
            child_where = hivex_node_add_child(writer, where, child->name.c_str());
            if (!child_where) fail("key \"" + child->name + "\" cannot be added (" + std::string(std::strerror(errno)) + ")");
        }
        apply(writer, child, child_where);
    }
}

bool RegfHive::fits_in_place(const RegfCellReader& cells, const Node* of) const {
    if (!of->origin) return false;
    if (of->values_changed)
        for (const Value& value : of->values)
            if (!value.origin || (value.rewritten && !cells.fits(value.origin, value.data->size()))) return false;
    if (of->children_read)
        for (const Node* child : of->children)
            if (!fits_in_place(cells, child)) return false;
    return true;
}

void RegfHive::apply_in_place(RegfCells& cells, const Node* of, uint64_t now) const {
    for (const size_t gone : of->removed_origins) cells.remove_key(of->origin, gone);
    if (of->values_changed) {
        for (const uint32_t held : cells.values_of(of->origin))
            if (std::none_of(of->values.begin(), of->values.end(), [&](const Value& kept) { return kept.origin == held; }))
                cells.remove_value(of->origin, held);
        for (const Value& value : of->values)
            if (value.rewritten) cells.rewrite_value(of->origin, value.origin, value.type, *value.data);
    }
    if (of->values_changed || !of->removed_origins.empty()) cells.set_written(of->origin, now);
    if (of->children_read)
        for (const Node* child : of->children) apply_in_place(cells, child, now);
}

// Makes the changes in the cells of a copy of the file written into the replacement, and zeroes its
// free cells, unless one of them needs a new cell: then nothing is written. Whether it was done.
bool RegfHive::write_in_place(int replacement) {
    {
        const Descriptor file{::open(file_.c_str(), O_RDONLY | O_CLOEXEC)};
        if (file.fd < 0) fail("cannot read it (" + std::string(std::strerror(errno)) + ")");
        const MappedHive original(file.fd, file_, MappedHive::Read);
        if (!fits_in_place(RegfCellReader(original.bytes(), file_), root_)) return false;
        if (const int error = write_whole(replacement, original.bytes()))
            fail("cannot copy it: " + std::string(std::strerror(error)));
    }
    MappedHive copy(replacement, file_, MappedHive::Changed);
    RegfCells cells(copy.bytes(), file_);
    const uint64_t now = text::filetime_now();
    apply_in_place(cells, root_, now);
    cells.finish(now);
    zero_free_cells(copy.bytes(), file_);
    return true;
}

// hivex writes the changed hive straight into the replacement; its free cells are zeroed in the
// page cache before anything reaches the disk, so each page is written to the device once.
void RegfHive::write_through_hivex(int replacement) {
    std::unique_ptr<hive_h, CloseHive> writer(hivex_open(file_.c_str(), HIVEX_OPEN_WRITE));
    if (!writer) fail("hivex cannot open it for writing (" + std::string(std::strerror(errno)) + ")");
    apply(writer.get(), root_, root_->origin);
    if (hivex_commit(writer.get(), ("/proc/self/fd/" + std::to_string(replacement)).c_str(), 0) != 0)
        fail("hivex cannot write the changed hive (" + std::string(std::strerror(errno)) + ")");
    writer.reset();
    zero_free_cells(MappedHive(replacement, file_, MappedHive::Changed).bytes(), file_);
}

void RegfHive::save() {
    if (!dirty_) return;
    if (!read_only_reason_.empty()) throw HiveError(read_only_reason_);
    if (stamp_of(file_) != stamp_) fail("another program changed it since it was read; it was not overwritten");
    fs::AtomicReplacement replacement(file_, file_);
    if (const int error = replacement.create_error()) fail("cannot make its replacement: " + std::string(std::strerror(error)));
    if (!write_in_place(replacement.fd())) write_through_hivex(replacement.fd());
    if (const int error = replacement.flush()) fail("cannot write its replacement: " + std::string(std::strerror(error)));
    if (const int error = replacement.put_in_place()) fail("cannot replace it: " + std::string(std::strerror(error)));
    fs::sync_folder(file_.parent_path());

    // What is loaded named places in the old file: the new one is read afresh when next asked.
    hivex_close(reader_);
    reader_ = nullptr;
    nodes_.clear();
    root_ = nullptr;
    dirty_ = false;
}

}  // namespace platform::registry
