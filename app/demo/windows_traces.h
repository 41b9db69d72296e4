#pragma once
// The Windows traces of a new sandbox machine: what a few days of work with Windows and its
// applets leave behind, so that every item of the Windows screen has real work to do.
namespace app::demo {

// Temporary files, CD burning and template files, deleted files in the recycle bin, the applets'
// recent lists, run and search histories, recent documents, remembered connections, the
// registry editor's last key and Windows log files, on the current machine.
void plant_windows_traces();

}  // namespace app::demo
