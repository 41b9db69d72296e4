#pragma once
// Programs that start at logon and installed programs, so that a new sandbox's startup and
// uninstall screens have entries to work on.
namespace app::demo {

// Run entries of the user and of the machine (one quoted with switches), and uninstall entries
// (one with a quoted command and switches, two with the same name in different case), with the
// files they name.
void plant_startup_traces();

}  // namespace app::demo
