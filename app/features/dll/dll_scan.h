#pragma once
// The orphan DLL scan: DLLs on a drive that carry a type library which the registry registers
// for another file. Such a copy is not the one the system uses, so it is offered for removal.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Machine;
}

namespace app {

class Stage;

// After each DLL looked at: how many were looked at, of how many the drive holds.
using DllScanProgress = std::function<void(size_t looked_at, size_t total)>;

// The full paths of the orphan copies on the drive of `scan_folder` (only its first two
// characters count), in walk order. A drive that does not exist or cannot be listed has none.
// The user's Cancel of a cancellable run (platform/sys/run_cancel.h) ends the walk before its next
// folder and the look at the DLLs before the next one: the copies found until then are returned.
std::vector<std::string> find_orphan_dlls(platform::Machine& machine, std::string_view scan_folder,
                                          const DllScanProgress& progress = {});

// Scans and pushes the result into the main movie: _root.valueOfDLLItems0, 1, ... = "false",
// _root.NumberOfDllItems, _root.NamesOfDllItems, _root.ShowDllItems = "1", _root.MaxScroll (the
// widest name in hundreds of pixels) and _root.MakeTheGUIDisable = "false". Returns the found list.
std::vector<std::string> scanDlls(Stage& stage, platform::Machine& machine, std::string_view scan_folder,
                                  const DllScanProgress& progress = {});

}  // namespace app
