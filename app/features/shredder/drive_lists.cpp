#include "app/features/shredder/drive_lists.h"

#include "app/kernel/shell.h"
#include "engine/foundation/class_table.h"
#include "engine/tools/system.h"
#include "platform/machine/machine.h"

namespace app {

namespace {

// A drive that leads out of the machine (a Wine prefix's z: is the whole host) is offered only
// when the user allowed changes outside the machine: a yes to its question would shred the host.
bool is_wipeable(const std::string& root) {
    using platform::fs::DriveType;
    const auto& files = platform::current_machine().files();
    const auto type = files.drive_type(root);
    return (type == DriveType::Removable || type == DriveType::Fixed) && files.may_modify(root);
}

}  // namespace

std::vector<std::string> wipeable_drives(const std::string& drive_strings) {
    // The strings end in a run of NULs; pairs of them go first, then each root stands alone.
    std::string roots;
    for (size_t i = 0; i < drive_strings.size(); ++i) {
        if (drive_strings[i] == '\0' && i + 1 < drive_strings.size() && drive_strings[i + 1] == '\0') {
            ++i;
            continue;
        }
        roots += drive_strings[i];
    }
    std::vector<std::string> kept;
    size_t start = 0;
    while (start <= roots.size()) {
        size_t end = roots.find('\0', start);
        if (end == std::string::npos) end = roots.size();
        std::string root = roots.substr(start, end - start);
        if (!root.empty() && is_wipeable(root)) kept.push_back(std::move(root));
        start = end + 1;
    }
    return kept;
}

void push_drive_lists(Shell& shell) {
    auto system = engine::create<engine::System>("Tavrin.System");
    const auto drives = wipeable_drives(system->Enumerate_Drives());
    std::string names;
    for (const auto& root : drives) names += (names.empty() ? "" : "|") + root;
    const std::string count = std::to_string(drives.size());
    auto& stage = shell.stage();
    stage.set_variable(kMainMovie, "_root.NumberOfDrives", count);
    stage.set_variable(kMainMovie, "_root.NamesOfDrives", names);
    stage.set_variable(kMainMovie, "_root.NumberOfDrives2", count);
    stage.set_variable(kMainMovie, "_root.NamesOfDrives2", names);
}

void register_drive_list_rows(Shell& shell) {
    shell.add_load_step(LoadStep::SystemLists, [&shell] { push_drive_lists(shell); });
}

}  // namespace app
