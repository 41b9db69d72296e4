#pragma once
// Reading the kernel's small text files (/proc, /sys): their size reads as 0, so they are read
// to the end rather than by length.
#include <cstdint>
#include <optional>
#include <string>

namespace platform::sys {

// nullopt when the file cannot be opened.
std::optional<std::string> read_proc_file(const char* path);
// The file's first token as an unsigned number; nullopt when missing or not a number ("max").
std::optional<uint64_t> read_proc_number(const char* path);

}  // namespace platform::sys
