// Fuzz target for a Windows installation's binary hives: any bytes as a hive file must open or be
// refused with a HiveError, every key and value of one that opens must read, and a hive that may
// be changed must, after a save, open again with the change in it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/registry/regf_base_block.h"
#include "platform/registry/regf_hive.h"
#include "platform/registry/registry.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

using platform::registry::HiveError;
using platform::registry::KeyStore;
using platform::registry::RegfHive;

constexpr uint32_t kRegSz = 1;
const std::vector<uint8_t> kMark = {'o', 0, 'k', 0, 0, 0};
// Keys may share subkeys in a damaged hive: the walk stops somewhere rather than go on for ever.
constexpr size_t kMostKeys = 20'000;

// Every key, without recursion: a hive may nest deeper than the stack.
void read_every_value(RegfHive& hive) {
    std::vector<KeyStore::Key*> pending{hive.root()};
    for (size_t walked = 0; !pending.empty() && walked < kMostKeys; ++walked) {
        KeyStore::Key* key = pending.back();
        pending.pop_back();
        for (size_t i = 0, n = hive.value_count(key); i < n; ++i) (void)hive.value_data(key, i);
        for (size_t i = 0, n = hive.child_count(key); i < n; ++i) pending.push_back(hive.child_at(key, i));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::ScratchFolder scratch;
    const auto file = scratch.path() / "NTUSER.DAT";
    // Most inputs would stop at the header's checksum: give them the right one, so that the
    // mutations reach the cells behind it.
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() >= 4096) {
        const uint32_t sum = platform::registry::regf_checksum(bytes.data());
        for (int i = 0; i < 4; ++i) bytes[508 + i] = static_cast<uint8_t>(sum >> (8 * i));
    }
    fuzz::write_file(file, bytes.data(), bytes.size());
    try {
        RegfHive hive(file);
        read_every_value(hive);
        if (!hive.read_only_reason().empty()) return 0;
        KeyStore::Key* key = hive.child(hive.root(), "Fuzz");
        if (!key) key = hive.add_child(hive.root(), "Fuzz");
        hive.set_value(key, "Mark", kRegSz, kMark);
        hive.save();
    } catch (const HiveError&) {
        return 0;
    }
    RegfHive again(file);  // a HiveError here is a finding: it ends the run
    KeyStore::Key* saved = again.child(again.root(), "Fuzz");
    const auto mark = saved ? again.find_value(saved, "Mark") : std::nullopt;
    if (!mark || again.value_at(saved, *mark).type != kRegSz || again.value_data(saved, *mark) != kMark) std::abort();
    return 0;
}
