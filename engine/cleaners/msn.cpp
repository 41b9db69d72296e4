#include "engine/cleaners/msn.h"

#include <algorithm>

#include "engine/cleaners/cleanable_folder.h"
#include "engine/cleaners/trace_shredding.h"
#include "engine/foundation/cregistry.h"

namespace engine {

TAVRIN_ENGINE_CLASS(MSN, "{02D1E4D7-7DCF-46A4-B95F-27C1BABE2DA3}");

namespace {

constexpr const char* kSource = "Tavrin.MSN";
constexpr const char* kMessenger = "Software\\Microsoft\\MSNMessenger";

// The messenger stores the folder as bytes: the path's characters, either one byte each or as
// UTF-16 with ASCII letters, usually NUL-terminated. Anything else is not a path we can use.
std::string folder_from_bytes(Bytes bytes) {
    bool wide = bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes[1] == 0;
    std::string text;
    for (size_t at = 0; at < bytes.size(); at += wide ? 2 : 1) {
        if (wide && bytes[at + 1] != 0) return {};
        char c = static_cast<char>(bytes[at]);
        if (c == '\0') break;
        text += c;
    }
    bool printable =
        std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x20; });
    return printable ? text : std::string();
}

}  // namespace

int32_t MSN::CleanMSNAccountSettings() {
    cRegistry reg;
    EventRelay relay(reg.ShowLog, ShowLog);
    // The settings sit in one subkey per account, and a key with subkeys cannot be deleted on
    // its own: the key goes with everything below it.
    std::string key = "HKEY_CURRENT_USER\\" + std::string(kMessenger) + "\\PerPassportSettings";
    reg.del_reg_sub(key);
    return 0;
}

int32_t MSN::CleanMSNRecivedFolder() {
    cRegistry reg;
    EventRelay relay(reg.ShowLog, ShowLog);
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(kMessenger);
    reg.ValueKey("FtReceiveFolder");
    reg.ValueType(REG_BINARY);
    Variant value = reg.Value();
    std::string folder = value.is_bytes() ? folder_from_bytes(std::get<Bytes>(value)) : value.to_text();
    if (!may_clean_folder(folder)) {
        report_to_log(ShowLog, kNotFoundMessage, "MSN Messenger received files folder");
        return 0;
    }
    shred_folder(ShowLog, kSource, folder, true, "*");
    return 0;
}

}  // namespace engine
