#pragma once
// Whether the program's error stream is a terminal a person watches: only then is a progress line
// that redraws itself worth writing (in a log file or a pipe it is noise).
namespace platform::sys {

bool error_stream_is_terminal();

}  // namespace platform::sys
