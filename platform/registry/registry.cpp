#include "platform/registry/registry.h"

#include <array>

#include "platform/fs/atomic_replace.h"
#include "platform/registry/hive.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/hive_merge.h"
#include "platform/registry/regf_hive.h"
#include "platform/registry/unicode.h"
#include "platform/registry/wine_key_store.h"
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
    std::unique_ptr<WineKeyStore> system_keys, user_keys, userdef_keys;
    std::string sid;

    // A Windows installation's hives instead (user_classes may be missing).
    std::optional<WindowsHives> windows;
    std::unique_ptr<RegfHive> software, windows_system, default_hive, user_hive, user_classes;
    std::unique_ptr<Hive> kept;  // an installation's keys kept outside it (WindowsHives::kept_outside)
    std::unique_ptr<WineKeyStore> kept_keys;
    std::vector<std::vector<std::string>> kept_paths;  // each key's parts
    std::string classes_sid;  // HKEY_USERS\<sid>_Classes
    std::string read_only;    // the machine's own reason

    // Merged subkey lists of HKEY_CLASSES_ROOT keys, kept while nothing changes: cleaners
    // enumerate them by index.
    uint64_t generation = 0;
    struct Place {
        KeyStore* store = nullptr;
        KeyStore::Key* key = nullptr;
    };
    struct MergedChildren {
        KeyStore::Key* over = nullptr;
        KeyStore::Key* under = nullptr;
        uint64_t generation = ~uint64_t{0};
        std::vector<Place> children;
    } merged;

    // What a root and path name: a key of a hive, or a root that lists hives (HKEY_USERS; on
    // Windows HKEY_LOCAL_MACHINE too). `under` is the machine's key under HKEY_CLASSES_ROOT whose
    // subkeys show beside those of the user's `at`.
    struct Target {
        Place at;
        Place under;
        bool listing = false;
    };

    std::vector<std::string_view> listing(Root root) const {
        if (!windows) return {default_user, sid};
        if (root == Root::LocalMachine) return {"SOFTWARE", "SYSTEM"};
        std::vector<std::string_view> names{".DEFAULT", sid};
        if (user_classes) names.push_back(classes_sid);
        return names;
    }

    static Status walk(Place from, const std::vector<std::string_view>& parts, size_t first, bool create, Place& out) {
        KeyStore::Key* key = from.key;
        for (size_t i = first; i < parts.size(); ++i) {
            KeyStore::Key* next = from.store->child(key, parts[i]);
            if (!next) {
                if (!create) return Status::FileNotFound;
                if (utf16_length(parts[i]) > kMaxKeyNameLength) return Status::InvalidParameter;
                next = from.store->add_child(key, parts[i]);
            }
            key = next;
        }
        out = {from.store, key};
        return Status::Ok;
    }

    static Place root_of(KeyStore* store) { return {store, store->root()}; }

    bool kept_outside(const std::vector<std::string_view>& parts, size_t first) const {
        return std::any_of(kept_paths.begin(), kept_paths.end(), [&](const std::vector<std::string>& kept_parts) {
            return parts.size() - first >= kept_parts.size() &&
                   std::equal(kept_parts.begin(), kept_parts.end(), parts.begin() + static_cast<std::ptrdiff_t>(first),
                              [](const std::string& a, std::string_view b) { return equals_ignoring_case(a, b); });
        });
    }

    // The user's hive, where Software\Classes is UsrClass.dat when the profile has one, and the
    // keys kept outside the installation are in their own file.
    Status walk_user(const std::vector<std::string_view>& parts, size_t first, bool create, Place& out) const {
        if (kept_keys && kept_outside(parts, first)) return walk(root_of(kept_keys.get()), parts, first, create, out);
        if (user_classes && parts.size() >= first + 2 && equals_ignoring_case(parts[first], "Software") &&
            equals_ignoring_case(parts[first + 1], "Classes"))
            return walk(root_of(user_classes.get()), parts, first + 2, create, out);
        return walk(root_of(user_hive.get()), parts, first, create, out);
    }

    // The user's classes over the machine's: a key the user has is the user's; a new one goes
    // to the machine's classes.
    Status walk_classes(const std::vector<std::string_view>& parts, bool create, Target& target) const {
        std::vector<std::string_view> user_parts{"Software", "Classes"};
        user_parts.insert(user_parts.end(), parts.begin(), parts.end());
        std::vector<std::string_view> machine_parts{"Classes"};
        machine_parts.insert(machine_parts.end(), parts.begin(), parts.end());
        if (walk_user(user_parts, 0, false, target.at) == Status::Ok) {
            if (walk(root_of(software.get()), machine_parts, 0, false, target.under) != Status::Ok) target.under = {};
            return Status::Ok;
        }
        return walk(root_of(software.get()), machine_parts, 0, create, target.at);
    }

    Status locate_windows(Root root, const std::vector<std::string_view>& parts, bool create, Target& target) const {
        const Status not_there = create ? Status::AccessDenied : Status::FileNotFound;
        switch (root) {
        case Root::LocalMachine:
            if (parts.empty()) break;
            if (equals_ignoring_case(parts[0], "SOFTWARE")) return walk(root_of(software.get()), parts, 1, create, target.at);
            if (equals_ignoring_case(parts[0], "SYSTEM")) return walk(root_of(windows_system.get()), parts, 1, create, target.at);
            return not_there;
        case Root::CurrentUser: return walk_user(parts, 0, create, target.at);
        case Root::ClassesRoot: return walk_classes(parts, create, target);
        case Root::Users:
            if (parts.empty()) break;
            if (equals_ignoring_case(parts[0], ".DEFAULT")) return walk(root_of(default_hive.get()), parts, 1, create, target.at);
            if (equals_ignoring_case(parts[0], sid)) return walk_user(parts, 1, create, target.at);
            if (user_classes && equals_ignoring_case(parts[0], classes_sid))
                return walk(root_of(user_classes.get()), parts, 1, create, target.at);
            return not_there;
        }
        target.listing = true;
        return Status::Ok;
    }

    // Finds (or, with create, makes) the key. Missing keys give FileNotFound; keys that cannot be
    // made directly under a root that lists hives give AccessDenied.
    Status locate(Root root, std::string_view path, bool create, Target& target) const {
        if (!known_root(root)) return Status::InvalidParameter;
        if (!path.empty() && path.front() == '\\') return Status::BadPathname;
        std::vector<std::string_view> parts = split_path(path);
        if (windows) return locate_windows(root, parts, create, target);
        switch (root) {
        case Root::LocalMachine: return walk(root_of(system_keys.get()), parts, 0, create, target.at);
        case Root::CurrentUser: return walk(root_of(user_keys.get()), parts, 0, create, target.at);
        case Root::ClassesRoot:
            parts.insert(parts.begin(), {"Software", "Classes"});
            return walk(root_of(system_keys.get()), parts, 0, create, target.at);
        case Root::Users:
            if (parts.empty()) {
                target.listing = true;
                return Status::Ok;
            }
            if (equals_ignoring_case(parts[0], default_user)) return walk(root_of(userdef_keys.get()), parts, 1, create, target.at);
            if (equals_ignoring_case(parts[0], sid)) return walk(root_of(user_keys.get()), parts, 1, create, target.at);
            return create ? Status::AccessDenied : Status::FileNotFound;
        }
        return Status::InvalidParameter;
    }

    // The subkeys of a located key: the user's and the machine's classes together, in order,
    // a name the user has hiding the machine's.
    const std::vector<Place>& merged_children(const Target& target) {
        if (merged.over == target.at.key && merged.under == target.under.key && merged.generation == generation)
            return merged.children;
        merged = {target.at.key, target.under.key, generation, {}};
        const auto list = [](Place of) {
            std::vector<Place> places;
            for (size_t i = 0, n = of.store->child_count(of.key); i < n; ++i)
                places.push_back({of.store, of.store->child_at(of.key, i)});
            return places;
        };
        const std::vector<Place> over = list(target.at), under = list(target.under);
        const auto name = [](Place place) { return place.store->name(place.key); };
        size_t i = 0, j = 0;
        while (i < over.size() || j < under.size()) {
            const int order = i == over.size() ? 1 : j == under.size() ? -1 : compare_names(name(over[i]), name(under[j]));
            if (order <= 0) merged.children.push_back(over[i++]);
            else merged.children.push_back(under[j++]);
            if (order == 0) ++j;
        }
        return merged.children;
    }

    size_t child_count(const Target& target) {
        if (target.under.key) return merged_children(target).size();
        return target.at.store->child_count(target.at.key);
    }
    Place child_at(const Target& target, size_t index) {
        if (target.under.key) return merged_children(target)[index];
        return {target.at.store, target.at.store->child_at(target.at.key, index)};
    }

    std::vector<KeyStore*> stores() const {
        if (!windows) return {system_keys.get(), user_keys.get(), userdef_keys.get()};
        std::vector<KeyStore*> all{software.get(), windows_system.get(), default_hive.get(), user_hive.get()};
        if (user_classes) all.push_back(user_classes.get());
        if (kept_keys) all.push_back(kept_keys.get());
        return all;
    }
    std::vector<RegfHive*> regf_hives() const {
        std::vector<RegfHive*> all{software.get(), windows_system.get(), default_hive.get(), user_hive.get()};
        if (user_classes) all.push_back(user_classes.get());
        return all;
    }

    std::string read_only_reason() const {
        if (!read_only.empty()) return read_only;
        if (windows)
            for (const RegfHive* hive : regf_hives())
                if (!hive->read_only_reason().empty()) return hive->read_only_reason();
        return {};
    }

    bool dirty() const {
        for (const KeyStore* store : stores())
            if (store->dirty()) return true;
        return false;
    }

    // Whether saving is refused; throws HiveError with the reason when there are changes to save.
    // The keys an installation keeps outside it are saved whatever the installation allows.
    bool held_read_only() const {
        const std::string reason = read_only_reason();
        if (reason.empty()) return false;
        for (const KeyStore* store : stores())
            if (store != kept_keys.get() && store->dirty()) throw HiveError(reason);
        return true;
    }

    // A Windows installation's changed hives, each written on its own; the first failure is
    // reported once all were tried.
    void save_windows() {
        if (kept && kept->dirty()) {
            const HeldFile replaced = kept->save(false);
            platform::fs::sync_folder(kept->file().parent_path());
        }
        if (held_read_only()) return;
        ++generation;  // a saved hive is read afresh: what was read of it is gone
        std::exception_ptr first_error;
        for (RegfHive* hive : regf_hives()) {
            try {
                hive->save();
            } catch (const HiveError&) {
                if (!first_error) first_error = std::current_exception();
            }
        }
        if (first_error) std::rethrow_exception(first_error);
    }

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
    impl_->system_keys = std::make_unique<WineKeyStore>(impl_->system);
    impl_->user_keys = std::make_unique<WineKeyStore>(impl_->user);
    impl_->userdef_keys = std::make_unique<WineKeyStore>(impl_->userdef);
    const std::string& relative = impl_->user->relative_to();
    const bool names_user = relative.size() > user_prefix.size() &&
                            equals_ignoring_case(relative.substr(0, user_prefix.size()), user_prefix);
    impl_->sid = names_user ? relative.substr(user_prefix.size()) : std::string(default_sid);
}

Registry::Registry(const WindowsHives& hives) : impl_(std::make_unique<Impl>()) {
    impl_->windows = hives;
    impl_->software = std::make_unique<RegfHive>(hives.software);
    impl_->windows_system = std::make_unique<RegfHive>(hives.system);
    impl_->default_hive = std::make_unique<RegfHive>(hives.default_user);
    impl_->user_hive = std::make_unique<RegfHive>(hives.user);
    if (!hives.user_classes.empty()) impl_->user_classes = std::make_unique<RegfHive>(hives.user_classes);
    impl_->sid = hives.user_sid;
    impl_->classes_sid = hives.user_sid + "_Classes";
    if (!hives.kept_outside.file.empty()) {
        impl_->kept = std::make_unique<Hive>(hives.kept_outside.file, "REGISTRY\\User\\" + hives.user_sid, "win64");
        impl_->kept_keys = std::make_unique<WineKeyStore>(impl_->kept);
        for (const std::string& key : hives.kept_outside.keys) {
            std::vector<std::string>& parts = impl_->kept_paths.emplace_back();
            for (const std::string_view part : split_path(key)) parts.emplace_back(part);
        }
    }
}

Registry::~Registry() = default;

void Registry::reload() {
    if (impl_->windows) {
        Registry fresh(*impl_->windows);
        fresh.impl_->read_only = impl_->read_only;
        impl_.swap(fresh.impl_);
        return;
    }
    Registry fresh(impl_->folder);
    impl_.swap(fresh.impl_);
}

std::string Registry::read_only_reason() const { return impl_->read_only_reason(); }

void Registry::set_read_only(std::string reason) { impl_->read_only = std::move(reason); }

bool Registry::key_exists(Root root, std::string_view path) const {
    Impl::Target target;
    return impl_->locate(root, path, false, target) == Status::Ok;
}

Status Registry::create_key(Root root, std::string_view path) {
    Impl::Target target;
    ++impl_->generation;
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
    if (target.listing) return Status::AccessDenied;
    auto [store, key] = target.at;
    KeyStore::Key* parent = store->parent(key);
    if (!parent) return Status::AccessDenied;  // a hive itself (HKEY_USERS\.Default, ...)
    if (store->child_count(key) != 0) return Status::KeyHasChildren;
    if (removals_ && removals_->recording())
        removals_->record(RemovedKind::Key, registry_path(root, path), data_size_of_key(root, path));
    store->remove_child(parent, key);
    ++impl_->generation;
    return Status::Ok;
}

namespace {

Value value_of(KeyStore& store, KeyStore::Key* key, size_t index) {
    const uint32_t value_type = store.value_at(key, index).type;
    return {value_type, to_api(value_type, store.value_data(key, index))};
}

}  // namespace

Status Registry::query_value(Root root, std::string_view path, std::string_view name, Value& out) const {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    if (target.listing) return Status::FileNotFound;
    auto [store, key] = target.at;
    const std::optional<size_t> index = store->find_value(key, name);
    if (!index) return Status::FileNotFound;
    out = value_of(*store, key, *index);
    return Status::Ok;
}

Status Registry::set_value(Root root, std::string_view path, std::string_view name, uint32_t value_type,
                           std::span<const uint8_t> data) {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    if (target.listing) return Status::AccessDenied;
    if (utf16_length(name) > max_value_name) return Status::InvalidParameter;
    auto [store, key] = target.at;
    if (removals_ && removals_->recording()) {
        const std::optional<size_t> index = store->find_value(key, name);
        std::string before;
        if (index) {
            const Value held = value_of(*store, key, *index);
            before = data_text(held.type, held.data);
        }
        removals_->change(registry_path(root, path) + "\\" + std::string(name), before, data_text(value_type, data));
    }
    store->set_value(key, name, value_type, to_stored(value_type, data));
    return Status::Ok;
}

Status Registry::delete_value(Root root, std::string_view path, std::string_view name) {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    if (target.listing) return Status::FileNotFound;
    auto [store, key] = target.at;
    const std::optional<size_t> index = store->find_value(key, name);
    if (!index) return Status::FileNotFound;
    if (removals_ && removals_->recording())
        removals_->record(RemovedKind::Value, registry_path(root, path) + "\\" + std::string(name),
                          value_of(*store, key, *index).data.size());
    store->delete_value(key, name);
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
    if (target.listing) {
        const auto names = impl_->listing(root);
        if (index >= names.size()) return Status::NoMoreItems;
        name = names[index];
        return Status::Ok;
    }
    if (index >= impl_->child_count(target)) return Status::NoMoreItems;
    const Impl::Place child = impl_->child_at(target, index);
    name = child.store->name(child.key);
    return Status::Ok;
}

Status Registry::enum_value(Root root, std::string_view path, uint32_t index, std::string& name, Value* value) const {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    if (target.listing) return Status::NoMoreItems;
    auto [store, key] = target.at;
    if (index >= store->value_count(key)) return Status::NoMoreItems;
    name = store->value_at(key, index).name;
    if (value) *value = value_of(*store, key, index);
    return Status::Ok;
}

Status Registry::query_info(Root root, std::string_view path, KeyInfo& info) const {
    Impl::Target target;
    if (const Status status = impl_->locate(root, path, false, target); status != Status::Ok) return status;
    info = KeyInfo{};
    const auto count_subkey = [&](std::string_view name) {
        ++info.subkey_count;
        info.max_subkey_name_length = std::max<uint32_t>(info.max_subkey_name_length, static_cast<uint32_t>(name.size()));
    };
    if (target.listing) {
        for (std::string_view name : impl_->listing(root)) count_subkey(name);
        return Status::Ok;
    }
    for (size_t i = 0, n = impl_->child_count(target); i < n; ++i) {
        const Impl::Place child = impl_->child_at(target, i);
        count_subkey(child.store->name(child.key));
    }
    auto [store, key] = target.at;
    for (size_t i = 0, n = store->value_count(key); i < n; ++i) {
        ++info.value_count;
        info.max_value_name_length =
            std::max<uint32_t>(info.max_value_name_length, static_cast<uint32_t>(store->value_at(key, i).name.size()));
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
    if (impl_->locate(root, path, false, target) != Status::Ok || target.listing) return found;
    auto [store, key] = target.at;
    for (size_t i = 0, n = store->value_count(key); i < n; ++i)
        found.push_back({std::string(store->value_at(key, i).name), value_of(*store, key, i)});
    return found;
}

std::vector<Registry::NamedValue> Registry::subkey_values(Root root, std::string_view path,
                                                          std::string_view value_name) const {
    std::vector<NamedValue> found;
    Impl::Target target;
    if (impl_->locate(root, path, false, target) != Status::Ok) return found;
    if (target.listing) {
        for (std::string_view name : impl_->listing(root)) {
            Value value;
            bool present = query_value(root, name, value_name, value) == Status::Ok;
            found.push_back({std::string(name), present ? std::optional<Value>(std::move(value)) : std::nullopt});
        }
        return found;
    }
    for (size_t i = 0, n = impl_->child_count(target); i < n; ++i) {
        const auto [store, child] = impl_->child_at(target, i);
        NamedValue item{std::string(store->name(child)), std::nullopt};
        if (const std::optional<size_t> index = store->find_value(child, value_name))
            item.value = value_of(*store, child, *index);
        found.push_back(std::move(item));
    }
    return found;
}

const std::string& Registry::user_sid() const { return impl_->sid; }

std::vector<std::string> Registry::flush() {
    if (dry_run()) return {};
    if (impl_->windows) {
        impl_->save_windows();
        return {};
    }
    if (impl_->held_read_only()) return {};
    std::vector<std::string> not_saved;
    impl_->save([&](const Impl::Slot& slot) { return Impl::save_changes(slot, not_saved); });
    return not_saved;
}

void Registry::save_all() {
    if (dry_run()) return;
    // A Windows installation's unchanged hives are never rewritten.
    if (impl_->windows) return impl_->save_windows();
    if (impl_->held_read_only()) return;
    impl_->save([](const Impl::Slot& slot) { return std::optional<HeldFile>((*slot.hive)->save(false)); });
}

bool Registry::has_unsaved_changes() const { return impl_->dirty(); }

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
