#include "engine/foundation/ini.h"

#include "platform/ini/profile.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(INI, "{7973CB76-61AF-4CE9-B34C-63B3D9BFCE6A}");

std::string INI::GetFromINI(std::string& File_Path, std::string& Section, std::string& key) {
    std::string buffer(kValueBufferSize, '\0');
    uint32_t length = platform::ini::GetPrivateProfileString(platform::current_machine(), Section.c_str(), key.c_str(),
                                                             "", buffer.data(), kValueBufferSize, File_Path);
    if (length > 0) buffer.resize(length);
    return buffer;
}

Variant INI::WriteToINI(std::string& File_Path, std::string& Section, std::string& key, std::string& Value) {
    platform::ini::WritePrivateProfileString(platform::current_machine(), Section.c_str(), key.c_str(), Value.c_str(),
                                             File_Path);
    return {};
}

std::string INI::EnumerateSections(std::string& File_Path) {
    std::string buffer(kListBufferSize, '\0');
    platform::ini::GetPrivateProfileSectionNames(platform::current_machine(), buffer.data(), kListBufferSize, File_Path);
    return buffer;
}

std::string INI::Enumeratekeys(std::string& File_Path, std::string& Section) {
    std::string buffer(kListBufferSize, '\0');
    platform::ini::GetPrivateProfileSection(platform::current_machine(), Section.c_str(), buffer.data(),
                                            kListBufferSize, File_Path);
    return buffer;
}

}  // namespace engine
