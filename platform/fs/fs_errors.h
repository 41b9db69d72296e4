#pragma once
// One way to turn a failed host call into an FsError a user can read:
// "Cannot delete "C:\x\y.txt": access is denied."
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/fs/fs.h"

namespace platform::fs::detail {

uint32_t win32_code(int host_errno);

FsError fs_error(uint32_t code, std::string_view action, std::string_view windows_path);
[[noreturn]] void throw_fs_error(uint32_t code, std::string_view action, std::string_view windows_path);
[[noreturn]] void throw_host_error(int host_errno, std::string_view action, std::string_view windows_path);

}  // namespace platform::fs::detail
