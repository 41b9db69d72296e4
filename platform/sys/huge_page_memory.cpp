#include "platform/sys/huge_page_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace platform::sys {

void* map_huge_pages(size_t bytes) {
    // A huge page must start on a 2 MB boundary: take one huge page more, give back the ends.
    const size_t mapped = bytes + kHugePageBytes;
    void* memory = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(memory);
    const uintptr_t aligned = (start + kHugePageBytes - 1) & ~(uintptr_t{kHugePageBytes} - 1);
    if (aligned > start) ::munmap(memory, aligned - start);
    if (const uintptr_t tail = start + mapped - (aligned + bytes); tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    // Only advice: a kernel with huge pages turned off maps small ones.
    ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void unmap_huge_pages(void* memory, size_t bytes) { ::munmap(memory, bytes); }

}  // namespace platform::sys
