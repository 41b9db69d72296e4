#include "platform/machine/sandbox.h"

#include <cstdlib>
#include <random>
#include <span>
#include <string_view>
#include <vector>

#include "platform/machine/registry_values.h"
#include "platform/registry/registry.h"

namespace platform::machine_detail {

namespace {

using registry::Root;
namespace stdfs = std::filesystem;

struct ShellFolder {
    std::string_view value;  // the name under Shell Folders
    std::string_view path;   // below the profile folder
};

// The user's folders as Windows XP (en-US) lays them out and names them in the registry.
constexpr ShellFolder kUserFolders[] = {
    {"AppData", "Application Data"},
    {"Cache", "Local Settings\\Temporary Internet Files"},
    {"CD Burning", "Local Settings\\Application Data\\Microsoft\\CD Burning"},
    {"Cookies", "Cookies"},
    {"Desktop", "Desktop"},
    {"Favorites", "Favorites"},
    {"History", "Local Settings\\History"},
    {"Local AppData", "Local Settings\\Application Data"},
    {"Local Settings", "Local Settings"},
    {"My Music", "My Documents\\My Music"},
    {"My Pictures", "My Documents\\My Pictures"},
    {"NetHood", "NetHood"},
    {"Personal", "My Documents"},
    {"PrintHood", "PrintHood"},
    {"Programs", "Start Menu\\Programs"},
    {"Recent", "Recent"},
    {"SendTo", "SendTo"},
    {"Start Menu", "Start Menu"},
    {"Startup", "Start Menu\\Programs\\Startup"},
    {"Templates", "Templates"},
};

constexpr ShellFolder kAllUsersFolders[] = {
    {"Common AppData", "Application Data"},
    {"Common Desktop", "Desktop"},
    {"Common Documents", "Documents"},
    {"Common Favorites", "Favorites"},
    {"Common Programs", "Start Menu\\Programs"},
    {"Common Start Menu", "Start Menu"},
    {"Common Startup", "Start Menu\\Programs\\Startup"},
    {"Common Templates", "Templates"},
};

// Folders every installation has that no Shell Folders value names.
constexpr std::string_view kOtherFolders[] = {
    "WINDOWS\\system32", "WINDOWS\\Temp", "Program Files\\Common Files",
};

constexpr std::string_view kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr std::string_view kUserShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr std::string_view kProfileListKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// C:\ paths of the sandbox as host paths below drive_c.
stdfs::path on_drive_c(const stdfs::path& machine_dir, std::string_view windows_path) {
    std::string relative(windows_path.substr(3));
    for (char& c : relative) {
        if (c == '\\') c = '/';
    }
    return machine_dir / "drive_c" / relative;
}

struct Sandbox {
    stdfs::path dir;
    std::string user;
    registry::Registry registry;

    std::string profile() const { return "C:\\Documents and Settings\\" + user; }
    static std::string all_users() { return "C:\\Documents and Settings\\All Users"; }

    void folder(std::string_view windows_path) const { stdfs::create_directories(on_drive_c(dir, windows_path)); }

    void text(Root root, std::string_view key, std::string_view name, std::string_view value,
              uint32_t type = registry::type::Sz) {
        write_string(registry, root, key, name, value, type);
    }

    void shell_folders(Root root, const std::string& profile_path, std::string_view profile_variable,
                       std::span<const ShellFolder> folders) {
        for (const ShellFolder& f : folders) {
            std::string path = profile_path + "\\" + std::string(f.path);
            folder(path);
            text(root, kShellFoldersKey, f.value, path);
            text(root, kUserShellFoldersKey, f.value, std::string(profile_variable) + "\\" + std::string(f.path),
                 registry::type::ExpandSz);
        }
    }

    void layout() {
        for (std::string_view path : kOtherFolders) folder("C:\\" + std::string(path));
        shell_folders(Root::CurrentUser, profile(), "%USERPROFILE%", kUserFolders);
        shell_folders(Root::LocalMachine, all_users(), "%ALLUSERSPROFILE%", kAllUsersFolders);
        folder(profile() + "\\Local Settings\\Temp");
        stdfs::create_directories(dir / "dosdevices");
        stdfs::create_directory_symlink("../drive_c", dir / "dosdevices" / "c:");
    }

    void windows_keys() {
        constexpr std::string_view nt = "Software\\Microsoft\\Windows NT\\CurrentVersion";
        text(Root::LocalMachine, nt, "SystemRoot", "C:\\WINDOWS");
        text(Root::LocalMachine, nt, "CurrentVersion", "5.1");
        text(Root::LocalMachine, nt, "CurrentBuildNumber", "2600");
        text(Root::LocalMachine, nt, "CSDVersion", "Service Pack 3");
        text(Root::LocalMachine, nt, "ProductName", "Microsoft Windows XP");
        text(Root::LocalMachine, nt, "RegisteredOwner", user);
        constexpr std::string_view windows = "Software\\Microsoft\\Windows\\CurrentVersion";
        text(Root::LocalMachine, windows, "ProgramFilesDir", "C:\\Program Files");
        text(Root::LocalMachine, windows, "CommonFilesDir", "C:\\Program Files\\Common Files");
        text(Root::LocalMachine, windows, "SystemRoot", "C:\\WINDOWS");
        text(Root::LocalMachine, kProfileListKey, "ProfilesDirectory", "%SystemDrive%\\Documents and Settings",
             registry::type::ExpandSz);
        text(Root::LocalMachine, std::string(kProfileListKey) + "\\" + registry.user_sid(), "ProfileImagePath",
             "%SystemDrive%\\Documents and Settings\\" + user, registry::type::ExpandSz);
        text(Root::CurrentUser, "Software\\Wine", "Version", "winxp");
    }

    void environment_keys() {
        constexpr std::string_view system = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
        text(Root::LocalMachine, system, "ComSpec", "%SystemRoot%\\system32\\cmd.exe", registry::type::ExpandSz);
        text(Root::LocalMachine, system, "OS", "Windows_NT");
        text(Root::LocalMachine, system, "Path", "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem",
             registry::type::ExpandSz);
        text(Root::LocalMachine, system, "TEMP", "%SystemRoot%\\TEMP", registry::type::ExpandSz);
        text(Root::LocalMachine, system, "TMP", "%SystemRoot%\\TEMP", registry::type::ExpandSz);
        text(Root::LocalMachine, system, "windir", "%SystemRoot%", registry::type::ExpandSz);
        std::string temp = profile() + "\\Local Settings\\Temp";
        text(Root::CurrentUser, "Environment", "TEMP", temp);
        text(Root::CurrentUser, "Environment", "TMP", temp);
        constexpr std::string_view logon = "Volatile Environment";
        text(Root::CurrentUser, logon, "USERNAME", user);
        text(Root::CurrentUser, logon, "USERPROFILE", profile());
        text(Root::CurrentUser, logon, "HOMEDRIVE", "C:");
        text(Root::CurrentUser, logon, "HOMEPATH", profile().substr(2));
        text(Root::CurrentUser, logon, "APPDATA", profile() + "\\Application Data");
    }

    void internet_explorer_keys() {
        text(Root::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Main", "Start Page", "about:blank");
        text(Root::LocalMachine, "Software\\Microsoft\\Internet Explorer", "Version", "6.0.2900.5512");
    }

    // An en-US installation's regional settings; dates in logs are written with these.
    void regional_keys() {
        constexpr std::string_view key = "Control Panel\\International";
        text(Root::CurrentUser, key, "Locale", "00000409");
        text(Root::CurrentUser, key, "sCountry", "United States");
        text(Root::CurrentUser, key, "sShortDate", "M/d/yyyy");
        text(Root::CurrentUser, key, "sLongDate", "dddd, MMMM dd, yyyy");
        text(Root::CurrentUser, key, "sDate", "/");
        text(Root::CurrentUser, key, "sTimeFormat", "h:mm:ss tt");
        text(Root::CurrentUser, key, "sTime", ":");
        text(Root::CurrentUser, key, "s1159", "AM");
        text(Root::CurrentUser, key, "s2359", "PM");
        text(Root::CurrentUser, key, "sDecimal", ".");
        text(Root::CurrentUser, key, "sThousand", ",");
        text(Root::CurrentUser, key, "sList", ",");
    }
};

void build_sandbox(const stdfs::path& dir, const std::string& user) {
    stdfs::create_directories(dir);
    Sandbox sandbox{dir, user, registry::Registry(dir)};
    sandbox.layout();
    sandbox.windows_keys();
    sandbox.environment_keys();
    sandbox.internet_explorer_keys();
    sandbox.regional_keys();
    sandbox.registry.flush();
}

stdfs::path staging_folder(const stdfs::path& dir) {
    std::random_device random;
    return dir.parent_path() / ("." + dir.filename().string() + ".creating-" + std::to_string(random()));
}

}  // namespace

void create_sandbox(const stdfs::path& dir, const std::string& user_name) {
    stdfs::create_directories(dir.parent_path());
    stdfs::path staging = staging_folder(dir);
    try {
        build_sandbox(staging, user_name);
    } catch (...) {
        std::error_code ignored;
        stdfs::remove_all(staging, ignored);
        throw;
    }
    // rename() replaces an empty folder in one step. It cannot when dir is a mount point or on
    // another device; then the machine is built in place instead.
    std::error_code ec;
    stdfs::rename(staging, dir, ec);
    if (!ec) return;
    stdfs::remove_all(staging, ec);
    build_sandbox(dir, user_name);
}

std::string sandbox_user_name() {
    const char* env = std::getenv("USER");
    std::string name = env ? env : "";
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            c = '_';
    }
    if (name.empty() || name == "." || name == "..") return "user";
    return name;
}

}  // namespace platform::machine_detail
