#include "engine/tools/ram.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "engine/foundation/hooks.h"
#include "platform/machine/machine.h"
#include "platform/sys/memory_status.h"

namespace engine {

TAVRIN_ENGINE_CLASS(RAM, "{066B109F-A61F-4FCC-B5E6-B0FDDA0260DC}");

namespace {

// The screen gets to repaint before and after the memory is taken, as it always has.
constexpr int kPendingRounds = 5;
// Writing one byte per page is enough to make the system back the page with memory.
constexpr size_t kPageStride = 4096;
// "Available" is the kernel's estimate, and the neighbours keep allocating meanwhile: a sixteenth
// of it stays untouched.
constexpr uint64_t kReserveShare = 16;

Variant byte_count(uint64_t bytes) {
    if (bytes <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return static_cast<int32_t>(bytes);
    return static_cast<double>(bytes);
}

void process_pending_rounds() {
    for (int round = 0; round < kPendingRounds; ++round) process_pending_messages();
}

// True when the block could be had. The writes go through a volatile pointer so that the
// compiler cannot drop a block nobody reads.
bool take_and_release(size_t bytes) {
    std::unique_ptr<char[]> block(new (std::nothrow) char[bytes]);
    if (!block) return false;
    volatile char* page = block.get();
    for (size_t offset = 0; offset < bytes; offset += kPageStride) page[offset] = ' ';
    page[bytes - 1] = ' ';
    return true;
}

// Half of n, a tie going to the even neighbour.
int32_t half_to_even(int32_t n) {
    int32_t half = n / 2;
    return (n % 2 != 0 && half % 2 != 0) ? half + 1 : half;
}

}  // namespace

Variant RAM::GetFreePhysical() { return byte_count(platform::sys::physical_memory_status().available_physical); }
Variant RAM::GetTotalPhysical() { return byte_count(platform::sys::physical_memory_status().total_physical); }
Variant RAM::GetMemoryLoad() { return static_cast<int32_t>(platform::sys::physical_memory_status().memory_load); }
Variant RAM::GetFreeVirtual() { return byte_count(platform::sys::memory_status().available_virtual); }
Variant RAM::GetTotalVirtual() { return byte_count(platform::sys::memory_status().total_virtual); }

int32_t affordable_allocation(int32_t requested, uint64_t allocatable) {
    if (requested <= 0) return 0;
    uint64_t usable = allocatable - allocatable / kReserveShare;
    return static_cast<int32_t>(std::min<uint64_t>(static_cast<uint64_t>(requested), usable));
}

int32_t RAM::FreeUpMemory(int32_t dwBytes) {
    // An offline Windows installation runs nowhere: this computer's memory is not its to free.
    if (platform::has_current_machine() && platform::current_machine().is_windows_installation()) return 0;
    process_pending_rounds();
    int32_t bytes = affordable_allocation(dwBytes, platform::sys::allocatable_memory());
    if (bytes > 0 && !take_and_release(static_cast<size_t>(bytes))) {
        bytes = half_to_even(bytes);
        if (bytes > 0 && !take_and_release(static_cast<size_t>(bytes))) bytes = 0;
    }
    process_pending_rounds();
    return bytes;
}

}  // namespace engine
