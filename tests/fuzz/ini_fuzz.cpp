// Fuzz target for the INI reader: any text must be read without a crash, every entry's place must
// lie inside the text, and an edit must land where the next reader finds it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ini/ini_document.h"

namespace {

using platform::ini::IniDocument;

void check_places(const IniDocument& document) {
    const size_t size = document.text().size();
    for (const auto& section : document.sections()) {
        for (const auto& entry : section.entries) {
            if (entry.name_begin > size || entry.value_begin > entry.value_end || entry.value_end > size) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IniDocument document(std::string(reinterpret_cast<const char*>(data), size));
    check_places(document);
    for (const auto& section : document.sections()) {
        for (const auto& entry : section.entries) (void)document.find_entry(section.name, entry.name);
    }

    document.set_value("Fuzz", "Key", "value");
    const IniDocument edited(document.text());
    check_places(edited);
    const IniDocument::Entry* found = edited.find_entry("Fuzz", "Key");
    if (!found || found->value != "value") std::abort();

    document.delete_section("Fuzz");
    if (IniDocument(document.text()).find_section("Fuzz")) std::abort();
    return 0;
}
