#pragma once
// The machine's drives: Windows paths resolved through dosdevices, with Win32 file semantics.
// Every path argument is a Windows path ("C:\Documents and Settings\...").
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

namespace platform::fs {

namespace attr {
constexpr uint32_t ReadOnly = 0x1, Hidden = 0x2, System = 0x4, Directory = 0x10, Archive = 0x20,
                   Normal = 0x80, ReparsePoint = 0x400;  // a symbolic link
}

// A failed file operation: the Win32 error code and a message a user can read.
class FsError : public std::runtime_error {
public:
    FsError(uint32_t code, const std::string& message) : std::runtime_error(message), code_(code) {}
    uint32_t code() const { return code_; }

private:
    uint32_t code_;
};

// Win32 error codes used by FsError.
namespace error {
constexpr uint32_t FileNotFound = 2, PathNotFound = 3, AccessDenied = 5, InvalidHandle = 6, NotSameDevice = 17, NotReady = 21,
                   SharingViolation = 32, NotSupported = 50, FileExists = 80, DiskFull = 112, InvalidName = 123,
                   DirNotEmpty = 145, AlreadyExists = 183, FileTooLarge = 223, NotADirectory = 267;
}

struct FindData {
    std::string name;  // the entry's own name
    uint32_t attributes = 0;
    uint64_t size = 0;
    int64_t write_time = 0;  // seconds since 1970
};

// An entry's name and kind as a folder listing tells them, without looking at the entry itself.
struct ListedEntry {
    std::string name;
    bool folder = false;  // a real folder, not a link to one
    bool link = false;
};

enum class DriveType : uint32_t { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6 };

struct FreeSpace {
    uint64_t free_bytes = 0;
    uint64_t total_bytes = 0;
    // The classic per-cluster view of the same figures.
    uint32_t sectors_per_cluster = 8;
    uint32_t bytes_per_sector = 512;
    uint32_t free_clusters = 0;
    uint32_t total_clusters = 0;
};

// Windows wildcard match ("*" and "?", case-insensitive; "*.*" also matches names without a dot).
bool wildcard_match(std::string_view pattern, std::string_view name);
// Whether two names are the same entry's name, compared as Windows compares file names.
bool same_file_name(std::string_view a, std::string_view b);

// An open file, for the shredder's in-place overwrite and for plain reads and writes.
class File {
public:
    enum class Mode { Read, WriteInPlace /* open or create, never truncate */, CreateAlways /* truncate or create */ };
    File(File&&) noexcept;
    File& operator=(File&&) noexcept;
    ~File();
    uint64_t size() const;
    // FsError(DiskFull) when the disk or the drive's quota is full; as on a full disk, what fitted
    // has been written.
    void write_at(uint64_t offset, std::span<const uint8_t> data);
    void append(std::span<const uint8_t> data);
    size_t read_at(uint64_t offset, std::span<uint8_t> buffer) const;
    void sync();  // data reaches the device
    // Whether the file still has a name: false once it was deleted while open here.
    bool has_name() const;
    void close();

    struct Impl;  // opaque: defined and used only inside the file system layer

private:
    friend class FileSystem;
    friend class FlushBatch;
    explicit File(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

class Folder;

// Makes what was written in place through many files durable together: each file's own data is
// written back, and each device's write cache is flushed once for all of them. Flushing every
// small file on its own costs the device a cache flush each; flushing the whole file system
// would wait for every other program's dirty data too.
class FlushBatch {
public:
    FlushBatch();
    FlushBatch(FlushBatch&&) noexcept;
    FlushBatch& operator=(FlushBatch&&) noexcept;
    ~FlushBatch();
    // Takes the file, still open, and starts writing its data back; it is closed by flush().
    // Returns the key to ask flushed() with.
    size_t add(File file);
    // Waits for the data of every file added, flushes their devices, and closes the files.
    void flush();
    // Whether flush() brought what was written through the file of that key to the device.
    bool flushed(size_t key) const;

private:
    struct Entry;
    struct Device;
    void note_device(uint64_t id, int fd);
    void finish_write_back(Entry& entry);

    std::vector<Entry> entries_;
    size_t first_open_ = 0;  // entries before it are written back and closed
    std::vector<Device> devices_;
};

// What the machine keeps about its drives that the host cannot tell: the type its Windows was
// told, and the capacity the program was told to pretend.
class DriveSettings {
public:
    virtual DriveType type(char letter) const = 0;
    virtual std::optional<uint64_t> quota(char letter) const = 0;
    virtual void set_quota(char letter, std::optional<uint64_t> capacity_bytes) = 0;

protected:
    ~DriveSettings() = default;
};

class FileSystem {
public:
    // The drives that machine_dir's dosdevices folder maps. Changes outside machine_dir are
    // refused unless allow_outside_machine; removals are noted in `removals`. Both references
    // must outlive the file system.
    FileSystem(const std::filesystem::path& machine_dir, bool allow_outside_machine, RemovalLog& removals,
               DriveSettings& settings);
    ~FileSystem();

    // Resolves a Windows path to the host path (case-insensitive per component when the exact
    // name is absent; the last component may be missing). nullopt: drive not mapped, bad path.
    std::optional<std::filesystem::path> to_host(std::string_view windows_path) const;
    // The Windows path of a host path inside one of the drives; nullopt when no drive holds it.
    std::optional<std::string> to_windows(const std::filesystem::path& host_path) const;
    // True when the path's drive maps into the machine folder (or outside was allowed), and the
    // machine is not one that may only be read (see set_read_only).
    bool may_modify(std::string_view windows_path) const;
    // A folder of the machine that is kept elsewhere on this computer: windows_folder and every
    // path below it lead below host_folder (created when missing), which counts as inside the
    // machine. A Windows installation keeps the program's own folder so, outside of it.
    void mount(std::string_view windows_folder, const std::filesystem::path& host_folder);
    // From now on every destructive operation outside a dry run is refused with FsError
    // (AccessDenied) giving this reason ("" lifts it): a machine that may only be read. The
    // folders mounted from outside it (the program's own) are not part of it and stay writable.
    void set_read_only(std::string reason);
    // A folder that nothing may empty or remove, whatever the options: once every link on its way
    // is followed, the path leads to the root of the file system, to the user's home folder or a
    // folder holding it, or to the machine folder or a folder holding it. nullopt for any other.
    struct KeptFolder {
        enum class Kind { FileSystemRoot, Home, MachineFolder } kind;
        std::filesystem::path host;  // where the path leads
    };
    std::optional<KeptFolder> kept_folder(std::string_view folder) const;
    // Where the path leads when a link on its way takes it out of the machine folder and off its
    // own drive (a Wine prefix links its Templates folder to the user's home); nullopt when it
    // stays. Whatever the options allow, a folder the program found by itself is never emptied
    // there: only what the user names is.
    std::optional<std::filesystem::path> linked_out_of_machine(std::string_view path) const;
    // Where removals from these drives (and from stores kept on them) are recorded.
    RemovalLog& removals();

    // FindFirstFile/FindNextFile in one call: the entries of the folder matching the pattern's
    // last component, in the order NTFS lists them (sorted without regard to case), "." and ".."
    // included as Windows lists them (never in a drive's root). Empty when nothing matches or the
    // folder cannot be listed. A link is an entry with ReparsePoint (and Directory when it leads
    // to a folder): a recursive walk must not descend into it.
    std::vector<FindData> find(std::string_view pattern) const;

    // The entries of a folder (without "." and "..") by name, each with whether a listing with
    // normal attributes shows it: not a folder, not hidden, not system; a link as what it leads
    // to. What find(folder + "\*") tells of that, at a fraction of its cost: only the flags that
    // decide are read. Empty when the folder cannot be listed.
    struct ShownEntry {
        std::string name;
        bool normal = false;
    };
    std::vector<ShownEntry> normal_listing(std::string_view folder) const;
    // The entries of a folder (without "." and "..") by name and kind only, as Folder's
    // listed_entries() gives them: for walks and lookups that need to tell folders from files and
    // look closer at a few, without find()'s look at each entry or open_folder()'s checks. Empty
    // when the path names no folder.
    std::vector<ListedEntry> listed_entries(std::string_view folder) const;

    bool exists(std::string_view path) const;
    bool is_directory(std::string_view path) const;
    std::optional<uint32_t> attributes(std::string_view path) const;  // nullopt: missing
    void set_attributes(std::string_view path, uint32_t attributes);
    std::optional<uint64_t> file_size(std::string_view path) const;
    // Whether the file's data has names besides this one (hard links), which may lie anywhere on
    // the same file system, outside the machine too: such a file is never written through this
    // name (open for writing and set_attributes refuse it); removing the name leaves the data to
    // the others. False for a folder, a link and a missing name.
    bool has_other_names(std::string_view path) const;

    // Writing goes to the file itself: a final link inside the machine is followed to its file,
    // and a file that has other names is refused.
    File open(std::string_view path, File::Mode mode);
    // FsError when unreadable: also when the path names no regular file (a pipe, a device), links
    // out of the machine, or the file holds more than `most` bytes (FileTooLarge).
    std::string read_text(std::string_view path, uint64_t most = UINT64_MAX) const;
    void write_text(std::string_view path, std::string_view contents);  // replaced atomically

    // Destructive operations: refused with FsError(AccessDenied) outside the machine folder.
    void delete_file(std::string_view path, bool force = false);  // force: read-only too
    void copy_file(std::string_view from, std::string_view to, bool overwrite = true);
    void move_file(std::string_view from, std::string_view to);
    void create_directory(std::string_view path);  // creates missing parents; an existing folder is fine
    void remove_directory(std::string_view path);  // must be empty
    // Removes a folder with everything in it, never following links; not forced: a read-only
    // item stops it (what could be removed is gone). A drive root is refused.
    void delete_tree(std::string_view path);

    // A folder resolved once, for walking many of its entries; nullopt when the path names no
    // folder. A link given here is followed, as a path is.
    std::optional<Folder> open_folder(std::string_view path);

    // "A:\", "C:\", ... of the mapped drives, in letter order.
    std::vector<std::string> drives() const;
    DriveType drive_type(std::string_view root) const;
    // statvfs, or the machine's quota for that drive when one is set.
    FreeSpace free_space(std::string_view root) const;
    // Limits what the drive reports as its capacity (tests: a wipe never fills the real disk).
    // Kept in the machine's registry (HKLM\Software\Tavrin\DriveQuota), saved at the next flush.
    void set_quota(char drive_letter, std::optional<uint64_t> capacity_bytes);

    struct Impl;  // opaque: defined and used only inside the file system layer

private:
    std::unique_ptr<Impl> impl_;
};

// A folder resolved once, for walks over many entries: each entry is reached by its name through
// the folder's open descriptor, never by looking a path up again, so the work does not grow with
// the depth of the tree and a folder renamed or swapped above it cannot redirect it. Whether
// changes are allowed outside the machine was settled when the folder was opened; a link among
// the entries is never followed for a change. The operations do what FileSystem's operations of
// the same names do. A name is an entry's name as entries() gives it; one that is not a single
// component a Windows path could carry ("..", "a\b", "what?") reads as missing and is refused
// with InvalidName.
class Folder {
public:
    Folder(Folder&&) noexcept;
    Folder& operator=(Folder&&) noexcept;
    ~Folder();

    // The entries as find(path + "\*") lists them, without "." and "..".
    std::vector<FindData> entries() const;
    // The same entries by name and kind only: far cheaper on large trees, for walks that look
    // closer at a few of them.
    std::vector<ListedEntry> listed_entries() const;
    // A real folder among the entries; nullopt for a link, a file or a missing name.
    std::optional<Folder> subfolder(std::string_view name) const;

    std::optional<uint32_t> attributes(std::string_view name) const;
    std::optional<uint64_t> file_size(std::string_view name) const;
    // See FileSystem::has_other_names.
    bool has_other_names(std::string_view name) const;
    void set_attributes(std::string_view name, uint32_t attributes);
    // Writing never goes through a link, nor into a file that has other names.
    File open(std::string_view name, File::Mode mode);
    void delete_file(std::string_view name, bool force = false);
    void delete_tree(std::string_view name);

    struct Impl;  // opaque: defined and used only inside the file system layer

private:
    friend class FileSystem;
    friend class ConcurrentDeletes;
    explicit Folder(std::shared_ptr<Impl> impl);
    std::shared_ptr<Impl> impl_;
};

// A file reached by its name through the folder holding it, with its Windows path for messages.
struct FolderFile {
    std::shared_ptr<Folder> folder;
    std::string name;
    std::string path;
};

// Deletes files of folders several at a time, finished one by one in the order they were
// started. Where the file system discards the blocks a file frees (a mount with "discard"), each
// delete waits for the device; one after the other those waits add up, several in flight share
// them. Everything but the unlink itself happens on the caller's thread: the checks when a delete
// starts, the record of what went when it is finished.
class ConcurrentDeletes {
public:
    ConcurrentDeletes();
    // Waits for the deletes in flight, and records those that went.
    ~ConcurrentDeletes();
    ConcurrentDeletes(const ConcurrentDeletes&) = delete;
    ConcurrentDeletes& operator=(const ConcurrentDeletes&) = delete;

    // Whether another delete may start before the oldest is finished.
    bool has_room() const;
    // Checks the delete of the folder's file as Folder::delete_file does, and starts it. A delete
    // the checks refuse counts as started too: finishing it throws the refusal.
    void start(Folder& folder, std::string_view name, bool force = false);
    // Waits for the oldest delete not yet finished and records it as Folder::delete_file does,
    // or throws what Folder::delete_file would have thrown. There must be one.
    void finish_oldest();

private:
    class Crew;
    std::unique_ptr<Crew> crew_;
};

}  // namespace platform::fs
