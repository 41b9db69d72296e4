#pragma once
// Why a file operation failed, told in the session's language: the user reads the reason, while
// the error's own text (English, with host details) is for programmers and stays out of the log.
#include <string>

#include "platform/fs/fs.h"

namespace app {

class Shell;

std::string fs_failure_text(const Shell& shell, const platform::fs::FsError& failure);

}  // namespace app
