#include "platform/machine/install.h"

#include <fstream>
#include <sstream>
#include <string>

#include "platform/machine/machine.h"

namespace platform {

namespace {

std::string read_host_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    if (!in) throw MachineError("Cannot read " + path.string() + " to install it into the machine.");
    return contents.str();
}

// Only changed files are written, so a start with an installed skin touches nothing.
void install_tree(fs::FileSystem& files, const std::filesystem::path& source, const std::string& target) {
    files.create_directory(target);
    for (const auto& entry : std::filesystem::directory_iterator(source)) {
        std::string name = entry.path().filename().string();
        std::string installed = target + "\\" + name;
        if (entry.is_directory()) {
            install_tree(files, entry.path(), installed);
        } else if (entry.is_regular_file()) {
            std::string contents = read_host_file(entry.path());
            if (files.file_size(installed) != contents.size() || files.read_text(installed) != contents)
                files.write_text(installed, contents);
        }
    }
}

}  // namespace

void install_program_folder(Machine& machine, const std::filesystem::path& skin_source) {
    if (!std::filesystem::is_directory(skin_source))
        throw MachineError("The skin folder " + skin_source.string() + " is missing; the program cannot show its screens.");
    fs::FileSystem& files = machine.files();
    const std::string folder = kProgramFolder;
    files.create_directory(folder);
    install_tree(files, skin_source, folder + "\\skin");
    for (const char* sub : {"Logs", "BackUp_dll", "plugins"}) files.create_directory(folder + "\\" + sub);
}

}  // namespace platform
