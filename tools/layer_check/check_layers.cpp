// check_layers SOURCE_FOLDER: the layer rules of include_rules.h over every source of app/,
// engine/ and platform/, and no cycle between the folders of one layer (folder_cycles.h). Each
// fault is printed as "file:line: error: ...", the way a compiler reports, and the status is 1;
// without faults it prints nothing and ends with 0. The build runs it before it compiles anything,
// so a fault stops every build.
#include <filesystem>
#include <iostream>
#include <string>

#include "folder_cycles.h"
#include "include_rules.h"
#include "source_includes.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: check_layers SOURCE_FOLDER\n";
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const auto sources = layer_check::read_layer_sources(root);
    if (sources.empty()) {
        std::cerr << "check_layers: no sources below " << root.string() << "/app, engine or platform\n";
        return 2;
    }
    int faults = 0;
    for (const auto& source : sources) {
        for (const auto& include : source.includes) {
            if (auto fault = layer_check::include_fault(source.path, include.header, include.angled)) {
                std::cerr << (root / source.path).string() << ":" << include.line << ": error: " << *fault << "\n";
                ++faults;
            }
        }
    }
    if (faults > 0) std::cerr << "check_layers: " << faults << " include(s) break the layer rules\n";
    const auto cycles = layer_check::folder_cycles(sources);
    for (const auto& cycle : cycles) {
        std::string loop = cycle.front().from;
        for (const auto& edge : cycle) loop += " -> " + edge.to;
        for (const auto& edge : cycle)
            std::cerr << (root / edge.file).string() << ":" << edge.line << ": error: " << edge.from << " -> "
                      << edge.to << " (cycle: " << loop << ")\n";
    }
    if (!cycles.empty())
        std::cerr << "check_layers: " << cycles.size()
                  << " cycle(s) between folders of one layer: move what the folders of a cycle share to a folder "
                     "below them, or hand it in from above (an event, a callback)\n";
    return faults > 0 || !cycles.empty() ? 1 : 0;
}
