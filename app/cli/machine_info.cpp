#include "app/cli/machine_info.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/machine/machine.h"

namespace app::cli {

namespace {

std::string drive_type_name(platform::fs::DriveType type) {
    using platform::fs::DriveType;
    switch (type) {
        case DriveType::Removable: return "removable";
        case DriveType::Fixed: return "fixed";
        case DriveType::Remote: return "network";
        case DriveType::CdRom: return "CD-ROM";
        case DriveType::RamDisk: return "RAM disk";
        case DriveType::NoRootDir: return "not mapped";
        case DriveType::Unknown: break;
    }
    return "unknown";
}

std::string megabytes(uint64_t bytes) { return std::to_string(bytes / (1024 * 1024)) + " MB"; }

void print_drives(platform::Machine& machine, std::ostream& out) {
    out << "Drives:\n";
    for (const std::string& root : machine.files().drives()) {
        out << "  " << root << "  " << drive_type_name(machine.files().drive_type(root));
        try {
            platform::fs::FreeSpace space = machine.files().free_space(root);
            out << ", " << megabytes(space.free_bytes) << " free of " << megabytes(space.total_bytes);
        } catch (const platform::fs::FsError& e) {
            out << ", free space unknown (" << e.what() << ")";
        }
        out << "\n";
    }
}

std::string registry_text(const platform::registry::Value& value) {
    std::string text(value.data.begin(), value.data.end());
    return text.substr(0, text.find('\0'));
}

void print_user_folders(platform::Machine& machine, std::ostream& out) {
    using platform::registry::Root;
    constexpr std::string_view key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    out << "User folders of " << machine.user_name() << ":\n";
    auto& registry = machine.registry();
    for (const std::string& name : registry.value_names(Root::CurrentUser, key)) {
        platform::registry::Value value;
        if (registry.query_value(Root::CurrentUser, key, name, value) == platform::registry::Status::Ok)
            out << "  " << name << " = " << registry_text(value) << "\n";
    }
}

}  // namespace

void print_machine_info(platform::Machine& machine, std::ostream& out) {
    out << "Machine: " << machine.dir().string() << "\n";
    if (machine.is_windows_installation())
        out << "Kind: Windows installation, the profile of " << machine.user_name() << "\n";
    if (const std::string reason = machine.read_only_reason(); !reason.empty()) out << "Read-only: " << reason << "\n";
    std::string version = machine.windows_version();
    out << "Windows version: " << (version.empty() ? "unknown" : version) << "\n";
    print_drives(machine, out);
    print_user_folders(machine, out);
}

}  // namespace app::cli
