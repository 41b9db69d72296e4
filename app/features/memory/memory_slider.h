#pragma once
// How much memory the memory slider asks to free.
#include <cstdint>
#include <string_view>

namespace app {

// `percent` (decimal text) of `total_physical` bytes, rounded to whole bytes. The engine takes a
// 32-bit amount: more is capped there, and text that is no positive number asks for nothing.
int32_t share_of_memory(double total_physical, std::string_view percent);

}  // namespace app
