#pragma once
// Misc_Functions: the traces Windows and its small applets keep (most-recently-used lists, the
// Run and common dialog histories, temporary files, the Recent folder, the recycle bins, the
// clipboard, log and help files), the Windows tweaks, and a few shell utilities for the screens.
//
// Registry work goes through cRegistry and file work through the shredder, so every deleted
// value, key and file is logged and announced through ShowLog as it happens. A key that does not
// exist is skipped silently. A folder the machine does not name, or one that must never be emptied
// (a drive root, the Windows or program folder), is left alone with a line in ShowLog; so is a
// file the shredder had to leave in place.
//
// The tweaks switch a setting on or off by writing or deleting registry values. A write the
// registry refuses (error 26001) ends the member and reaches the caller.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/foundation/class_table.h"
#include "engine/foundation/event.h"
#include "engine/foundation/variant.h"

namespace engine {

class Misc_Functions : public EngineObject {
public:
    // Notes the Windows folder of the machine; "" when the machine records none.
    Misc_Functions();

    // --- Windows traces ---
    // HKCU "Network\Connections", the one key: it stays when it has subkeys.
    Variant CleanNetworkConnections();
    // The registry editor's remembered last key and favourites.
    Variant CleanRegEdit();
    // HKCU RunMRU, the one key: it stays when it has subkeys.
    Variant CleanRunDialog();
    // Every file below the Windows folder's Help folder. Always 0.
    int32_t CleanWindowsHelpFiles();
    // The *.log files of the Windows folder and all its subfolders.
    Variant CleanWindowsLogFiles();
    // Empties the recycle folders of the machine's fixed drives: every file shredded, every
    // folder in them removed, a recycle folder that is a link removed as a link. With changes
    // outside the machine allowed, the Linux user's desktop trash too. Always 0.
    int32_t CleanRecycleBin();
    // The open/save dialog histories (ComDlg32), then CleanCommonDialogCompleted, also when there
    // was nothing to delete.
    Variant CleanCommonDialog();
    Variant DeleteCDBurningFolder();   // contents of the "CD Burning" shell folder
    Variant DeleteTemplatesFolder();   // the "Templates" shell folder itself, with its contents
    Variant DeleteDirectInputMRU();
    Variant CleanPrinterConnections();
    Variant DeleteDirect3DMRU();
    Variant DeleteDirectDrawMRU();
    Variant DeleteMsPaintMRU();
    Variant CleanFindHistory();
    Variant CleanMediaPlayerHistory();  // recent files, then recent URLs
    // The Count key of every key of UserAssist, each as one key (its value names are the trace).
    Variant CleanUserAssistHistory();
    // Explorer's address bar history (TypedPaths) and search box history (WordWheelQuery).
    Variant CleanExplorerTypedPaths();
    Variant CleanExplorerSearchHistory();
    // The contents of the jump-list folders of the "Recent" shell folder.
    Variant CleanJumpLists();
    Variant CleanWordpadHistory();
    // The desktop clipboard when there is a desktop; a missing tool is a ShowLog line.
    Variant CleanClipboard();
    // The user's temporary folder, then the Windows one (contents only). The user's is "Local
    // Settings\temp" where that shell folder is set, else TEMP of HKCU\Environment expanded from
    // the machine (a Wine prefix has no "Local Settings").
    void CleanTemp();
    // RecentDocs, StreamMRU and Streams, then the contents of the "Recent" shell folder.
    void CleanRecent();

    // --- Shell utilities ---
    // The program's folder dialog, titled "C:\"; "" when cancelled or when there is no program.
    std::string BrowseForFolder(int32_t hwnd);
    // Opens the address in the user's browser (through the program's screen).
    Variant OpenWeb(const std::string& site);

    // --- Windows tweaks ---
    // The "Explore From Here" verb on folders: the verb key and its command, or both removed.
    Variant AddExploreFromHere(bool Flag);
    // Balloon tips of the taskbar: on is the system's default (the value removed), off is 0.
    Variant EnableBalloons(bool Flag);
    // Swaps the button highlight and shadow colours, so that buttons look flat or raised.
    Variant FlatWindows(bool Flag);
    // Group policy no longer forced to run synchronously at boot and logon, or forced off (0).
    Variant BootFaster(bool Flag);
    // The administrative shares: the system's default (values removed), or off (0).
    Variant EnableAutomaticSharing(bool Flag);
    // A start-up entry of the current user named and valued program_name; off removes the value
    // of that name from the current user's and from the machine's Run key, where it is.
    Variant LoadOnStartUp(bool Flag, const std::string& program_name);
    // Disk layout optimisation while the system is idle: 1 or 0.
    Variant Optimize_HardDisk_when_idle(bool Flag);

    // Starts the Windows command line under Wine for the machine and waits until Wine is done
    // with it. EngineError for an empty command, platform::shell::WineError where Wine cannot
    // run it (the machine is no Wine prefix, or Wine is not installed).
    Variant RunProgram(const std::string& ProgramName);
    // Starts the uninstaller of the first installed program whose display name equals args
    // without regard to case; nothing when none does. Errors as RunProgram; EngineError when the
    // program has no uninstall command.
    void CleanUninstall(const std::string& args);

    Event<> CleanCommonDialogCompleted;
    Event<std::string> ShowLog;

private:
    // Whether the folder may be walked, `refusal` giving no reason against it; if not, ShowLog
    // says why it is left alone (`what` names the folder for the user when the machine names none).
    bool may_walk(const std::string& folder, const std::string& what,
                  std::optional<std::string> (*refusal)(const std::string&));
    // Folder shredding of a folder the registry named, with every subfolder.
    void shred_named_folder(const std::string& folder, const std::string& what, bool delete_contents_only);
    void empty_recycle_folder(const std::string& folder);

    std::string windows_folder_;
};

}  // namespace engine
