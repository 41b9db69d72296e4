// check_layers SOURCE_FOLDER: the layer rules of include_rules.h over every source of app/,
// engine/ and platform/. Each fault is printed as "file:line: error: ...", the way
// a compiler reports, and the status is 1; without faults it prints nothing and ends with 0. The
// build runs it before it compiles anything, so a fault stops every build.
#include <filesystem>
#include <iostream>
#include <string>

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
    return faults > 0 ? 1 : 0;
}
