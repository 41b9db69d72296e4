// tavrinapp: opens (or creates) the machine it works on, installs itself into it and serves its
// screens to the browser on 127.0.0.1 until the user ends it.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/demo/demo_traces.h"
#include "app/kernel/player_stage.h"
#include "app/kernel/program.h"
#include "app/settings/user_settings.h"
#include "engine/foundation/class_table.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/hooks.h"
#include "engine/plugins/default_plugin_file.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"
#include "platform/movie/movie_player.h"
#include "platform/shell/desktop.h"

namespace {

struct Options {
    std::filesystem::path machine_dir;
    platform::MachineOptions machine;
    int port = 0;
    bool open_browser = true;
    bool info = false;
    bool help = false;
};

constexpr int kMajor = 0, kMinor = 1, kRevision = 0;
constexpr const char* kProgramFileName = "tavrinapp";

constexpr std::string_view kUsage =
    "Usage: tavrinapp [--machine DIR] [--port N] [--no-browser] [--allow-outside-machine] [--info] [--help]\n"
    "\n"
    "  --machine DIR             work on the machine in DIR (a Wine prefix or a Tavrin sandbox);\n"
    "                            a missing or empty DIR becomes a new sandbox machine with demo traces\n"
    "                            (default: the sandbox under ~/.local/share/tavrin/machine)\n"
    "  --port N                  serve the screens on 127.0.0.1:N (default: any free port)\n"
    "  --no-browser              do not open the browser; open the printed address yourself\n"
    "  --allow-outside-machine   allow changes on drives that lie outside the machine folder\n"
    "  --info                    print what the machine holds and end\n"
    "  --help                    show this text\n";

int parse_port(std::string_view text) {
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || port > 65535) throw std::invalid_argument("--port needs a number from 0 to 65535");
        port = port * 10 + (c - '0');
    }
    if (text.empty() || port > 65535) throw std::invalid_argument("--port needs a number from 0 to 65535");
    return port;
}

Options parse_options(int argc, char** argv) {
    Options options;
    options.machine_dir = platform::Machine::default_sandbox_dir();
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        auto value = [&](std::string_view name) -> std::optional<std::string> {
            if (arg == name && i + 1 < argc) return std::string(argv[++i]);
            if (arg.starts_with(std::string(name) + "=")) return std::string(arg.substr(name.size() + 1));
            return std::nullopt;
        };
        if (arg == "--help" || arg == "-h") options.help = true;
        else if (arg == "--allow-outside-machine") options.machine.allow_outside_machine = true;
        else if (arg == "--no-browser") options.open_browser = false;
        else if (arg == "--info") options.info = true;
        else if (auto dir = value("--machine")) options.machine_dir = *dir;
        else if (auto port = value("--port")) options.port = parse_port(*port);
        else throw std::invalid_argument("unknown or incomplete option '" + std::string(arg) + "' (see --help)");
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

void print_machine_info(platform::Machine& machine, bool created) {
    std::cout << (created ? "Created a new sandbox machine in " : "Machine: ") << machine.dir().string() << "\n";
    std::string version = machine.windows_version();
    std::cout << "Windows version: " << (version.empty() ? "unknown" : version) << "\n";
    print_drives(machine);
    print_user_folders(machine);
}

// The dialogs browse the machine's drives.
std::optional<std::vector<platform::movie::FolderEntry>> list_folder(platform::Machine& machine,
                                                                     const std::string& folder) {
    std::vector<platform::movie::FolderEntry> entries;
    if (folder.empty()) {
        for (const auto& root : machine.files().drives()) entries.push_back({root, true, 0});
        return entries;
    }
    if (!machine.files().is_directory(folder)) return std::nullopt;
    auto pattern = folder + (folder.ends_with('\\') ? "*" : "\\*");
    for (const auto& found : machine.files().find(pattern)) {
        if (found.name == "." || found.name == "..") continue;
        entries.push_back({found.name, (found.attributes & platform::fs::attr::Directory) != 0, found.size});
    }
    return entries;
}

platform::movie::MoviePlayer* g_player = nullptr;

// Ends at once, as the exit-without-saving button does: every finished command is already on disk.
void end_on_signal(int) {
    if (g_player) g_player->request_exit();
}

int serve(platform::Machine& machine, const Options& options) {
    platform::movie::Options player_options;
    player_options.port = options.port;
    player_options.skin_folder = skin_beside_program();
    player_options.resolve_file = [&machine](const std::string& path) { return machine.files().to_host(path); };
    player_options.list_folder = [&machine](const std::string& folder) { return list_folder(machine, folder); };
    platform::movie::MoviePlayer player(player_options);
    player.start();

    app::PlayerStage stage(player);
    app::Program program(stage, {platform::kProgramFolder, kProgramFileName, kMajor, kMinor, kRevision});
    program.shell().set_after_command([&machine] { machine.flush(); });
    engine::host_hooks().set_busy_pointer = [&stage](bool busy) { stage.set_busy(busy); };
    // Long engine operations let the screens breathe (timers, page requests) as they go.
    engine::host_hooks().process_pending = [&stage] { stage.process_pending(); };
    // The engine's own notices (an unreadable shortcut, ...) have no question title the message
    // box could answer to, so they go where a run's lines go.
    engine::host_hooks().show_message = [&program](const std::string& text, const std::string& title) {
        program.shell().log_window().show();
        program.shell().log_window().addLogLine(title + ": " + text);
    };

    g_player = &player;
    std::signal(SIGINT, end_on_signal);
    std::signal(SIGTERM, end_on_signal);

    std::cout << "Tavrin is running at " << player.url() << std::endl;
    if (options.open_browser && platform::shell::has_desktop() && !platform::shell::open_with_desktop(player.url()))
        std::cerr << "tavrinapp: could not open the browser; open the address above yourself\n";

    program.start();
    machine.flush();
    player.run();

    g_player = nullptr;
    engine::host_hooks() = {};
    player.stop();
    return 0;
}

int run(const Options& options) {
    bool created = false;
    auto machine = platform::Machine::open_or_create(options.machine_dir, options.machine, &created);
    platform::MachineLock lock(*machine);
    platform::set_current_machine(machine.get());
    platform::install_program_folder(*machine, skin_beside_program());
    engine::DllRegisterServer();
    // Without the shipped plug-in file the program still runs; the plug-in list is just empty.
    engine::ignore_errors(engine::install_default_plugin_file);
    if (created) {
        app::demo::plant_demo_traces();
        // The screens start in English; a new sandbox's user starts with the same language, so
        // the log lines and notices do not switch to the stored default's German on first use.
        app::user_settings::save_language("English");
    }
    machine->flush();

    int status = 0;
    if (options.info) print_machine_info(*machine, created);
    else status = serve(*machine, options);
    platform::set_current_machine(nullptr);
    return status;
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
