#include "app/demo/windows_traces.h"

#include <string>
#include <utility>

#include "app/demo/demo_writer.h"
#include "app/demo/shortcut_bytes.h"
#include "engine/foundation/engine_error.h"
#include "platform/machine/machine.h"
#include "platform/machine/user_environment.h"

namespace app::demo {

namespace {

using engine::HKEY_CURRENT_USER;

constexpr const char* kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";

struct ListValue {
    const char* key;  // below HKEY_CURRENT_USER
    const char* name;
    const char* data;
};

// The recent lists of the applets, one or more values each, as the applets write them.
constexpr ListValue kRecentLists[] = {
    {"Software\\Microsoft\\Direct3D\\MostRecentApplication", "Name", "pinball.exe"},
    {"Software\\Microsoft\\DirectInput\\MostRecentApplication", "Name", "flightsim.exe"},
    {"Software\\Microsoft\\DirectDraw\\MostRecentApplication", "Name", "solitaire.exe"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List", "File1",
     "C:\\Documents and Settings\\demo\\My Documents\\passport scan.bmp"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List", "File2",
     "C:\\Documents and Settings\\demo\\My Documents\\signature.bmp"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List", "File1",
     "C:\\Documents and Settings\\demo\\My Documents\\resignation letter.rtf"},
    {"Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList", "File0", "C:\\Videos\\holiday 2006.avi"},
    {"Software\\Microsoft\\MediaPlayer\\Player\\RecentURLList", "URL0", "http://radio.example.com/stream.asx"},
    {"Software\\Microsoft\\Search Assistant\\ACMru\\5603", "000", "salary*.xls"},
    {"Software\\Microsoft\\Search Assistant\\ACMru\\5603", "001", "cover letter"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", "a", "regedit\\1"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", "b", "\\\\fileserver\\private\\1"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", "MRUList", "ba"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\*", "a",
     "C:\\Documents and Settings\\demo\\My Documents\\budget.xls"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU\\txt", "a",
     "C:\\Documents and Settings\\demo\\Desktop\\passwords.txt"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU", "MRUList", "a"},
    {"Network\\Connections", "Z:", "\\\\fileserver\\private"},
    {"Printers\\Connections\\,,printserver,Office Laser", "Server", "\\\\printserver"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", "LastKey",
     "My Computer\\HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs"},
    {"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit\\Favorites", "Run keys",
     "My Computer\\HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
};

// UserAssist keeps the programs the user started, their names in ROT13 ("UEME_RUNPATH:...").
constexpr const char* kUserAssistCounts[] = {
    "{5E6AB780-7743-11CF-A12B-00AA004AE837}\\Count",
    "{75048700-EF1F-11D0-9888-006097DEACF9}\\Count",
};
constexpr const char* kUserAssistEntries[] = {
    "HRZR_EHACNGU:P:\\Cebtenz Svyrf\\Cbxre\\cbxre.rkr",
    "HRZR_EHACNGU:P:\\JVAQBJF\\abgrcnq.rkr",
};

constexpr const char* kRecentDocuments[] = {"budget.xls", "passwords.txt", "holiday 2006.avi"};

void plant_registry_lists() {
    for (const auto& [key, name, data] : kRecentLists) write_value(HKEY_CURRENT_USER, key, name, std::string(data));
    // The run count and last run time of each program, as binary data.
    const engine::Bytes counts{1, 0, 0, 0, 6, 0, 0, 0, 0x40, 0x3c, 0x8e, 0x52, 0x1d, 0xa6, 0xc6, 0x01};
    for (const char* count_key : kUserAssistCounts)
        for (const char* entry : kUserAssistEntries)
            write_value(HKEY_CURRENT_USER, std::string(kExplorer) + "\\UserAssist\\" + count_key, entry, counts,
                        engine::REG_BINARY);
    write_value(HKEY_CURRENT_USER, std::string(kExplorer) + "\\ComDlg32\\LastVisitedMRU", "a",
                engine::Bytes{'e', 0, 'x', 0, 'c', 0, 'e', 0, 'l', 0, 0, 0}, engine::REG_BINARY);
}

// Recent documents: the shell's list of them by type, and a shortcut to each in the Recent folder.
void plant_recent_documents() {
    const std::string documents = profile_folder("Personal");
    const std::string recent = profile_folder("Recent");
    int index = 0;
    for (const char* name : kRecentDocuments) {
        std::string number = std::to_string(index++);
        write_value(HKEY_CURRENT_USER, std::string(kExplorer) + "\\RecentDocs", number, std::string(name) + ".lnk");
        write_demo_file(recent + "\\" + name + ".lnk", shortcut_bytes(documents + "\\" + name));
    }
    write_value(HKEY_CURRENT_USER, std::string(kExplorer) + "\\RecentDocs\\.xls", "0", std::string("budget.xls"));
    write_value(HKEY_CURRENT_USER, std::string(kExplorer) + "\\StreamMRU", "MRUListEx", engine::Bytes{0, 0, 0, 0},
                engine::REG_BINARY);
    write_value(HKEY_CURRENT_USER, std::string(kExplorer) + "\\Streams\\0", "ViewView2", engine::Bytes{0x1c, 0, 0, 0},
                engine::REG_BINARY);
}

void plant_files() {
    auto& machine = platform::current_machine();
    const std::string windows = platform::windows_folder(machine);
    const std::string user_temp = profile_folder("Local Settings") + "\\Temp";
    write_demo_file(user_temp + "\\~DF3A21.tmp", "half-written document");
    write_demo_file(user_temp + "\\setup-demo\\unpacked.dll", "MZ unpacked installer part");
    write_demo_file(windows + "\\Temp\\install.log.tmp", "installer scratch");
    write_demo_file(profile_folder("CD Burning") + "\\holiday pictures\\beach.jpg", "JFIF demo picture");
    write_demo_file(profile_folder("CD Burning") + "\\Desktop.ini", "[.ShellClassInfo]");
    write_demo_file(profile_folder("Templates") + "\\winword.doc", "demo template");
    write_demo_file(profile_folder("Templates") + "\\excel.xls", "demo template");
    write_demo_file("C:\\RECYCLER\\S-1-5-21-1004336348-1177238915-682003330-1003\\Dc1.txt", "deleted diary entry");
    write_demo_file("C:\\RECYCLER\\S-1-5-21-1004336348-1177238915-682003330-1003\\Dc2.doc", "deleted letter");
    write_demo_file("C:\\RECYCLER\\S-1-5-21-1004336348-1177238915-682003330-1003\\INFO2", "recycle bin index");
    write_demo_file(windows + "\\setupapi.log", "[2006/03/07 10:12:01 1234.5]\r\n#-199 Executing \"setup.exe\"\r\n");
    write_demo_file(windows + "\\WindowsUpdate.log", "2006-03-07 10:15:00 Agent: update check\r\n");
    write_demo_file(windows + "\\Debug\\UserMode\\userenv.log", "USERENV(1a4.1b0) 10:12:02 LoadUserProfile\r\n");
}

}  // namespace

void plant_windows_traces() {
    // Each kind of trace on its own, so one that fails leaves the others in place.
    engine::ignore_errors(plant_registry_lists);
    engine::ignore_errors(plant_recent_documents);
    engine::ignore_errors(plant_files);
}

}  // namespace app::demo
