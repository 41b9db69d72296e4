#pragma once
// Ending the program on SIGINT and SIGTERM, whatever its threads are doing. The UI thread may be
// deep in a long operation (a big shred) that looks at no flag, and a clean return through every
// destructor would wait for it, so the process ends from a thread of its own instead: nothing more
// is saved, which is safe because every finished command's changes are already on disk and each
// file is replaced by an atomic rename.
#include <chrono>
#include <functional>

namespace platform {

// On the first SIGINT or SIGTERM, `farewell` runs on a thread of its own (to tell the pages, say)
// and gets at most `allowed` to finish; then the process exits with status 0. Call once.
void end_process_on_signal(std::function<void()> farewell, std::chrono::milliseconds allowed);

}  // namespace platform
