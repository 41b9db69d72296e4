#include "engine/foundation/ini.h"

#include "platform/ini/profile.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(INI, "{7973CB76-61AF-4CE9-B34C-63B3D9BFCE6A}");

namespace {

// A value read into a buffer of the reader's size: cut to what was read, or all NULs for nothing.
template <typename Read>
std::string value_read(Read read) {
    std::string buffer(INI::kValueBufferSize, '\0');
    const uint32_t length = read(buffer.data(), INI::kValueBufferSize);
    if (length > 0) buffer.resize(length);
    return buffer;
}

template <typename Read>
std::string list_read(Read read) {
    std::string buffer(INI::kListBufferSize, '\0');
    read(buffer.data(), INI::kListBufferSize);
    return buffer;
}

}  // namespace

std::string INI::GetFromINI(std::string& File_Path, std::string& Section, std::string& key) {
    return value_read([&](char* buffer, uint32_t size) {
        return platform::ini::GetPrivateProfileString(platform::current_machine(), Section.c_str(), key.c_str(), "",
                                                      buffer, size, File_Path);
    });
}

std::string INI::value_in(const platform::ini::IniDocument& text, const std::string& section, const std::string& key) {
    return value_read([&](char* buffer, uint32_t size) {
        return platform::ini::profile_string(text, section.c_str(), key.c_str(), "", buffer, size);
    });
}

std::string INI::sections_in(const platform::ini::IniDocument& text) {
    return list_read([&](char* buffer, uint32_t size) { return platform::ini::profile_section_names(text, buffer, size); });
}

void INI::write_in(platform::ini::IniDocument& text, const std::string& section, const std::string& key,
                   const std::string& value) {
    platform::ini::write_profile_string(text, section.c_str(), key.c_str(), value.c_str());
}

Variant INI::WriteToINI(std::string& File_Path, std::string& Section, std::string& key, std::string& Value) {
    platform::ini::WritePrivateProfileString(platform::current_machine(), Section.c_str(), key.c_str(), Value.c_str(),
                                             File_Path);
    return {};
}

std::string INI::EnumerateSections(std::string& File_Path) {
    return list_read([&](char* buffer, uint32_t size) {
        return platform::ini::GetPrivateProfileSectionNames(platform::current_machine(), buffer, size, File_Path);
    });
}

std::string INI::Enumeratekeys(std::string& File_Path, std::string& Section) {
    return list_read([&](char* buffer, uint32_t size) {
        return platform::ini::GetPrivateProfileSection(platform::current_machine(), Section.c_str(), buffer, size,
                                                       File_Path);
    });
}

}  // namespace engine
