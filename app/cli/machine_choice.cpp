#include "app/cli/machine_choice.h"

#include <filesystem>
#include <system_error>

namespace app::cli {

namespace {

namespace stdfs = std::filesystem;

void require_existing_parent(const stdfs::path& dir) {
    stdfs::path path = stdfs::absolute(dir).lexically_normal();
    if (path.filename().empty()) path = path.parent_path();
    std::error_code ec;
    if (stdfs::exists(stdfs::symlink_status(path, ec))) return;
    const stdfs::path parent = path.parent_path();
    if (!stdfs::is_directory(parent, ec))
        throw platform::MachineError("Cannot create a new machine at " + path.string() + ": the folder " +
                                     parent.string() + " does not exist. Check the path, or create that folder first.");
}

}  // namespace

ChosenMachine choose_machine(const Options& options) {
    ChosenMachine chosen;
    if (options.action != Action::Serve) {
        chosen.machine = platform::Machine::open(options.machine_dir, options.machine);
        return chosen;
    }
    if (options.machine_given) require_existing_parent(options.machine_dir);
    chosen.machine = platform::Machine::open_or_create(options.machine_dir, options.machine, &chosen.created);
    return chosen;
}

std::string machine_line(const platform::Machine& machine, bool created) {
    return (created ? "Created a new sandbox machine with demo traces in " : "Machine: ") + machine.dir().string();
}

}  // namespace app::cli
