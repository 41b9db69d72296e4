#include "platform/registry/registry.h"

#include <array>

#include "platform/fs/atomic_replace.h"
#include "platform/registry/hive.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/hive_merge.h"
#include "platform/registry/unicode.h"
#include "platform/removals/removal_log.h"

namespace platform::registry {
namespace {

constexpr std::string_view default_sid = "S-1-5-21-0-0-0-1000";
constexpr std::string_view user_prefix = "REGISTRY\\User\\";
constexpr std::string_view default_user = ".Default";
constexpr size_t max_value_name = 16383;

bool is_string_type(uint32_t t) { return t == type::Sz || t == type::ExpandSz || t == type::MultiSz; }

// Wine keeps strings as UTF-16LE; the ANSI view shows them as UTF-8, NULs and all.
std::vector<uint8_t> to_api(uint32_t value_type, std::vector<uint8_t> stored) {
    if (!is_string_type(value_type)) return stored;
    std::u16string units(stored.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(stored[2 * i] | (stored[2 * i + 1] << 8));
    const std::string text = utf16_to_utf8(units);
    return {text.begin(), text.end()};
}

std::vector<uint8_t> to_stored(uint32_t value_type, std::span<const uint8_t> data) {
    if (!is_string_type(value_type)) return {data.begin(), data.end()};
    const std::u16string units =
        utf8_to_utf16(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    std::vector<uint8_t> out;
    out.reserve(units.size() * 2);
    for (char16_t unit : units) {
        out.push_back(static_cast<uint8_t>(unit & 0xFF));
        out.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return out;
}

// Path components as Wine reads them: repeated backslashes count as one.
std::vector<std::string_view> split_path(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t begin = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\') continue;
        if (i > begin) parts.push_back(path.substr(begin, i - begin));
        begin = i + 1;
    }
    return parts;
}

bool known_root(Root root) {
    return root == Root::ClassesRoot || root == Root::CurrentUser || root == Root::LocalMachine || root == Root::Users;
}

struct RootName {
    Root root;
    std::string_view name;
    std::string_view short_name;
};
constexpr std::array<RootName, 4> root_names{{
    {Root::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {Root::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {Root::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {Root::Users, "HKEY_USERS", "HKU"},
}};

bool equals_ignoring_case(std::string_view a, std::string_view b) { return names_equal(a, b); }

}  // namespace

struct Registry::Impl {
    std::filesystem::path folder;
    std::unique_ptr<Hive> system;
    std::unique_ptr<Hive> user;
    std::unique_ptr<Hive> userdef;
    std::string sid;

    // What a root and path name: a key of a hive, or HKEY_USERS itself, which lists the hives.
    struct Target {
        Hive* hive = nullptr;
        Hive::Node* node = nullptr;
        bool users_root = false;
    };

    // Finds (or, with create, makes) the key. Missing keys give FileNotFound; keys that cannot be
    // made directly under HKEY_USERS give AccessDenied.
    Status locate(Root root, std::string_view path, bool create, Target& target) const {
        if (!known_root(root)) return Status::InvalidParameter;
        if (!path.empty() && path.front() == '\\') return Status::BadPathname;
        std::vector<std::string_view> parts = split_path(path);
        size_t first = 0;
        switch (root) {
        case Root::LocalMachine: target.hive = system.get(); break;
        case Root::CurrentUser: target.hive = user.get(); break;
        case Root::ClassesRoot:
            target.hive = system.get();
            parts.insert(parts.begin(), {"Software", "Classes"});
            break;
        case Root::Users:
            if (parts.empty()) {
                target.users_root = true;
                return Status::Ok;
            }
            if (equals_ignoring_case(parts[0], default_user)) target.hive = userdef.get();
            else if (equals_ignoring_case(parts[0], sid)) target.hive = user.get();
            else return create ? Status::AccessDenied : Status::FileNotFound;
            first = 1;
            break;
        }
        Hive::Node* node = target.hive->root();
        for (size_t i = first; i < parts.size(); ++i) {
            Hive::Node* next = target.hive->child(node, parts[i]);
            if (!next) {
                if (!create) return Status::FileNotFound;
                if (utf16_length(parts[i]) > kMaxKeyNameLength) return Status::InvalidParameter;
                next = target.hive->add_child(node, parts[i]);
            }
            node = next;
        }
        target.node = node;
        return Status::Ok;
    }

    std::vector<std::string_view> users_subkeys() const { return {default_user, sid}; }

    std::array<Hive*, 3> hives() const { return {system.get(), user.get(), userdef.get()}; }

    // A hive's place and the name its keys are reported under.
    struct Slot {
        std::unique_ptr<Hive>* hive;
        std::string root_name;
    };
    std::array<Slot, 3> slots() {
        return {{{&system, root_name(static_cast<uint32_t>(Root::LocalMachine))},
                 {&user, root_name(static_cast<uint32_t>(Root::CurrentUser))},
                 {&userdef, root_name(static_cast<uint32_t>(Root::Users)) + "\\" + std::string(default_user)}}};
    }

    // A hive another program saved since we loaded or saved it is read again; our unsaved
    // changes to it are carried over where they do not meet the other program's.
    static void take_outside_changes(const Slot& slot, std::vector<std::string>& not_saved) {
        Hive& ours = **slot.hive;
        if (!ours.changed_on_disk()) return;
        auto theirs = std::make_unique<Hive>(ours.file(), ours.relative_to(), ours.arch());
        if (ours.dirty()) {
            auto lines = reapply_changes(ours, *theirs, slot.root_name);
            not_saved.insert(not_saved.end(), lines.begin(), lines.end());
        }
        *slot.hive = std::move(theirs);
    }

    // Our changes, never saved over another program's: a file it wrote while ours was being
    // written is read again and our changes carried over once more, a few rounds at most.
    static std::optional<HeldFile> save_changes(const Slot& slot, std::vector<std::string>& not_saved) {
        constexpr int kRounds = 5;
        for (int round = 1;; ++round) {
            take_outside_changes(slot, not_saved);
            if (!(*slot.hive)->dirty()) return std::nullopt;
            try {
                return (*slot.hive)->save(true);
            } catch (const HiveFileChanged&) {
                if (round == kRounds)
                    throw HiveError((*slot.hive)->file().string() +
                                    ": another program kept writing it while it was saved; it keeps what that "
                                    "program wrote, and the changes made here are not saved yet");
            }
        }
    }

    template <class SaveOne>
    void save(SaveOne save_one) {
        // Every hive gets its chance; the first failure is reported once all were tried.
        std::exception_ptr first_error;
        std::vector<HeldFile> replaced;  // let go once the renames are durable
        for (const Slot& slot : slots()) {
            try {
                if (std::optional<HeldFile> held = save_one(slot)) replaced.push_back(std::move(*held));
            } catch (const HiveError&) {
                if (!first_error) first_error = std::current_exception();
            }
        }
        // The hives share the machine folder: one sync makes all their renames durable.
        if (!replaced.empty()) fs::sync_folder(folder);
        if (first_error) std::rethrow_exception(first_error);
    }
};

Registry::Registry(const std::filesystem::path& machine_dir) : impl_(std::make_unique<Impl>()) {
    impl_->folder = machine_dir;
    impl_->system = std::make_unique<Hive>(machine_dir / "system.reg", "REGISTRY\\Machine", "win32");
    const std::string arch = impl_->system->arch();
    impl_->user = std::make_unique<Hive>(machine_dir / "user.reg", std::string(user_prefix) + std::string(default_sid), arch);
    impl_->userdef = std::make_unique<Hive>(machine_dir / "userdef.reg", std::string(user_prefix) + ".Default", arch);
    const std::string& relative = impl_->user->relative_to();
    const bool names_user = relative.size() > user_prefix.size() &&
                            equals_ignoring_case(relative.substr(0, user_prefix.size()), user_prefix);
    impl_->sid = names_user ? relative.substr(user_prefix.size()) : std::string(default_sid);
}

Registry::~Registry() = default;

void Registry::reload() {
    Registry fresh(impl_->folder);
    impl_.swap(fresh.impl_);
}

bool Registry::key_exists(Root root, std::string_view path) const {
    Impl::Target target;
    return impl_->locate(root, path, false, target) == Status::Ok;
}

Status Registry::create_key(Root root, std::string_view path) {
    Impl::Target target;
    return impl_->locate(root, path, true, target);
}

namespace {

// The path as the registry editor shows it: "HKEY_CURRENT_USER\Software\...".
std::string registry_path(Root root, std::string_view path) {
    return root_name(static_cast<uint32_t>(root)) + "\\" + std::string(path);
}

// A value's data as a person reads it in a list of changes: a string without its final NUL, a
// number in decimal, other data as its bytes in hex.
std::string data_text(uint32_t value_type, std::span<const uint8_t> data) {
    if (is_string_type(value_type)) {
        std::string text(data.begin(), data.end());
        while (!text.empty() && text.back() == '\0') text.pop_back();
        return text;
    }
    if (value_type == type::Dword && data.size() == 4)
        return std::to_string(data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const uint8_t byte : data) text += {kDigits[byte >> 4], kDigits[byte & 15], ' '};
    if (!text.empty()) text.pop_back();
    return text;
}

}  // namespace

Status Registry::delete_key(Root root, std::string_view path) {
    if (!known_root(root) || split_path(path).empty()) return Status::InvalidParameter;
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    Hive::Node* node = target.node;
    if (!node->parent) return Status::AccessDenied;  // a hive itself (HKEY_USERS\.Default, ...)
    if (!node->children.empty()) return Status::KeyHasChildren;
    if (removals_ && removals_->recording())
        removals_->record(RemovedKind::Key, registry_path(root, path), data_size_of_key(root, path));
    target.hive->remove_child(node->parent, node);
    return Status::Ok;
}

Status Registry::query_value(Root root, std::string_view path, std::string_view name, Value& out) const {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    if (target.users_root) return Status::FileNotFound;
    const Hive::Entry* entry = target.hive->value(target.node, name);
    if (!entry) return Status::FileNotFound;
    out.type = entry->type;
    out.data = to_api(entry->type, target.hive->data(*entry));
    return Status::Ok;
}

Status Registry::set_value(Root root, std::string_view path, std::string_view name, uint32_t value_type,
                           std::span<const uint8_t> data) {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    if (target.users_root) return Status::AccessDenied;
    if (utf16_length(name) > max_value_name) return Status::InvalidParameter;
    if (removals_ && removals_->recording()) {
        const Hive::Entry* entry = target.hive->value(target.node, name);
        removals_->change(registry_path(root, path) + "\\" + std::string(name),
                          entry ? data_text(entry->type, to_api(entry->type, target.hive->data(*entry))) : "",
                          data_text(value_type, data));
    }
    target.hive->set_value(target.node, name, value_type, to_stored(value_type, data));
    return Status::Ok;
}

Status Registry::delete_value(Root root, std::string_view path, std::string_view name) {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    if (target.users_root) return Status::FileNotFound;
    const Hive::Entry* entry = target.hive->value(target.node, name);
    if (!entry) return Status::FileNotFound;
    if (removals_ && removals_->recording())
        removals_->record(RemovedKind::Value, registry_path(root, path) + "\\" + std::string(name),
                          to_api(entry->type, target.hive->data(*entry)).size());
    target.hive->delete_value(target.node, name);
    return Status::Ok;
}

bool Registry::dry_run() const { return removals_ && removals_->dry_run(); }

uint64_t Registry::data_size_of_key(Root root, std::string_view path) const {
    uint64_t size = 0;
    std::string name;
    Value value;
    for (uint32_t i = 0; enum_value(root, path, i, name, &value) == Status::Ok; ++i) size += value.data.size();
    return size;
}

Status Registry::enum_key(Root root, std::string_view path, uint32_t index, std::string& name) const {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    if (target.users_root) {
        const auto names = impl_->users_subkeys();
        if (index >= names.size()) return Status::NoMoreItems;
        name = names[index];
        return Status::Ok;
    }
    const auto& children = target.node->children;
    if (index >= children.size()) return Status::NoMoreItems;
    name = children[index]->name;
    return Status::Ok;
}

Status Registry::enum_value(Root root, std::string_view path, uint32_t index, std::string& name, Value* value) const {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    if (target.users_root) return Status::NoMoreItems;
    const auto& values = target.hive->values(target.node);
    if (index >= values.size()) return Status::NoMoreItems;
    const Hive::Entry& entry = values[index];
    name = entry.name;
    if (value) {
        value->type = entry.type;
        value->data = to_api(entry.type, target.hive->data(entry));
    }
    return Status::Ok;
}

Status Registry::query_info(Root root, std::string_view path, KeyInfo& info) const {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    info = KeyInfo{};
    if (target.users_root) {
        for (std::string_view name : impl_->users_subkeys()) {
            ++info.subkey_count;
            info.max_subkey_name_length = std::max<uint32_t>(info.max_subkey_name_length, static_cast<uint32_t>(name.size()));
        }
        return Status::Ok;
    }
    for (const Hive::Node* child : target.node->children) {
        ++info.subkey_count;
        info.max_subkey_name_length = std::max<uint32_t>(info.max_subkey_name_length, static_cast<uint32_t>(child->name.size()));
    }
    for (const Hive::Entry& entry : target.hive->values(target.node)) {
        ++info.value_count;
        info.max_value_name_length = std::max<uint32_t>(info.max_value_name_length, static_cast<uint32_t>(entry.name.size()));
    }
    return Status::Ok;
}

std::vector<std::string> Registry::subkey_names(Root root, std::string_view path) const {
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; enum_key(root, path, i, name) == Status::Ok; ++i) names.push_back(name);
    return names;
}

std::vector<std::string> Registry::value_names(Root root, std::string_view path) const {
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; enum_value(root, path, i, name) == Status::Ok; ++i) names.push_back(name);
    return names;
}

std::vector<Registry::NamedValue> Registry::values(Root root, std::string_view path) const {
    std::vector<NamedValue> found;
    Impl::Target target;
    if (impl_->locate(root, path, false, target) != Status::Ok || target.users_root) return found;
    for (const Hive::Entry& entry : target.hive->values(target.node)) {
        found.push_back({std::string(entry.name), Value{entry.type, to_api(entry.type, target.hive->data(entry))}});
    }
    return found;
}

std::vector<Registry::NamedValue> Registry::subkey_values(Root root, std::string_view path,
                                                          std::string_view value_name) const {
    std::vector<NamedValue> found;
    Impl::Target target;
    if (impl_->locate(root, path, false, target) != Status::Ok) return found;
    if (target.users_root) {
        for (std::string_view name : impl_->users_subkeys()) {
            Value value;
            bool present = query_value(root, name, value_name, value) == Status::Ok;
            found.push_back({std::string(name), present ? std::optional<Value>(std::move(value)) : std::nullopt});
        }
        return found;
    }
    for (Hive::Node* child : target.node->children) {
        NamedValue item{std::string(child->name), std::nullopt};
        if (const Hive::Entry* entry = target.hive->value(child, value_name))
            item.value = Value{entry->type, to_api(entry->type, target.hive->data(*entry))};
        found.push_back(std::move(item));
    }
    return found;
}

const std::string& Registry::user_sid() const { return impl_->sid; }

std::vector<std::string> Registry::flush() {
    if (dry_run()) return {};
    std::vector<std::string> not_saved;
    impl_->save([&](const Impl::Slot& slot) { return Impl::save_changes(slot, not_saved); });
    return not_saved;
}

void Registry::save_all() {
    if (dry_run()) return;
    impl_->save([](const Impl::Slot& slot) { return std::optional<HeldFile>((*slot.hive)->save(false)); });
}

bool Registry::has_unsaved_changes() const {
    for (const Hive* hive : impl_->hives())
        if (hive->dirty()) return true;
    return false;
}

bool parse_root_name(std::string_view name, Root& root) {
    for (const RootName& entry : root_names) {
        if (equals_ignoring_case(name, entry.name) || equals_ignoring_case(name, entry.short_name)) {
            root = entry.root;
            return true;
        }
    }
    return false;
}

std::string root_name(uint32_t root) {
    for (const RootName& entry : root_names)
        if (static_cast<uint32_t>(entry.root) == root) return std::string(entry.name);
    return {};
}

bool is_key_name(std::string_view name) {
    return !name.empty() && name.find('\\') == std::string_view::npos && utf16_length(name) <= kMaxKeyNameLength;
}

}  // namespace platform::registry
