#pragma once
// Opening a name to read what it holds. A machine folder holds whatever someone put there: a pipe
// (opening it waits for a writer for ever), a device (/dev/zero never ends), or a link to either.
// So a final symbolic link is never followed, opening never blocks, and what is not a regular file
// is refused before a byte is read. Checked on the opened descriptor, so nothing can be swapped in
// between the check and the reads.

namespace platform::fs::detail {

// openat(dir, name) for reading; the descriptor reads blocking again like any file's. -1 with
// errno set: ELOOP when the name is a symbolic link, ENODEV when it is not a regular file, or
// whatever open itself failed with.
int open_regular(int dir, const char* name);

}  // namespace platform::fs::detail
