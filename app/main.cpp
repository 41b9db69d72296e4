// tavrinapp: opens (or creates) the machine it works on and shows what that machine holds.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace {

struct Options {
    std::filesystem::path machine_dir;
    platform::MachineOptions machine;
    bool help = false;
};

constexpr std::string_view kUsage =
    "Usage: tavrinapp [--machine DIR] [--allow-outside-machine] [--help]\n"
    "\n"
    "  --machine DIR             work on the machine in DIR (a Wine prefix or a Tavrin sandbox);\n"
    "                            a missing or empty DIR becomes a new sandbox machine\n"
    "                            (default: the sandbox under ~/.local/share/tavrin/machine)\n"
    "  --allow-outside-machine   allow changes on drives that lie outside the machine folder\n"
    "  --help                    show this text\n";

Options parse_options(int argc, char** argv) {
    Options options;
    options.machine_dir = platform::Machine::default_sandbox_dir();
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--allow-outside-machine") {
            options.machine.allow_outside_machine = true;
        } else if (arg == "--machine" && i + 1 < argc) {
            options.machine_dir = argv[++i];
        } else if (arg.starts_with("--machine=")) {
            options.machine_dir = std::string(arg.substr(10));
        } else {
            throw std::invalid_argument("unknown or incomplete option '" + std::string(arg) + "' (see --help)");
        }
    }
    return options;
}

// The skin ships beside the binary, both in the build tree and after installation.
std::filesystem::path skin_beside_program() {
    return std::filesystem::canonical("/proc/self/exe").parent_path() / "skin";
}

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

void print_drives(platform::Machine& machine) {
    std::cout << "Drives:\n";
    for (const std::string& root : machine.files().drives()) {
        std::cout << "  " << root << "  " << drive_type_name(machine.files().drive_type(root));
        try {
            platform::fs::FreeSpace space = machine.files().free_space(root);
            std::cout << ", " << megabytes(space.free_bytes) << " free of " << megabytes(space.total_bytes);
        } catch (const platform::fs::FsError& e) {
            std::cout << ", free space unknown (" << e.what() << ")";
        }
        std::cout << "\n";
    }
}

std::string registry_text(const platform::registry::Value& value) {
    std::string text(value.data.begin(), value.data.end());
    return text.substr(0, text.find('\0'));
}

void print_user_folders(platform::Machine& machine) {
    using platform::registry::Root;
    constexpr std::string_view key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    std::cout << "User folders of " << machine.user_name() << ":\n";
    auto& registry = machine.registry();
    for (const std::string& name : registry.value_names(Root::CurrentUser, key)) {
        platform::registry::Value value;
        if (registry.query_value(Root::CurrentUser, key, name, value) == platform::registry::Status::Ok)
            std::cout << "  " << name << " = " << registry_text(value) << "\n";
    }
}

int run(const Options& options) {
    bool created = false;
    auto machine = platform::Machine::open_or_create(options.machine_dir, options.machine, &created);
    platform::MachineLock lock(*machine);
    platform::set_current_machine(machine.get());
    platform::install_program_folder(*machine, skin_beside_program());
    machine->flush();

    std::cout << (created ? "Created a new sandbox machine in " : "Machine: ") << machine->dir().string() << "\n";
    std::string version = machine->windows_version();
    std::cout << "Windows version: " << (version.empty() ? "unknown" : version) << "\n";
    print_drives(*machine);
    print_user_folders(*machine);
    platform::set_current_machine(nullptr);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Options options = parse_options(argc, argv);
        if (options.help) {
            std::cout << kUsage;
            return 0;
        }
        return run(options);
    } catch (const std::exception& e) {
        std::cerr << "tavrinapp: " << e.what() << "\n";
        return 1;
    }
}
