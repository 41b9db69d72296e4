#include "folder_cycles.h"

#include <deque>
#include <map>
#include <set>

#include "include_rules.h"

namespace layer_check {

namespace {

// For each folder, the folders of its layer it includes from, each with the first include that
// does so (sources come sorted by path, includes by line, so the report names the same one every
// time).
using FolderGraph = std::map<std::string, std::map<std::string, FolderEdge>>;

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

FolderGraph folder_graph(const std::vector<SourceFile>& sources) {
    FolderGraph graph;
    for (const auto& source : sources) {
        const auto layer = layer_of(source.path);
        const std::string from = folder_of(source.path);
        for (const auto& include : source.includes) {
            if (include.angled || layer_of(include.header) != layer) continue;
            std::string to = folder_of(include.header);
            if (to == from) continue;
            graph[from].try_emplace(to, FolderEdge{from, to, source.path, include.line});
        }
    }
    return graph;
}

// The shortest loop from `start` back to itself (breadth first), or none.
FolderCycle shortest_cycle_through(const FolderGraph& graph, const std::string& start) {
    std::map<std::string, const FolderEdge*> reached_by{{start, nullptr}};
    std::deque<std::string> queue{start};
    while (!queue.empty()) {
        const auto out = graph.find(queue.front());
        queue.pop_front();
        if (out == graph.end()) continue;
        for (const auto& [to, edge] : out->second) {
            if (to == start) {
                FolderCycle cycle{edge};
                for (const FolderEdge* back = reached_by.at(edge.from); back; back = reached_by.at(back->from))
                    cycle.insert(cycle.begin(), *back);
                return cycle;
            }
            if (reached_by.try_emplace(to, &edge).second) queue.push_back(to);
        }
    }
    return {};
}

}  // namespace

// A folder no loop reported so far passes through gets the shortest loop through itself: every
// folder caught in a loop is named, and a knot of many folders is told as a few short loops
// rather than every way around it.
std::vector<FolderCycle> folder_cycles(const std::vector<SourceFile>& sources) {
    const FolderGraph graph = folder_graph(sources);
    std::vector<FolderCycle> cycles;
    std::set<std::string> named;
    for (const auto& [folder, edges] : graph) {
        if (named.contains(folder)) continue;
        FolderCycle cycle = shortest_cycle_through(graph, folder);
        if (cycle.empty()) continue;
        for (const auto& edge : cycle) named.insert(edge.from);
        cycles.push_back(std::move(cycle));
    }
    return cycles;
}

}  // namespace layer_check
