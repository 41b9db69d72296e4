#pragma once
// Whether the program's error stream is a terminal a person watches: only then is a progress line
// that redraws itself worth writing (in a log file or a pipe it is noise); and whether its input
// is one a person types at, so that a question may wait for an answer.
namespace platform::sys {

bool error_stream_is_terminal();
bool input_is_terminal();

}  // namespace platform::sys
