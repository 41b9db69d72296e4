#pragma once
// A winapp2.ini rule file read into plug-in definitions of the rule form: each entry keeps its
// name, its section (or the category its LangSecRef number names) and every key this machine
// can use; the rest is reported, key by key or entry by entry, never guessed at.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/foundation/records.h"

namespace engine {

inline constexpr std::string_view kRuleFileSource = "winapp2.ini";

struct RuleImport {
    struct Refused {
        std::string name, reason;
    };
    struct Dropped {
        std::string name, key, reason;  // the entry, the key as the file names it ("FileKey3"), why
    };
    std::vector<Plugin> definitions;          // what is to be imported, in file order
    std::vector<std::string> not_installed;   // entries whose program was not found here
    std::vector<Refused> refused;
    std::vector<Dropped> dropped;             // keys left out of entries that were kept
};

// The file cannot be read as rules at all: not text, or no entry in it.
class RuleFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Entries whose detection fails on this machine go to not_installed unless `all`; an entry
// marked with a Warning is unticked (Default false). Needs the current machine.
RuleImport read_rule_file(std::string_view text, bool all);

}  // namespace engine
