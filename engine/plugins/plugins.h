#pragma once
// Plugins: the user's own cleaning items. Each is one section of an INI text that is kept on
// disk only encrypted, in the program folder's "plugins\plugins.dll"; the members decrypt it to
// a plain working copy held in memory, read or extend it there and encrypt it back. No plain
// copy is ever written to disk.
#include <functional>
#include <string>
#include <vector>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"
#include "engine/foundation/records.h"
#include "platform/ini/ini_document.h"

namespace engine {

enum class EntryRefusal;
class EntryGuard;
class RuleFolders;
class RuleVariables;
class Shredder;
class cRegistry;

class Plugins : public EngineObject {
public:
    Plugins();

    // Nothing sets it: always "".
    std::string BuiltinBlugins() const { return {}; }

    // Refreshes the working copy, then one record per section in file order (a name given twice
    // is read once, from its first section) and one empty record last. Entry j of each older list
    // sits at index j; index 0 holds a key numbered 0, which files normally lack (and then the
    // INI reader's missing-key value). The rule form's lists hold their keys in file order,
    // whatever their numbers. Values are read whole, however long, and so are section names and
    // their number. Exists: see plugin_detected.
    std::vector<Plugin> Load_Extra_plugins();

    // Writes P into the section P.Name (an existing section is extended in place) and encrypts
    // the file again. Refuses with EngineError, changing nothing, a blank name or one with "|",
    // brackets or line breaks, an entry (or Detect, Cat) the file would not give back whole (on
    // several lines, or with blanks or quotes around it), and an encrypted file that exists but does not decrypt with the
    // program's key; reports a failed encryption the same way.
    void AddPlugin(Plugin& P);

    // Writes the definitions of the rule form in one go: a plug-in that came from the same source
    // before is replaced, one of the user's own (no Source) is kept and the definition of that
    // name left out. Refuses as AddPlugin does; returns the names left out.
    std::vector<std::string> ImportPlugins(const std::vector<Plugin>& definitions);

    // Notes that the plug-in's warning was shown before its first run and the user went on
    // (WarningSeen=true in its section). Refuses as AddPlugin does.
    void WarningAccepted(const std::string& name);

    // Shreds the files (entries 1 on), then the folders with everything in them (1 on), then
    // deletes the registry keys and values (0 on); then the rule form's files (FileKeys, less
    // what ExcludeKeys keep) and registry keys. Entries are checked first: an empty one, or one
    // that names too much (see entry_guard.h), is refused with a ShowLog line and the rest run.
    // %VARIABLES% in file and folder entries are expanded from the machine.
    void cleanPlugin(const Plugin& P);
    // Cleans each plug-in as cleanPlugin does, in order, calling `before_each` before each one.
    // The machine's folders, variables and protected places are looked at once, when it starts,
    // for all of them: a run of many plug-ins does not pay for that per plug-in.
    void cleanPlugins(const std::vector<Plugin>& plugins, const std::function<void(const Plugin&)>& before_each = {});

    // true: working copy -> encrypted file; false: encrypted file -> working copy (emptied when
    // the file is missing or does not decrypt). Returns whether the operation wrote its output.
    bool EncryptPluginsFile(bool Flag);

    // Earlier versions left the plain working copy in the Windows folder ("npl.pln"); it is
    // shredded. True when there was one and it is gone.
    static bool shred_old_working_copy();

    // The encrypted file (a Windows path of the machine) and the key it is kept under.
    static std::string plugin_file();
    static constexpr const char* kFileKey = "QUILLMAX";
    // The plain text of the working copy.
    const std::string& working_copy() const { return working_copy_.text(); }

    Event<std::string> ExtraFound;  // part of the event interface; nothing raises it
    Event<std::string> ShowLog;     // the log lines of the shredder and the registry, and refusals

private:
    // A refreshed working copy, or EngineError when a file exists that does not decrypt.
    void refresh_for_writing();
    void clean_one(const Plugin& P, const EntryGuard& guard, const RuleVariables& variables, RuleFolders& folders,
                   Shredder& shredder, cRegistry& registry);
    void clean_rules(const Plugin& P, const EntryGuard& guard, const RuleVariables& variables, RuleFolders& folders,
                     Shredder& shredder, cRegistry& registry);
    void write_key(const std::string& section, const std::string& key, const std::string& value);
    void write_list(const std::string& section, const std::string& stem, const std::vector<std::string>& items);
    // Logs a refused entry; true when the entry must be skipped.
    bool refused(const Plugin& plugin, const std::string& entry, EntryRefusal refusal);

    platform::ini::IniDocument working_copy_;
};

}  // namespace engine
