#include "platform/sys/terminal.h"

#include <unistd.h>

namespace platform::sys {

bool error_stream_is_terminal() { return isatty(STDERR_FILENO) == 1; }

bool input_is_terminal() { return isatty(STDIN_FILENO) == 1; }

}  // namespace platform::sys
