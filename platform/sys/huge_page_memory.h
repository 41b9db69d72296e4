#pragma once
// Memory for a large structure built in one go (the keys of a large hive), taken from the kernel
// in 2 MB pieces it may back with huge pages. On a virtual machine every first touch of a 4 KB
// page is a costly fault, and building hundreds of thousands of keys would take thousands of them;
// a huge page is one fault for 2 MB. Where the kernel keeps to small pages it works as before.
#include <cstddef>

namespace platform::sys {

inline constexpr size_t kHugePageBytes = size_t{2} << 20;

// `bytes` (a multiple of kHugePageBytes) of zeroed memory aligned to kHugePageBytes; throws
// std::bad_alloc when the kernel has none to give.
void* map_huge_pages(size_t bytes);
void unmap_huge_pages(void* memory, size_t bytes);

}  // namespace platform::sys
