#pragma once
// The Windows profile-file functions (GetPrivateProfileString & co.) on files of the machine,
// with their real semantics. Paths are Windows paths; a null pointer has the Win32 meaning
// (all sections, all keys, delete the key or section).
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/ini/ini_document.h"

namespace platform {
class Machine;
}

namespace platform::ini {

// Returns the number of characters copied, without the terminating NUL(s), as Win32 does
// (size - 1 when a value was cut, size - 2 when a NUL-separated list was cut).
uint32_t GetPrivateProfileString(Machine& machine, const char* section, const char* key, const char* default_value,
                                 char* buffer, uint32_t size, std::string_view file);
uint32_t GetPrivateProfileSectionNames(Machine& machine, char* buffer, uint32_t size, std::string_view file);
uint32_t GetPrivateProfileSection(Machine& machine, const char* section, char* buffer, uint32_t size,
                                  std::string_view file);
// Whether a value that WritePrivateProfileString stores comes back from GetPrivateProfileString
// with a buffer of `size` exactly as it was, and cannot be taken for a cut one there: shorter than
// size - 1, on one line, without blanks or a pair of quotes around it that the reader takes off.
bool reads_back_whole(std::string_view value, uint32_t size);
// Creates the file, section or key as needed and keeps every other byte of the file as it was.
bool WritePrivateProfileString(Machine& machine, const char* section, const char* key, const char* value,
                               std::string_view file);

// The same on a text held in memory, read as a file that exists and holds it.
uint32_t profile_string(const IniDocument& document, const char* section, const char* key, const char* default_value,
                        char* buffer, uint32_t size);
uint32_t profile_section_names(const IniDocument& document, char* buffer, uint32_t size);
bool write_profile_string(IniDocument& document, const char* section, const char* key, const char* value);
// A stored value as the reader gives it: a matching pair of quotes around it taken off.
std::string_view read_value(std::string_view stored);
// The value of the section's first key of that name as profile_string reads it (quotes taken
// off), but whole, however long; nullopt for a missing key or a line without "=".
std::optional<std::string_view> section_value(const IniDocument::Section& section, std::string_view key);

}  // namespace platform::ini
