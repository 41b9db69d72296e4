#include "platform/machine/machine.h"

#include <cstdlib>
#include <utility>

#include "platform/fs/atomic_replace.h"
#include "platform/fs/installation_layout.h"
#include "platform/machine/drive_settings.h"
#include "platform/machine/install.h"
#include "platform/machine/registry_values.h"
#include "platform/machine/sandbox.h"
#include "platform/machine/windows_installation.h"
#include "platform/machine/windows_version.h"
#include "platform/machine/wineserver.h"
#include "platform/registry/regf_base_block.h"

namespace platform {

namespace stdfs = std::filesystem;

struct Machine::Impl {
    stdfs::path dir;
    MachineOptions options;
    RemovalLog removals;
    std::unique_ptr<registry::Registry> registry;
    std::unique_ptr<machine_detail::RegistryDriveSettings> drive_settings;
    std::unique_ptr<fs::FileSystem> files;
    std::string installation_user;  // the profile opened, on a Windows installation
    std::string hibernated;         // why its volume may not be changed ("" when it may)
    std::vector<stdfs::path> hive_files;  // the installation's hives, which its saves replace
};

namespace {

Machine* g_current_machine = nullptr;

// "machine/" and "machine" are one folder; the sandbox is built beside it under its name.
stdfs::path normalized(const stdfs::path& dir) {
    stdfs::path path = stdfs::absolute(dir).lexically_normal();
    if (path.filename().empty() && path.has_parent_path()) path = path.parent_path();
    return path;
}

bool missing_or_empty(const stdfs::path& dir) {
    std::error_code ec;
    if (!stdfs::exists(stdfs::symlink_status(dir, ec))) return true;
    return stdfs::is_directory(dir, ec) && stdfs::is_empty(dir, ec);
}

void require_machine_folder(const stdfs::path& dir) {
    std::error_code ec;
    if (!stdfs::exists(dir, ec))
        throw MachineError("There is no machine at " + dir.string() + ": the folder does not exist.");
    if (!stdfs::is_directory(dir, ec))
        throw MachineError("There is no machine at " + dir.string() + ": it is a file, not a folder.");
    if (!stdfs::exists(dir / "system.reg", ec) && !stdfs::exists(dir / "dosdevices", ec))
        throw MachineError(dir.string() +
                           " is not a machine: it holds neither system.reg nor a dosdevices folder, as a Wine "
                           "prefix or a Tavrin sandbox does, nor WINDOWS\\system32\\config\\SOFTWARE, as a "
                           "Windows installation does.");
}

}  // namespace

stdfs::path Machine::default_sandbox_dir() {
    const char* data_home = std::getenv("XDG_DATA_HOME");
    if (data_home && *data_home == '/') return stdfs::path(data_home) / "tavrin" / "machine";
    const char* home = std::getenv("HOME");
    return stdfs::path(home && *home ? home : ".") / ".local" / "share" / "tavrin" / "machine";
}

std::unique_ptr<Machine> Machine::open_or_create(const stdfs::path& dir, MachineOptions options, bool* created) {
    stdfs::path path = normalized(dir);
    bool fresh = missing_or_empty(path);
    if (fresh) {
        try {
            machine_detail::create_sandbox(path, machine_detail::sandbox_user_name());
        } catch (const std::exception& e) {
            throw MachineError("Cannot create a new machine at " + path.string() + ": " + e.what());
        }
    }
    if (created) *created = fresh;
    return open(path, options);
}

std::unique_ptr<Machine> Machine::open(const stdfs::path& dir, MachineOptions options) {
    stdfs::path path = normalized(dir);
    std::error_code ec;
    if (!stdfs::exists(path / "dosdevices", ec) && fs::is_windows_installation(path))
        return open_installation(path, std::move(options));
    require_machine_folder(path);
    try {
        return std::unique_ptr<Machine>(new Machine(path, options, std::make_unique<registry::Registry>(path)));
    } catch (const registry::HiveError& e) {
        throw MachineError("Cannot open the machine at " + path.string() + ": " + e.what());
    }
}

// The user's hives are opened once to find the user's SID in the profile list, then with it.
std::unique_ptr<Machine> Machine::open_installation(const stdfs::path& dir, MachineOptions options) {
    const machine_detail::InstallationProfile profile = machine_detail::chosen_profile(dir, options.user);
    registry::WindowsHives hives = machine_detail::installation_hives(dir, profile);
    // The program's own keys stay outside the installation, beside its program folder.
    const stdfs::path data_folder = machine_detail::installation_data_folder(dir);
    hives.kept_outside.file = data_folder / ("settings-" + profile.name + ".reg");
    hives.kept_outside.keys.assign(kOwnUserKeys.begin(), kOwnUserKeys.end());
    std::error_code ignored;
    stdfs::create_directories(data_folder, ignored);
    try {
        hives.user_sid = machine_detail::profile_sid(registry::Registry(hives), profile.name);
        std::unique_ptr<Machine> machine(new Machine(dir, options, std::make_unique<registry::Registry>(hives)));
        machine->impl_->installation_user = profile.name;
        for (const stdfs::path* file : {&hives.software, &hives.system, &hives.default_user, &hives.user, &hives.user_classes})
            if (!file->empty()) machine->impl_->hive_files.push_back(*file);
        machine->impl_->files->mount(kProgramFolder, data_folder / "program");
        machine->impl_->hibernated = machine_detail::hibernation_reason(dir);
        if (const std::string reason = machine->read_only_reason(); !reason.empty()) {
            machine->impl_->registry->set_read_only(reason);
            machine->impl_->files->set_read_only(reason);
        }
        return machine;
    } catch (const registry::HiveError& e) {
        throw MachineError("Cannot open the Windows installation at " + dir.string() + ": " + e.what());
    }
}

Machine::Machine(stdfs::path dir, MachineOptions options, std::unique_ptr<registry::Registry> registry)
    : impl_(std::make_unique<Impl>()) {
    impl_->dir = std::move(dir);
    impl_->options = std::move(options);
    impl_->registry = std::move(registry);
    impl_->drive_settings = std::make_unique<machine_detail::RegistryDriveSettings>(*impl_->registry);
    impl_->files = std::make_unique<fs::FileSystem>(impl_->dir, options.allow_outside_machine, impl_->removals,
                                                    *impl_->drive_settings);
    impl_->registry->set_removal_log(&impl_->removals);
}

Machine::~Machine() {
    if (g_current_machine == this) g_current_machine = nullptr;
}

const stdfs::path& Machine::dir() const { return impl_->dir; }
const MachineOptions& Machine::options() const { return impl_->options; }
registry::Registry& Machine::registry() { return *impl_->registry; }
fs::FileSystem& Machine::files() { return *impl_->files; }
RemovalLog& Machine::removals() { return impl_->removals; }

std::string Machine::user_name() const {
    if (!impl_->installation_user.empty()) return impl_->installation_user;
    auto name = machine_detail::read_string(*impl_->registry, registry::Root::CurrentUser, "Volatile Environment",
                                            "USERNAME");
    return name && !name->empty() ? *name : machine_detail::sandbox_user_name();
}

std::string Machine::windows_version() const { return machine_detail::windows_version(*impl_->registry); }

void Machine::remove_unfinished_saves() const {
    if (!is_windows_installation()) {
        registry::remove_stale_replacements(impl_->dir);
        return;
    }
    // A hibernated Windows would resume over any change to its volume, even this one.
    if (!impl_->hibernated.empty()) return;
    for (const stdfs::path& file : impl_->hive_files) fs::remove_unfinished_replacements(file);
}

bool Machine::is_windows_installation() const { return !impl_->installation_user.empty(); }

std::string Machine::read_only_reason() const {
    return impl_->hibernated.empty() ? impl_->registry->read_only_reason() : impl_->hibernated;
}

std::optional<ReadOnlyCause> Machine::read_only_cause() const {
    if (!impl_->hibernated.empty()) return ReadOnlyCause{ReadOnlyCause::Kind::Hibernated, impl_->dir, {}};
    for (const stdfs::path& file : impl_->hive_files)
        if (const auto unfinished = registry::unfinished_regf_write(file))
            return ReadOnlyCause{unfinished->log.empty() ? ReadOnlyCause::Kind::HiveUnfinished : ReadOnlyCause::Kind::HiveLogAhead,
                                 file, unfinished->log};
    return std::nullopt;
}

std::vector<std::string> Machine::flush() {
    if (const std::string reason = read_only_reason(); !reason.empty()) {
        if (!impl_->registry->has_unsaved_changes()) return {};
        if (!is_windows_installation()) throw MachineError(reason);
        // The keys an installation keeps outside it are saved; a change to its hives is refused.
        try {
            return impl_->registry->flush();
        } catch (const registry::HiveError& refused) {
            throw MachineError(refused.what());
        }
    }
    if (!is_windows_installation() && wineserver_serves(impl_->dir)) {
        if (!impl_->registry->has_unsaved_changes()) return {};
        throw MachineError("Wine started on this machine (" + impl_->dir.string() +
                           "): its wineserver keeps the registry in memory and writes it back over the files, so "
                           "nothing is saved while it runs. The changes are kept and saved once Wine has ended (" +
                           wineserver_kill_command(impl_->dir) + " ends it).");
    }
    return impl_->registry->flush();
}

Recording::Recording(Machine& machine, RemovalLog::Mode mode) : machine_(machine) {
    if (machine.removals().recording()) throw std::logic_error("A recording of removals is open already.");
    if (mode == RemovalLog::Mode::DryRun) machine.flush();
    machine.removals().start(mode);
}

Recording::~Recording() {
    if (!open_) return;
    try {
        finish();
    } catch (const MachineError&) {
        // The machine stays in the dry run: nothing the preview changed in memory is ever saved.
    }
}

std::vector<Removed> Recording::finish() {
    if (!open_) return {};
    open_ = false;
    RemovalLog& log = machine_.removals();
    // The dry run began on flushed hives, so one it deleted nothing from still holds what the
    // files hold: reading a large registry again would be the most of a files-only preview.
    if (log.dry_run() && machine_.registry().has_unsaved_changes()) {
        try {
            machine_.registry().reload();
        } catch (const registry::HiveError& error) {
            throw MachineError(std::string("The registry cannot be read again after the preview, so the program "
                                           "changes nothing more on this machine; start it again. ") +
                               error.what());
        }
    }
    return log.stop();
}

Machine& current_machine() {
    if (!g_current_machine) throw MachineError("No machine is open.");
    return *g_current_machine;
}

bool has_current_machine() { return g_current_machine != nullptr; }

CurrentMachineScope::CurrentMachineScope(Machine& machine) : earlier_(std::exchange(g_current_machine, &machine)) {}

CurrentMachineScope::~CurrentMachineScope() { g_current_machine = earlier_; }

}  // namespace platform
