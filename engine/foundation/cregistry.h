#pragma once
// The engine's one gateway to the registry of the current machine. A caller sets a position
// (ClassKey, SectionKey, ValueKey) and then reads, writes, enumerates or deletes there. Every
// deletion is written to the daily log and announced through ShowLog.
//
// Changes stay in the machine's memory until the next flush point (platform::Machine::flush):
// the program flushes after every command and at exit, so cRegistry never flushes by itself.
//
// There is no remote registry here: with Machine set, reads give Default, KeyExists and the
// deletions give false, enumerations give nothing, and every write raises error 26001.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/records.h"
#include "engine/foundation/variant.h"
#include "platform/registry/registry.h"

namespace engine {

// The root a path's first element names: only the four full names ("HKEY_CURRENT_USER"), in any case.
std::optional<ERegistryClassConstants> registry_root_named(std::string_view name);

class cRegistry : public EngineObject {
public:
    // Stored as "\\name" when longer than two characters; anything shorter clears it.
    const std::string& Machine() const { return machine_; }
    void Machine(const std::string& value);

    bool KeyExists() const;
    // Creates SectionKey with its missing parents; error 26001 when that fails.
    bool CreateKey();
    // One key without subkeys; false (no log line, no event) when it cannot be deleted.
    bool DeleteKey();
    bool DeleteValue();

    // Reads ValueKey: text for REG_SZ, REG_MULTI_SZ (NUL between items, one trailing NUL) and
    // REG_EXPAND_SZ (expanded), a 32-bit integer for the DWORD types, bytes for anything else.
    // Sets ValueType to the type found; Default when the value cannot be read.
    Variant Value();
    // Writes ValueKey as ValueType, creating the key. Text with a %...% reference is stored as
    // REG_EXPAND_SZ, other text as REG_SZ; REG_BINARY takes bytes only; the DWORD types take
    // 16- or 32-bit integers and quietly skip anything else.
    void Value(const Variant& value);

    // Names of the values / direct subkeys of SectionKey; index 0 holds element 1. A missing
    // key gives true with count 0.
    bool EnumerateValues(std::vector<std::string>& sKeyNames, int32_t& iKeyCount);
    bool EnumerateSections(std::vector<std::string>& sSect, int32_t& iSectCount);

    // A file type and its shell verbs, written under HKEY_CLASSES_ROOT and HKLM\SOFTWARE\Classes.
    void CreateEXEAssociation(std::string sExePath, std::string sClassName, std::string sClassDescription,
                              std::string sAssociation, std::string sOpenMenuText, bool bSupportPrint,
                              std::string sPrintMenuText, bool bSupportNew, std::string sNewMenuText,
                              bool bSupportInstall, std::string sInstallMenuText, int32_t lDefaultIconIndex);
    // vItems holds (verb, menu text, command) triples for an already defined class.
    void CreateAdditionalEXEAssociations(std::string sClassName, std::vector<Variant>& vItems);

    ERegistryValueTypes ValueType() const { return value_type_; }
    void ValueType(ERegistryValueTypes value) { value_type_ = value; }
    ERegistryClassConstants ClassKey() const { return class_key_; }
    void ClassKey(ERegistryClassConstants value) { class_key_ = value; }
    const std::string& SectionKey() const { return section_key_; }
    void SectionKey(const std::string& value) { section_key_ = value; }
    const std::string& ValueKey() const { return value_key_; }
    void ValueKey(const std::string& value) { value_key_ = value; }
    const engine::Variant& Default() const { return default_; }
    void Default(const engine::Variant& value) { default_ = value; }

    // Sets the five position properties, then reads or writes Value. A write of the empty text
    // as REG_SZ writes Default instead.
    Variant ValueEx(ERegistryClassConstants ClassKey, const std::string& SectionKey, const std::string& ValueKey,
                    ERegistryValueTypes ValueType, const Variant& Default);
    void ValueEx(ERegistryClassConstants ClassKey, const std::string& SectionKey, const std::string& ValueKey,
                 ERegistryValueTypes ValueType, const Variant& Default, const Variant& value);

    // Deletes "ROOT_NAME\key\path" with all its values and subkeys, deepest first, one log line
    // and one ShowLog per deleted value and key. Keys it cannot delete stay, and it stops there.
    void del_reg_sub(std::string& inkey);

    Event<std::string> ShowLog;

private:
    struct Encoded {
        uint32_t type;
        std::vector<uint8_t> data;
    };

    std::optional<platform::registry::Root> root() const;
    bool remote() const { return !machine_.empty(); }
    std::string position_path() const;  // "HKEY_...\SectionKey"
    void announce_deletion(const std::string& path, bool event_first);
    std::optional<Encoded> encode(const Variant& value) const;
    // Creates the key and stores the value; the description of a failure names the whole position.
    void store(uint32_t root, const std::string& section, const std::string& name,
               const std::optional<Encoded>& data, const Variant& shown);
    void store_text(uint32_t root, const std::string& section, const std::string& text);
    void store_class_text(const std::string& section, const std::string& text);

    std::string machine_;
    ERegistryClassConstants class_key_{};
    std::string section_key_;
    std::string value_key_;
    ERegistryValueTypes value_type_ = REG_NONE;
    Variant default_;
    // One object deletes many keys in a run (a plug-in's, the registry cleaner's): their lines
    // go through one open log file.
    LogWriter log_;
};

// A stored value as cRegistry.Value gives it: strings as text (REG_EXPAND_SZ expanded with the
// machine's environment), DWORDs as numbers, anything else as bytes.
Variant value_as_variant(const platform::registry::Value& stored);

}  // namespace engine
