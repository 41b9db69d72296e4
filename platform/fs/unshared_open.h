#pragma once
// Opening a name to write through it only when what is written stays with that name. A folder
// someone else prepared (an untrusted prefix) can hold a symbolic link to any file of the user,
// or a hard link that gives a file outside the machine a second name inside it; writing through
// either changes that file. So a final symbolic link is never followed, and a file whose data
// has other names is not written. Checked on the opened descriptor, so nothing can be swapped in
// between the check and the write.
#include <sys/types.h>

#include <optional>
#include <string>

namespace platform::fs::detail {

// openat(dir, name, flags) for writing, never following a final link, with O_TRUNC applied only
// once the check passed. Returns the descriptor, or -1 with errno set: ELOOP when the name is a
// symbolic link, EMLINK when the file has other names (hard links), ENODEV when it is not a
// regular file (a device or a pipe), or whatever open itself failed with.
int open_unshared(int dir, const char* name, int flags, mode_t mode);

// What a user reads for the refusals above; nullopt for any other errno.
std::optional<std::string> unshared_refusal(int host_errno);

}  // namespace platform::fs::detail
