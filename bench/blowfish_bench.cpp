// Blowfish container throughput against OpenSSL's Blowfish-CBC on the same data, side by side:
//   (a) EncryptFile + DecryptFile of one file         vs  openssl enc -bf-cbc -e, then -d
//   (b) EncryptByte + DecryptByte in memory           vs  the same openssl runs
// (a) includes the atomic replace of each output (written, flushed to the device, renamed).
// Usage, from build/bench: ../bin/blowfish_bench [--dir DIR] [--mb N]   (default: the system temp folder, 64 MB)
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/plugins/blowfish.h"
#include "platform/machine/install.h"
#include "platform/machine/machine.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kKey = "QUILLMAX";
// OpenSSL takes a 16-byte key; the 8-byte key twice over schedules the same tables.
constexpr const char* kOpenSslKey = "5155494C4C4D41585155494C4C4D4158";
constexpr int kRounds = 3;

double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double best_of(const std::function<void()>& work) {
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) best = std::min(best, seconds(work));
    return best;
}

bool shell(const std::string& command) { return std::system(command.c_str()) == 0; }

bool openssl(const std::string& direction, const fs::path& in, const fs::path& out) {
    return shell(std::string("openssl enc ") + direction + " -bf-cbc -provider legacy -provider default -K " +
                 kOpenSslKey + " -iv 0000000000000000 -nopad -in '" + in.string() + "' -out '" + out.string() + "'");
}

void report(const std::string& what, double megabytes, double ours, double theirs) {
    const double ratio = theirs / ours;
    std::cout << what << ": Tavrin " << megabytes / ours << " MB/s, openssl " << megabytes / theirs << " MB/s, ratio "
              << ratio << " (openssl time / Tavrin time; target >= 0.5)" << (ratio >= 0.5 ? "" : "  BELOW TARGET")
              << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path();
    size_t megabytes = 64;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--dir") dir = argv[i + 1];
        else if (option == "--mb") megabytes = std::stoul(argv[i + 1]);
    }
    if (!shell("openssl enc -bf-cbc -provider legacy -provider default -K 00 -iv 00 -nopad"
               " -in /dev/null -out /dev/null 2>/dev/null")) {
        std::cerr << "blowfish_bench: this openssl has no legacy provider with Blowfish; nothing to compare with\n";
        return 1;
    }

    const fs::path machine_dir = dir / "tavrin-bench-blowfish";
    fs::remove_all(machine_dir);
    auto machine = platform::Machine::open_or_create(machine_dir);
    platform::install_program_folder(*machine, fs::path(__FILE__).parent_path().parent_path() / "skin");
    std::optional<platform::CurrentMachineScope> current;
    current.emplace(*machine);

    // The plain length is a multiple of 8 less the header, so OpenSSL's -nopad run takes the very same bytes.
    const size_t length = (megabytes << 20) - 16;
    std::vector<char> data(length);
    std::mt19937_64 random(5);
    for (char& c : data) c = static_cast<char>(random());
    const fs::path plain = machine_dir / "drive_c" / "plain.bin";
    std::ofstream(plain, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));

    engine::Blowfish blowfish;
    const double files = best_of([&] {
        blowfish.EncryptFile("C:\\plain.bin", "C:\\sealed.bin", true, kKey);
        blowfish.DecryptFile("C:\\sealed.bin", "C:\\opened.bin", true, kKey);
    });
    std::vector<uint8_t> bytes(data.begin(), data.end());
    const double memory = best_of([&] {
        blowfish.EncryptByte(bytes, kKey);
        blowfish.DecryptByte(bytes, kKey);
    });
    const fs::path sealed = machine_dir / "drive_c" / "openssl.bin", opened = machine_dir / "drive_c" / "openssl.out";
    const double theirs = best_of([&] {
        openssl("-e", plain, sealed);
        openssl("-d", sealed, opened);
    });

    report("(a) EncryptFile + DecryptFile of " + std::to_string(megabytes) + " MB", 2.0 * megabytes, files, theirs);
    report("(b) EncryptByte + DecryptByte of " + std::to_string(megabytes) + " MB", 2.0 * megabytes, memory, theirs);

    current.reset();
    machine.reset();
    fs::remove_all(machine_dir);
    return 0;
}
