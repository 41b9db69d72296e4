#pragma once
// The records and enumerations the engine's classes exchange with the program.
// The plug-in file numbers a plug-in's entries from 1 (RK1, FK1, FOK1, ...); in the lists here
// index 0 holds entry 1.
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

enum ERegistryClassConstants : uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000u,
    HKEY_CURRENT_USER = 0x80000001u,
    HKEY_LOCAL_MACHINE = 0x80000002u,
    HKEY_USERS = 0x80000003u,
};

enum ERegistryValueTypes : int32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_DWORD_LITTLE_ENDIAN = 4,
    REG_DWORD_BIG_ENDIAN = 5,
    REG_LINK = 6,
    REG_MULTI_SZ = 7,
    REG_RESOURCE_LIST = 8,
    REG_FULL_RESOURCE_DESCRIPTOR = 9,
    REG_RESOURCE_REQUIREMENTS_LIST = 10,
};

enum Enum_OperatingSystem : int32_t {
    System_Windows_32 = 0,
    System_Windows_95 = 1,
    System_Windows_98 = 2,
    System_Windows_ME = 3,
    System_Windows_NT = 4,
    System_Windows_2K = 5,
    System_Windows_XP = 6,
};

// Part of the library's published shape; no member takes or returns these two.
enum Enum_OperatingPlatform : int32_t {
    Platform_Windows_32 = 0,
    Platform_Windows_95_98_ME = 1,
    Platform_Windows_NT_2K_XP = 2,
};
enum RetType : int32_t {
    Integer_type = 0,
    String_type = 1,
};

// Both fields are lists joined with "|".
struct UnInstall {
    std::string program_name;
    std::string uninstall_Path;
};

struct IE_type {
    std::string CacheDir;
    std::string HistoryDir;
    std::string CookiesDir;
    std::string DownloadDir;
};

struct Plugin {
    std::string Name;
    std::string Cat;
    std::string Detect;
    int16_t RC = 0;
    int16_t FC = 0;
    int16_t FOC = 0;
    std::vector<std::string> rclist;
    std::vector<std::string> fclist;
    std::vector<std::string> foclist;
    bool Default = false;
    std::string App;
    bool Exists = false;
    std::string SetRCList;
    std::string SetFCList;
    std::string SetFOCList;
    // The keys of the rule form (engine/plugins/rule_keys.h), each list in file order, and the
    // texts that go with it: the Windows versions it is for, the warning shown before its first
    // run, and where it came from ("winapp2.ini" for an imported one, "" for the user's own).
    std::vector<std::string> FileKeys, RegKeys, ExcludeKeys, DetectKeys, DetectFiles;
    std::string DetectOS, Warning, Source;
    bool WarningSeen = false;  // the warning was shown and the user went on: it is not shown again
};

struct Connectionsettings {
    int16_t SYN = 0;
    int32_t MSS = 0;
    int32_t MTU = 0;
    int32_t RWIN = 0;
    int32_t Ttl = 0;
    int32_t SKA = 0;
    int32_t SKAInterval = 0;
    int32_t NDI = 0;
    int32_t MSCPS1 = 0;
    bool ICMP = false;
    bool BlackHole = false;
};

}  // namespace engine
