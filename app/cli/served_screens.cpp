#include "app/cli/served_screens.h"

#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/skin_folder.h"
#include "platform/fs/fs.h"
#include "platform/shell/desktop.h"

namespace app::cli {

namespace {

// Long enough for a reload or a browser restoring its tabs, short enough to seem like closing.
constexpr std::chrono::seconds kLastPageGrace{5};
// SIGINT and SIGTERM end the program at once, as the exit-without-saving button does: every
// finished command is already on disk. The pages are told, so they do not wait for an answer.
constexpr auto kFarewellTime = std::chrono::milliseconds(1000);

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

platform::movie::Options player_options(const Options& options, const std::atomic<platform::Machine*>& machine) {
    platform::movie::Options served;
    served.port = options.port;
    served.skin_folder = skin_folder();
    served.resolve_file = [&machine](const std::string& path) -> std::optional<std::filesystem::path> {
        platform::Machine* open = machine;
        return open ? open->files().to_host(path) : std::nullopt;
    };
    served.list_folder = [&machine](const std::string& folder) -> std::optional<std::vector<platform::movie::FolderEntry>> {
        platform::Machine* open = machine;
        return open ? list_folder(*open, folder) : std::nullopt;
    };
    return served;
}

}  // namespace

ServedScreens::ServedScreens(const Options& options)
    : options_(options),
      player_((player_options(options, machine_))),
      end_on_signal_([this] { player_.stop(); }, kFarewellTime) {
    player_.start();
}

void ServedScreens::announce() {
    if (announced_) return;
    announced_ = true;
    if (options_.end_with_last_page) last_page_watch_.emplace(player_, kLastPageGrace);
    std::cout << "Tavrin is running at " << player_.url() << "\nPress Ctrl+C to stop." << std::endl;
    if (options_.open_browser && platform::shell::has_desktop() && !platform::shell::open_with_desktop(player_.url()))
        std::cerr << "tavrinapp: could not open the browser; open the address above yourself\n";
}

}  // namespace app::cli
