#pragma once
// The plug-in screen: the list of plug-ins (those whose application is installed, or all of
// them), the form that adds one, and the clean of the ticked ones, with the log window.
#include <string>

namespace app {

class Shell;

// Each procedure creates its own engine Plugins object and releases it at its end.
// The list: _root.NumberOfItems, _root.NamesOfItems (names upper-cased, joined by "|"),
// _root.valueOfItems0, 1, ... = "false", then _root.ReLoadThePluginList = "1".
void hidePlugins(Shell& shell);  // only plug-ins whose Detect key exists
void showPlugins(Shell& shell);  // every plug-in
// Adds the plug-in the form describes (seven movie variables); a plug-in file that cannot be
// read, or a name the file cannot hold, is refused with a message box and nothing changes.
void addplugin(Shell& shell);
// `names`: the ticked names, each followed by "|" (an element without it is not taken). The
// plug-ins are cleaned in the order of the plug-in file, their log lines in the log window.
void cleanPlugins(Shell& shell, const std::string& names);

// IDC_FS_HPLUGINS, IDC_FS_SPLUGINS, IDC_FS_PLUGIN_NEW, IDC_FS_CLEANPLUGIN, IDC_FS_BROWSE_FF,
// IDC_FS_BROWSE_FOLDERS, and the installed plug-ins pushed at start-up.
void register_plugin_rows(Shell& shell);

}  // namespace app
