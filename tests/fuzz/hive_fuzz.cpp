// Fuzz target for the hive parser: any bytes as a hive file must load or be refused with a
// HiveError. A hive that loads gives every key's values, and saved again after a change it loads
// again with that change in it: a file we accept is never one we would then save broken.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/registry/hive.h"
#include "platform/registry/registry.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

using platform::registry::Hive;

constexpr uint32_t kRegSz = 1;
// "ok" in UTF-16LE with its terminator, the form the hive keeps strings in.
const std::vector<uint8_t> kMark = {'o', 0, 'k', 0, 0, 0};

std::unique_ptr<Hive> load(const std::filesystem::path& file) {
    return std::make_unique<Hive>(file, "REGISTRY\\User\\S-1-5-21-0-0-0-1000", "win32");
}

// Every key, without recursion: a hive may nest deeper than the stack.
void read_every_value(Hive& hive) {
    std::vector<Hive::Node*> pending{hive.root()};
    while (!pending.empty()) {
        Hive::Node* node = pending.back();
        pending.pop_back();
        for (const Hive::Entry& entry : hive.values(node)) (void)hive.data(entry);
        pending.insert(pending.end(), node->children.begin(), node->children.end());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::ScratchFolder scratch;
    const auto file = scratch.path() / "user.reg";
    fuzz::write_file(file, data, size);
    std::unique_ptr<Hive> hive;
    try {
        hive = load(file);
    } catch (const platform::registry::HiveError&) {
        return 0;
    }
    read_every_value(*hive);

    Hive::Node* key = hive->child(hive->root(), "Fuzz");
    if (!key) key = hive->add_child(hive->root(), "Fuzz");
    hive->set_value(key, "Mark", kRegSz, kMark);
    hive->save(/*only_over_own_file=*/false);

    auto again = load(file);  // a HiveError here is a finding: it ends the run
    read_every_value(*again);
    Hive::Node* saved = again->child(again->root(), "Fuzz");
    const Hive::Entry* mark = saved ? again->value(saved, "Mark") : nullptr;
    if (!mark || mark->type != kRegSz || again->data(*mark) != kMark) std::abort();
    return 0;
}
