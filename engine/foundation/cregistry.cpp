#include "engine/foundation/cregistry.h"

#include <algorithm>

#include "engine/foundation/engine_error.h"
#include "engine/foundation/logger.h"
#include "engine/foundation/message_text.h"
#include "platform/machine/machine.h"
#include "platform/machine/user_environment.h"
#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::iequals;

TAVRIN_ENGINE_CLASS(cRegistry, "{6B6B9320-597C-4030-9FDD-BDF153337CD5}");

namespace {

using platform::registry::Root;
using platform::registry::Status;
namespace type = platform::registry::type;

constexpr const char* kSource = "Tavrin.cRegistry";

platform::registry::Registry& registry() { return platform::current_machine().registry(); }

std::optional<Root> valid_root(uint32_t code) {
    if (code < HKEY_CLASSES_ROOT || code > HKEY_USERS) return std::nullopt;
    return static_cast<Root>(code);
}

// "50% off" is plain text; "%TEMP%\x" refers to a variable. Two adjacent percent signs do not.
bool looks_expandable(const std::string& text) {
    size_t first = text.find('%');
    return first != std::string::npos && text.find('%', first + 2) != std::string::npos;
}

std::vector<uint8_t> text_bytes(const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

std::string stored_text(const std::vector<uint8_t>& data) {
    std::string text(data.begin(), data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

int32_t stored_dword(std::vector<uint8_t> data, bool big_endian) {
    data.resize(4, 0);
    if (big_endian) std::reverse(data.begin(), data.begin() + 4);
    return static_cast<int32_t>(static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                                static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24);
}

std::string set_failure(uint32_t root, const std::string& section, const std::string& name, const Variant& value) {
    return "Failed to set registry value Key: '" + std::to_string(static_cast<int32_t>(root)) + "',Section: '" +
           section + "',Key: '" + name + "' to value: '" + value.to_text() + "'";
}

}  // namespace

std::optional<ERegistryClassConstants> registry_root_named(std::string_view name) {
    for (uint32_t code = HKEY_CLASSES_ROOT; code <= HKEY_USERS; ++code) {
        if (iequals(platform::registry::root_name(code), name)) return static_cast<ERegistryClassConstants>(code);
    }
    return std::nullopt;
}

void cRegistry::Machine(const std::string& value) {
    if (value.size() <= 2) {
        machine_.clear();
    } else {
        machine_ = value.starts_with("\\\\") ? value : "\\\\" + value;
    }
}

std::optional<Root> cRegistry::root() const { return valid_root(class_key_); }

std::string cRegistry::position_path() const {
    return platform::registry::root_name(class_key_) + "\\" + section_key_;
}

bool cRegistry::KeyExists() const {
    if (remote() || !root()) return false;
    return registry().key_exists(*root(), section_key_);
}

bool cRegistry::CreateKey() {
    if (remote() || !root() || registry().create_key(*root(), section_key_) != Status::Ok) {
        throw EngineError(errors::kRegistryCreateFailed, kSource, "Failed to create registry Key: '" + section_key_);
    }
    return true;
}

// Neither the log nor a listener may undo a deletion that has happened, so their failures are dropped.
void cRegistry::announce_deletion(const std::string& path, bool event_first) {
    auto raise = [&] { ignore_errors([&] { ShowLog(path); }); };
    if (event_first) raise();
    ignore_errors([&] {
        std::string section = GetMessageText("msg15") + " ";
        std::string text = path;
        log_.AddToLog(section, text);
    });
    if (!event_first) raise();
}

bool cRegistry::DeleteKey() {
    // An empty path would be the root itself.
    if (remote() || !root() || section_key_.empty()) return false;
    if (registry().delete_key(*root(), section_key_) != Status::Ok) return false;
    announce_deletion(position_path(), false);
    return true;
}

bool cRegistry::DeleteValue() {
    if (remote() || !root() || !registry().key_exists(*root(), section_key_)) return false;
    if (registry().delete_value(*root(), section_key_, value_key_) != Status::Ok) return false;
    announce_deletion(position_path() + "\\" + value_key_, true);
    return true;
}

Variant cRegistry::Value() {
    if (remote() || !root()) return default_;
    platform::registry::Value stored;
    Status status = registry().query_value(*root(), section_key_, value_key_, stored);
    if (status != Status::Ok && status != Status::MoreData) return default_;

    value_type_ = static_cast<ERegistryValueTypes>(stored.type);
    return value_as_variant(stored);
}

Variant value_as_variant(const platform::registry::Value& stored) {
    switch (stored.type) {
        case type::Sz:
        case type::MultiSz:
            return stored_text(stored.data);
        case type::ExpandSz:
            return platform::expand_environment_strings(platform::current_machine(), stored_text(stored.data));
        case type::Dword:
            return stored_dword(stored.data, false);
        case type::DwordBigEndian:
            return stored_dword(stored.data, true);
        default:
            return Bytes(stored.data);
    }
}

std::optional<cRegistry::Encoded> cRegistry::encode(const Variant& value) const {
    switch (value_type_) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            std::string text = value.to_text();
            return Encoded{looks_expandable(text) ? type::ExpandSz : type::Sz, text_bytes(text)};
        }
        case REG_BINARY:
            if (!value.is_bytes()) throw EngineError(errors::kRegistryCreateFailed, kSource, "");
            return Encoded{type::Binary, std::get<Bytes>(value)};
        case REG_DWORD:
        case REG_DWORD_BIG_ENDIAN: {
            if (!value.is_integer()) return std::nullopt;
            auto number = static_cast<uint32_t>(value.to_integer());
            return Encoded{type::Dword, {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                                         static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)}};
        }
        default:
            return std::nullopt;
    }
}

void cRegistry::store(uint32_t root_code, const std::string& section, const std::string& name,
                      const std::optional<Encoded>& data, const Variant& shown) {
    auto target = valid_root(root_code);
    if (remote() || !target || registry().create_key(*target, section) != Status::Ok) {
        throw EngineError(errors::kRegistryCreateFailed, kSource, set_failure(root_code, section, name, shown));
    }
    if (!data) return;
    if (registry().set_value(*target, section, name, data->type, data->data) != Status::Ok) {
        throw EngineError(errors::kRegistrySetValueFailed, kSource, set_failure(root_code, section, name, shown));
    }
}

void cRegistry::Value(const Variant& value) {
    // Checked before anything is created, so a refused write leaves no empty key behind.
    std::optional<Encoded> data = encode(value);
    store(class_key_, section_key_, value_key_, data, value);
}

bool cRegistry::EnumerateValues(std::vector<std::string>& sKeyNames, int32_t& iKeyCount) {
    sKeyNames.clear();
    iKeyCount = 0;
    if (remote() || !root()) return true;
    std::string name;
    for (uint32_t index = 0; registry().enum_value(*root(), section_key_, index, name) == Status::Ok; ++index) {
        sKeyNames.push_back(name);
    }
    iKeyCount = static_cast<int32_t>(sKeyNames.size());
    return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string>& sSect, int32_t& iSectCount) {
    sSect.clear();
    iSectCount = 0;
    if (remote() || !root()) return true;
    try {
        std::string name;
        for (uint32_t index = 0; registry().enum_key(*root(), section_key_, index, name) == Status::Ok; ++index) {
            sSect.push_back(name);
        }
    } catch (const std::exception& error) {
        sSect.clear();
        throw EngineError(errors::kRegistryEnumerationFailed, kSource, error.what());
    }
    iSectCount = static_cast<int32_t>(sSect.size());
    return true;
}

Variant cRegistry::ValueEx(ERegistryClassConstants ClassKey, const std::string& SectionKey,
                           const std::string& ValueKey, ERegistryValueTypes ValueType, const Variant& Default) {
    this->ClassKey(ClassKey);
    this->SectionKey(SectionKey);
    this->ValueKey(ValueKey);
    this->ValueType(ValueType);
    this->Default(Default);
    return Value();
}

void cRegistry::ValueEx(ERegistryClassConstants ClassKey, const std::string& SectionKey,
                        const std::string& ValueKey, ERegistryValueTypes ValueType, const Variant& Default,
                        const Variant& value) {
    this->ClassKey(ClassKey);
    this->SectionKey(SectionKey);
    this->ValueKey(ValueKey);
    this->ValueType(ValueType);
    this->Default(Default);
    bool empty_text = value.is_empty() || (value.is_text() && std::get<std::string>(value).empty());
    Value(ValueType == REG_SZ && empty_text ? Default : value);
}

void cRegistry::del_reg_sub(std::string& inkey) {
    size_t split = inkey.find('\\');
    if (split == std::string::npos) return;  // a bare root name: never delete a whole hive
    std::string root_part = inkey.substr(0, split);
    std::string key_path = inkey.substr(split + 1);
    auto root = registry_root_named(root_part);
    if (!root || key_path.empty()) return;

    // A private object per level keeps the caller's position untouched.
    cRegistry level;
    level.ClassKey(*root);
    level.SectionKey(key_path);
    if (!level.KeyExists()) return;

    std::string shown_key = root_part + "\\" + key_path;
    while (true) {
        std::vector<std::string> subkeys, values;
        int32_t subkey_count = 0, value_count = 0;
        ignore_errors([&] { level.EnumerateSections(subkeys, subkey_count); });
        ignore_errors([&] { level.EnumerateValues(values, value_count); });

        for (const std::string& name : values) {
            level.ValueKey(name);
            if (level.DeleteValue()) ignore_errors([&] { ShowLog(shown_key + "\\" + name); });
        }
        if (subkeys.empty()) {
            if (level.DeleteKey()) ignore_errors([&] { ShowLog(shown_key); });
            return;
        }
        std::string child = inkey + "\\" + subkeys.front();
        del_reg_sub(child);
        // A subkey that would not go ends the deletion instead of trying it forever.
        if (registry().key_exists(static_cast<Root>(*root), key_path + "\\" + subkeys.front())) return;
    }
}

}  // namespace engine
