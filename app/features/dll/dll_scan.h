#pragma once
// The orphan DLL scan: DLLs on a drive that carry a type library which the registry registers
// for another file. Such a copy is not the one the system uses, so it is offered for removal.
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Machine;
}

namespace app {

class Stage;

// The full paths of the orphan copies on the drive of `scan_folder` (only its first two
// characters count), in walk order. A drive that does not exist or cannot be listed has none.
std::vector<std::string> find_orphan_dlls(platform::Machine& machine, std::string_view scan_folder);

// Scans and pushes the result into the main movie: _root.valueOfDLLItems0, 1, ... = "false",
// _root.NumberOfDllItems, _root.NamesOfDllItems, _root.ShowDllItems = "1", _root.MaxScroll (the
// widest name in hundreds of pixels) and _root.MakeTheGUIDisable = "false". Returns the found list.
std::vector<std::string> scanDlls(Stage& stage, platform::Machine& machine, std::string_view scan_folder);

}  // namespace app
