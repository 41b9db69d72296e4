#include "platform/ini/profile.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/ini/ini_document.h"
#include "platform/machine/machine.h"
#include "platform/machine/user_environment.h"
#include "platform/text/trim.h"

namespace platform::ini {

namespace {

// A bare file name means a file in the Windows folder, as with the Win32 functions.
std::string resolve(Machine& machine, std::string_view file) {
    if (file.find_first_of("\\/:") != std::string_view::npos) return std::string(file);
    return windows_folder(machine) + "\\" + std::string(file);
}

// A missing or unreadable file reads as an empty one, which is what the Win32 functions report.
IniDocument load(Machine& machine, std::string_view file) {
    try {
        return IniDocument(machine.files().read_text(resolve(machine, file)));
    } catch (const fs::FsError&) {
        return IniDocument();
    }
}

bool file_exists(Machine& machine, std::string_view file) {
    std::string path = resolve(machine, file);
    return machine.files().exists(path) && !machine.files().is_directory(path);
}

// One value into the buffer: cut to size - 1 characters and always NUL-terminated.
uint32_t copy_value(std::string_view value, char* buffer, uint32_t size) {
    if (size == 0) return 0;
    size_t length = std::min<size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
    return static_cast<uint32_t>(length);
}

// Win32 drops a matching pair of quotes around a value (single or double).
std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// A NUL-separated list ended by a second NUL. When it does not fit, the last item is cut, two
// NULs end the buffer and the result is size - 2, so callers can tell a cut list from a full one.
uint32_t copy_list(const std::vector<std::string>& items, char* buffer, uint32_t size) {
    if (size == 0) return 0;
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    size_t pos = 0;
    for (const std::string& item : items) {
        if (pos + item.size() + 1 > size - 1) {
            size_t room = size - 2 - pos;
            std::memcpy(buffer + pos, item.data(), room);
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buffer + pos, item.data(), item.size());
        pos += item.size();
        buffer[pos++] = '\0';
    }
    buffer[pos] = '\0';
    if (pos == 0) buffer[1] = '\0';  // an empty list still reads as a list to a caller looking for two NULs
    return static_cast<uint32_t>(pos);
}

std::vector<std::string> key_names(const IniDocument::Section& section) {
    std::vector<std::string> names;
    for (const auto& entry : section.entries) {
        if (entry.value && !entry.name.empty()) names.push_back(entry.name);
    }
    return names;
}

std::vector<std::string> section_lines(const IniDocument::Section& section) {
    std::vector<std::string> lines;
    for (const auto& entry : section.entries) {
        lines.push_back(entry.value ? entry.name + "=" + *entry.value : entry.name);
    }
    return lines;
}

std::vector<std::string> section_names(const IniDocument& document) {
    std::vector<std::string> names;
    for (const auto& section : document.sections()) {
        if (!section.name.empty()) names.push_back(section.name);
    }
    return names;
}

// A line break or a stray "=" or "[" would let a written name or value turn into other keys or
// sections on the next read, so such text is refused instead of written.
bool breaks_structure(const char* section, const char* key, const char* value) {
    auto has_line_break = [](const char* text) { return text && std::strpbrk(text, "\r\n") != nullptr; };
    if (has_line_break(section) || has_line_break(key) || has_line_break(value)) return true;
    if (section && std::strchr(section, ']')) return true;
    if (key) {
        std::string_view name = trim_blanks(key);
        if (name.find('=') != std::string_view::npos) return true;
        if (!name.empty() && (name.front() == '[' || name.front() == ';')) return true;
    }
    return false;
}

// Win32 ignores trailing blanks of the default.
std::string_view fallback_of(const char* default_value) {
    return text::trim_trailing(default_value ? default_value : "");
}

}  // namespace

uint32_t profile_string(const IniDocument& document, const char* section, const char* key, const char* default_value,
                        char* buffer, uint32_t size) {
    if (!buffer || size == 0) return 0;
    const std::string_view fallback = fallback_of(default_value);
    if (!section) return copy_list(section_names(document), buffer, size);

    if (!key) {
        const IniDocument::Section* s = document.find_section(section);
        std::vector<std::string> names = s ? key_names(*s) : std::vector<std::string>{};
        if (names.empty()) return copy_value(unquote(fallback), buffer, size);
        return copy_list(names, buffer, size);
    }
    if (*key == '\0') return copy_value(unquote(fallback), buffer, size);
    const IniDocument::Entry* entry = document.find_entry(section, key);
    std::string_view value = (entry && entry->value) ? std::string_view(*entry->value) : fallback;
    return copy_value(unquote(value), buffer, size);
}

std::string_view read_value(std::string_view stored) { return unquote(stored); }

std::optional<std::string_view> section_value(const IniDocument::Section& section, std::string_view key) {
    for (const IniDocument::Entry& entry : section.entries) {
        if (same_name(entry.name, key)) return entry.value ? std::optional(read_value(*entry.value)) : std::nullopt;
    }
    return std::nullopt;
}

uint32_t profile_section_names(const IniDocument& document, char* buffer, uint32_t size) {
    if (!buffer) return 0;
    return copy_list(section_names(document), buffer, size);
}

bool write_profile_string(IniDocument& document, const char* section, const char* key, const char* value) {
    // All three null is the Win32 "flush your cache" call; nothing is cached here.
    if (!section) return !key && !value;
    if (breaks_structure(section, key, value)) return false;
    if (!key) document.delete_section(section);
    else if (!value) document.delete_key(section, key);
    else document.set_value(section, key, value);
    return true;
}

uint32_t GetPrivateProfileString(Machine& machine, const char* section, const char* key, const char* default_value,
                                 char* buffer, uint32_t size, std::string_view file) {
    if (!buffer || size == 0) return 0;
    if (!file_exists(machine, file)) return copy_value(unquote(fallback_of(default_value)), buffer, size);
    return profile_string(load(machine, file), section, key, default_value, buffer, size);
}

uint32_t GetPrivateProfileSectionNames(Machine& machine, char* buffer, uint32_t size, std::string_view file) {
    return profile_section_names(load(machine, file), buffer, size);
}

uint32_t GetPrivateProfileSection(Machine& machine, const char* section, char* buffer, uint32_t size,
                                  std::string_view file) {
    if (!section || !buffer) return 0;
    IniDocument document = load(machine, file);
    const IniDocument::Section* s = document.find_section(section);
    return copy_list(s ? section_lines(*s) : std::vector<std::string>{}, buffer, size);
}

bool reads_back_whole(std::string_view value, uint32_t size) {
    return value.size() + 2 <= size && value.find_first_of("\r\n") == std::string_view::npos &&
           trim_blanks(value) == value && unquote(value) == value;
}

bool WritePrivateProfileString(Machine& machine, const char* section, const char* key, const char* value,
                               std::string_view file) {
    std::string path = resolve(machine, file);
    IniDocument document = load(machine, path);
    const std::string before = document.text();
    if (!write_profile_string(document, section, key, value)) return false;
    if (document.text() == before) return true;
    try {
        machine.files().write_text(path, document.text());
        return true;
    } catch (const fs::FsError&) {
        return false;
    }
}

}  // namespace platform::ini
