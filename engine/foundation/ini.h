#pragma once
// The engine's INI file access: message files, plug-in definitions, profile lists, DLL backup lists.
// Paths are Windows paths of the current machine.
#include <string>
#include <string_view>

#include "engine/foundation/class_table.h"
#include "engine/foundation/variant.h"
#include "platform/ini/ini_document.h"

namespace engine {

class INI : public EngineObject {
public:
    // The value (longer values cut to 254 characters). A missing file, section or key, or an
    // empty value, gives 255 NUL characters, not the empty text: callers of old compare with that.
    std::string GetFromINI(std::string& File_Path, std::string& Section, std::string& key);
    // Creates the file, section or key as needed; everything else in the file stays as it was.
    Variant WriteToINI(std::string& File_Path, std::string& Section, std::string& key, std::string& Value);
    // Every section name followed by a NUL, one more NUL, then NULs up to 5000 characters.
    std::string EnumerateSections(std::string& File_Path);
    // The lines key=value of a section in the same 5000-character NUL-separated form.
    std::string Enumeratekeys(std::string& File_Path, std::string& Section);

    // The same on a text held in memory (what must never reach the disk in plain text).
    static std::string value_in(const platform::ini::IniDocument& text, const std::string& section, const std::string& key);
    static std::string sections_in(const platform::ini::IniDocument& text);
    static void write_in(platform::ini::IniDocument& text, const std::string& section, const std::string& key,
                         const std::string& value);
    static constexpr uint32_t kValueBufferSize = 255;
    static constexpr uint32_t kListBufferSize = 5000;
    // A message is read whole: one that says why and what to do runs past a setting's buffer.
    static constexpr uint32_t kMessageBufferSize = 8192;
};

}  // namespace engine
