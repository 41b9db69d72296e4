#include "tests/unit/support/temp_machine.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

#include "platform/machine/install.h"

namespace tavrin_test {

namespace {

std::filesystem::path make_temp_folder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto dir = std::filesystem::temp_directory_path() / ("tavrin-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(dir)) return dir;
    }
    throw std::runtime_error("cannot create a temporary folder for a test machine");
}

// Tests make files and folders read-only on purpose; give the owner write access back so that
// the whole tree can go (never through a symbolic link: a test's link may point anywhere).
void make_removable(const std::filesystem::path& dir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (it->is_symlink(ec)) continue;
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
}

void remove_folder(const std::filesystem::path& dir) {
    make_removable(dir);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

// Creating a machine flushes every file it writes to the disk, which costs most of a second;
// each test gets a copy of one machine made per test program instead.
class TemplateMachine {
public:
    TemplateMachine() : dir_(make_temp_folder()) {
        auto machine = platform::Machine::open_or_create(dir_);
        platform::install_program_folder(*machine, TAVRIN_SKIN_DIR);
        machine->flush();
    }
    ~TemplateMachine() { remove_folder(dir_); }

    void copy_to(const std::filesystem::path& dir) const {
        using std::filesystem::copy_options;
        std::filesystem::copy(dir_, dir, copy_options::recursive | copy_options::copy_symlinks);
    }

private:
    std::filesystem::path dir_;
};

}  // namespace

TempMachine::TempMachine(platform::MachineOptions options) : dir_(make_temp_folder()), options_(options) {
    static const TemplateMachine original;
    original.copy_to(dir_);
    machine_ = platform::Machine::open(dir_, options_);
    current_.emplace(*machine_);
}

TempMachine::~TempMachine() {
    current_.reset();
    machine_.reset();
    remove_folder(dir_);
}

std::filesystem::path TempMachine::host(std::string_view windows_path) const {
    auto host_path = machine_->files().to_host(windows_path);
    if (!host_path) throw std::invalid_argument("no host path for " + std::string(windows_path));
    return *host_path;
}

void TempMachine::write_file(std::string_view windows_path, std::string_view contents) const {
    std::filesystem::path path = host(windows_path);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

void TempMachine::reopen() {
    current_.reset();
    machine_.reset();
    machine_ = platform::Machine::open(dir_, options_);
    current_.emplace(*machine_);
}

}  // namespace tavrin_test
