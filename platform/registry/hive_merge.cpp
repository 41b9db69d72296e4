#include "platform/registry/hive_merge.h"

#include <algorithm>

namespace platform::registry {

namespace {

using Node = Hive::Node;

class Reapply {
public:
    Reapply(Hive& ours, Hive& theirs, std::string_view root_name) : ours_(ours), theirs_(theirs), root_name_(root_name) {}

    std::vector<std::string> run() {
        for (const Hive::Change& change : ours_.changes_since_save()) {
            if (change.node->removed) remove(change.node, change.saved_values_hash);
            else carry(change.node, change.saved_values_hash);
        }
        return not_saved_;
    }

private:
    // A key we deleted goes on their side too, unless they gave it something since.
    void remove(Node* node, uint64_t saved_values_hash) {
        Node* target = find(node);
        if (!target || ours_.added_since_save(node)) return;  // gone on both sides, or only ever ours
        if (!target->children.empty() || theirs_.values_hash(target) != saved_values_hash)
            return refuse(node, "was not deleted: another program changed it meanwhile.");
        theirs_.remove_child(target->parent, target);
    }

    // A key whose values we changed, or that we added, gets our values, unless they changed them too.
    void carry(Node* node, uint64_t saved_values_hash) {
        Node* target = find_or_add(node);
        if (!target) return;
        const uint64_t held = theirs_.values_hash(target);
        if (held == ours_.values_hash(node)) return;  // the same change on both sides
        if (held != saved_values_hash)
            return refuse(node, "keeps the values another program gave it; the changes made here were not saved.");
        copy_values(node, target);
    }

    void copy_values(Node* from, Node* to) {
        std::vector<std::string> dropped;
        for (const Hive::Entry& entry : theirs_.values(to))
            if (!ours_.value(from, theirs_.name(entry))) dropped.emplace_back(theirs_.name(entry));
        for (const std::string& name : dropped) theirs_.delete_value(to, name);
        for (const Hive::Entry& entry : ours_.values(from)) theirs_.set_value(to, ours_.name(entry), entry.type, ours_.data(entry));
    }

    Node* find(Node* node) {
        Node* at = theirs_.root();
        for (Node* step : path_of(node))
            if (!(at = theirs_.child(at, step->name))) return nullptr;
        return at;
    }

    // Keys we added are added on their side; a key that is missing there although it was there at
    // our last save was deleted by the other program, and stays deleted.
    Node* find_or_add(Node* node) {
        Node* at = theirs_.root();
        for (Node* step : path_of(node)) {
            Node* next = theirs_.child(at, step->name);
            if (!next && !ours_.added_since_save(step)) {
                refuse(node, "was deleted by another program; the changes made here were not saved.");
                return nullptr;
            }
            at = next ? next : theirs_.add_child(at, step->name);
        }
        return at;
    }

    static std::vector<Node*> path_of(Node* node) {
        std::vector<Node*> path;
        for (Node* n = node; n->parent; n = n->parent) path.push_back(n);
        std::reverse(path.begin(), path.end());
        return path;
    }

    void refuse(Node* node, std::string_view why) {
        std::string name(root_name_);
        for (Node* step : path_of(node)) name += "\\" + std::string(step->name);
        not_saved_.push_back(name + " " + std::string(why));
    }

    Hive& ours_;
    Hive& theirs_;
    std::string_view root_name_;
    std::vector<std::string> not_saved_;
};

}  // namespace

std::vector<std::string> reapply_changes(Hive& ours, Hive& theirs, std::string_view root_name) {
    return Reapply(ours, theirs, root_name).run();
}

}  // namespace platform::registry
