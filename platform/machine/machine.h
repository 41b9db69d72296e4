#pragma once
// A machine: a folder in Wine-prefix layout holding a Windows registry and Windows drives, or a
// Windows installation (a mounted Windows partition or a copy of one), whose folder is drive C:.
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/registry/registry.h"
#include "platform/removals/removal_log.h"

namespace platform {

struct MachineOptions {
    // Destructive operations on drives that map outside the machine folder are refused unless set.
    bool allow_outside_machine = false;
    // On a Windows installation with several user profiles: the one to open (its folder's name).
    std::string user;
};

// The folder is missing, is not a machine, or cannot be used now; the message says why.
class MachineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Why nothing on a machine may be changed, in parts for a text in the user's language.
struct ReadOnlyCause {
    enum class Kind {
        Hibernated,      // `where` is the installation
        HiveUnfinished,  // Windows did not finish writing the hive at `where`
        HiveLogAhead,    // the hive at `where` has a log, `log`, holding changes not yet in it
    } kind;
    std::filesystem::path where;
    std::string log;
};

class Machine {
public:
    // $XDG_DATA_HOME/tavrin/machine, or ~/.local/share/tavrin/machine.
    static std::filesystem::path default_sandbox_dir();
    // Opens the machine at dir; when dir is missing or empty a new sandbox machine is created
    // there first (Windows XP layout, the registry values the cleaners read, drive C:).
    static std::unique_ptr<Machine> open_or_create(const std::filesystem::path& dir, MachineOptions options = {},
                                                   bool* created = nullptr);
    // Opens an existing machine; MachineError when dir is not one.
    static std::unique_ptr<Machine> open(const std::filesystem::path& dir, MachineOptions options = {});

    ~Machine();
    const std::filesystem::path& dir() const;
    const MachineOptions& options() const;
    registry::Registry& registry();
    fs::FileSystem& files();
    // What the destructive operations record while a Recording is open.
    RemovalLog& removals();

    // Removes what saves of the registry that were killed midway left beside its hive files. Only
    // for the program that holds the machine (MachineLock): another one may be saving right now.
    void remove_unfinished_saves() const;

    std::string user_name() const;
    bool is_windows_installation() const;
    // Why nothing on this machine may be changed now ("" when changes may be made): a hibernated
    // Windows installation, or a hive Windows did not close cleanly. Reading and previews still work.
    std::string read_only_reason() const;
    // The same in parts; nullopt when changes may be made.
    std::optional<ReadOnlyCause> read_only_cause() const;
    // Windows version as Wine names it ("winxp", "win98", ...), read as design describes.
    std::string windows_version() const;
    // Flush point: every change made so far reaches the files of the machine folder, carried over
    // onto what another program saved meanwhile; returns a line for each key whose changes could
    // not be (see Registry::flush). While a wineserver serves the machine nothing is read or
    // written: it would write its own copy of the registry over ours. MachineError says so when
    // there are changes to save; they stay pending. The same on a machine that is only read. HiveError when a file cannot be read or written.
    std::vector<std::string> flush();

private:
    Machine(std::filesystem::path dir, MachineOptions options, std::unique_ptr<registry::Registry> registry);
    static std::unique_ptr<Machine> open_installation(const std::filesystem::path& dir, MachineOptions options);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A stretch of work whose removals are recorded, in the order they happen. A dry run changes
// nothing on the machine: the drives are left as they are, and the registry changes made in
// memory meanwhile are dropped at the end (what was pending before is saved first, so none of
// it is lost with them).
class Recording {
public:
    // mode: Record or DryRun. std::logic_error when a recording is open already.
    Recording(Machine& machine, RemovalLog::Mode mode);
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // Ends the recording and gives its list. MachineError when the registry cannot be read
    // again after a dry run: the machine then stays in the dry run, so that what the preview
    // did in memory can never be saved.
    std::vector<Removed> finish();

private:
    Machine& machine_;
    bool open_ = true;
};

// The machine every engine object works on (the program opens one at start; tests one per test).
Machine& current_machine();  // MachineError when none is set
bool has_current_machine();

// Makes a machine the current one for the lifetime of one object, and puts back the one that was
// current before (or none) on every way out: a return, an exception, a failed test assertion.
class CurrentMachineScope {
public:
    explicit CurrentMachineScope(Machine& machine);
    ~CurrentMachineScope();
    CurrentMachineScope(const CurrentMachineScope&) = delete;
    CurrentMachineScope& operator=(const CurrentMachineScope&) = delete;

private:
    Machine* earlier_;
};

}  // namespace platform
