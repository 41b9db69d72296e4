#pragma once
// The memory gauge of the main window and the slider that frees memory.
namespace app {

class Shell;

void register_memory_rows(Shell& shell);

}  // namespace app
