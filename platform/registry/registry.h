#pragma once
// The machine's Windows registry, kept in Wine's hive files (system.reg, user.reg, userdef.reg) or
// in the binary hive files of a Windows installation, with the Win32 semantics of the ANSI
// registry functions. Text crosses this API as UTF-8.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class RemovalLog;
}

namespace platform::registry {

enum class Root : uint32_t {
    ClassesRoot = 0x80000000u,   // HKLM\Software\Classes
    CurrentUser = 0x80000001u,   // user.reg
    LocalMachine = 0x80000002u,  // system.reg
    Users = 0x80000003u,         // .Default -> userdef.reg, <user SID> -> user.reg
};

// Win32 error codes, so callers read like the platform they stand in for.
enum class Status : uint32_t {
    Ok = 0,
    FileNotFound = 2,       // key or value missing
    AccessDenied = 5,
    InvalidParameter = 87,  // unknown root, empty path where one is required
    BadPathname = 161,      // a path that starts with "\"
    MoreData = 234,
    NoMoreItems = 259,      // enumeration index past the end
    KeyHasChildren = 1020,  // single-key deletion of a key with subkeys
};

// Registry value type codes (REG_SZ = 1, ...).
namespace type {
constexpr uint32_t None = 0, Sz = 1, ExpandSz = 2, Binary = 3, Dword = 4, DwordBigEndian = 5, Link = 6,
                   MultiSz = 7, ResourceList = 8, FullResourceDescriptor = 9, ResourceRequirementsList = 10,
                   Qword = 11;
}

// A value as the ANSI functions see it: string types hold UTF-8 with their terminating NUL(s)
// (REG_MULTI_SZ: items each ended by NUL plus a final NUL), every other type its raw bytes.
struct Value {
    uint32_t type = type::None;
    std::vector<uint8_t> data;
};

struct KeyInfo {
    uint32_t subkey_count = 0;
    uint32_t value_count = 0;
    uint32_t max_subkey_name_length = 0;
    uint32_t max_value_name_length = 0;  // in characters, without the terminating NUL
    // (Lengths count the bytes of the UTF-8 names: the characters of this ANSI view.)
};

// Thrown when a hive file cannot be read: names the file and the line. The file is left alone.
class HiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The hive files of one Windows installation.
struct WindowsHives {
    std::filesystem::path software, system, default_user;  // config\SOFTWARE, SYSTEM, DEFAULT
    std::filesystem::path user;                            // the chosen user's NTUSER.DAT
    std::filesystem::path user_classes;                    // UsrClass.dat; empty when the profile has none
    std::string user_sid;                                  // names the user's key under HKEY_USERS
    // Keys under HKEY_CURRENT_USER kept in a Wine hive file outside the installation instead of
    // the user's hive (the program's own settings), each with everything below it.
    struct KeptOutside {
        std::filesystem::path file;
        std::vector<std::string> keys;
    } kept_outside;
};

// Not for concurrent use, not even by readers only: a key's values are built from the loaded text
// the first time they are asked for, so const members may change the model's insides.
class Registry {
public:
    // Loads the three hive files of the machine folder (a missing file is an empty hive).
    // user_sid names the current user's key under HKEY_USERS (the SID in user.reg's header).
    explicit Registry(const std::filesystem::path& machine_dir);
    // Opens the hives of a Windows installation as Windows mounts them: HKLM lists SOFTWARE and
    // SYSTEM, HKU\.DEFAULT and HKU\<sid> (= HKCU) their files, HKCU\Software\Classes is the
    // user's UsrClass.dat where there is one, and HKCR shows the user's classes over the machine's.
    // Nothing is read until asked for. Throws HiveError naming a file that cannot be opened.
    explicit Registry(const WindowsHives& hives);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Paths are below the root, components separated by "\", no leading backslash; "" is the root.
    bool key_exists(Root root, std::string_view path) const;
    Status create_key(Root root, std::string_view path);  // creates missing parents too
    Status delete_key(Root root, std::string_view path);  // KeyHasChildren while subkeys exist
    Status query_value(Root root, std::string_view path, std::string_view name, Value& out) const;
    // The key must exist (as after RegOpenKeyEx); "" names the default value.
    Status set_value(Root root, std::string_view path, std::string_view name, uint32_t type,
                     std::span<const uint8_t> data);
    Status delete_value(Root root, std::string_view path, std::string_view name);
    // Enumeration by index in the order Wine keeps (sorted case-insensitively; a file's own order kept).
    Status enum_key(Root root, std::string_view path, uint32_t index, std::string& name) const;
    Status enum_value(Root root, std::string_view path, uint32_t index, std::string& name,
                      Value* value = nullptr) const;
    Status query_info(Root root, std::string_view path, KeyInfo& info) const;

    // Convenience over the above.
    std::vector<std::string> subkey_names(Root root, std::string_view path) const;
    std::vector<std::string> value_names(Root root, std::string_view path) const;

    // A whole key in one lookup, for scans over keys with thousands of entries; empty when the
    // key is missing. Order as enumeration gives it.
    struct NamedValue {
        std::string name;
        std::optional<Value> value;  // nullopt: a subkey without the value asked for
    };
    // Every value of the key with its data.
    std::vector<NamedValue> values(Root root, std::string_view path) const;
    // Every subkey of the key by name, with its value `value_name` ("" the default value).
    std::vector<NamedValue> subkey_values(Root root, std::string_view path, std::string_view value_name) const;

    const std::string& user_sid() const;

    // Where key and value deletions are recorded. In a dry run the deletions happen in memory
    // only, so later steps see them, and flush() and save_all() write nothing: the recording's
    // owner drops them with reload() when the run is over.
    void set_removal_log(RemovalLog* log) { removals_ = log; }

    // Flush point: writes every changed hive atomically (temporary file, fsync, rename).
    // A hive file that another program saved since we loaded or saved it is never overwritten:
    // it is read again and the changes made here are carried over, key by key, where that program
    // left the key alone. Returns one line per key whose changes were not carried over.
    // Throws HiveError naming the file when one cannot be read or written; that file is left as
    // it was and its changes stay pending.
    std::vector<std::string> flush();
    // Writes all three hives, changed or not (a new machine gets every file). Throws HiveError.
    void save_all();
    bool has_unsaved_changes() const;
    // Reads the three hive files again, as another program (Wine) left them. Changes not flushed
    // are dropped: flush first. Throws HiveError, keeping the hives as they were, when a file
    // cannot be read.
    void reload();

    // Why nothing may be saved ("" when changes may be): a hive Windows did not close cleanly,
    // named with what to do, or the reason the machine gave. While there is one, flush() and
    // save_all() change no file and throw HiveError with it when there are changes; changes in
    // memory (a preview's) work as ever.
    std::string read_only_reason() const;
    void set_read_only(std::string reason);

private:
    bool dry_run() const;
    uint64_t data_size_of_key(Root root, std::string_view path) const;

    struct Impl;
    std::unique_ptr<Impl> impl_;
    RemovalLog* removals_ = nullptr;
};

// Removes the half-written replacements of hive files that a program killed during a save left
// in the machine folder. Only for the program that holds the machine: another one may be writing
// its own replacement right now.
void remove_stale_replacements(const std::filesystem::path& machine_dir);

// Parses "HKEY_CURRENT_USER" (any case; also "HKCU" & co.) into a root; false when unknown.
bool parse_root_name(std::string_view name, Root& root);
// "HKEY_CURRENT_USER" for a root; "" for anything else.
std::string root_name(uint32_t root);

// The longest name one key may have, in characters as Windows counts them (UTF-16 units).
constexpr size_t kMaxKeyNameLength = 255;
// Whether a text can be the name of one key: not empty, no "\", at most kMaxKeyNameLength.
bool is_key_name(std::string_view name);

}  // namespace platform::registry
