#pragma once
// RAM: the memory figures of the memory gauge, and the memory slider's action, which makes the
// system trim other programs' working sets by briefly taking a large block for itself.
#include <cstdint>

#include "engine/foundation/class_table.h"
#include "engine/foundation/variant.h"

namespace engine {

class RAM : public EngineObject {
public:
    // Bytes, read fresh on every call. A figure that fits holds a 32-bit integer; a larger one
    // (any machine with more than 2 GB) holds the exact count as a double instead of wrapping.
    Variant GetFreePhysical();
    Variant GetTotalPhysical();
    // Percent of the physical memory in use, 0..100, as a 32-bit integer.
    Variant GetMemoryLoad();
    // The address space of this process.
    Variant GetFreeVirtual();
    Variant GetTotalVirtual();

    // Takes up to dwBytes, writes to every page of it so that it is really backed by memory,
    // and gives it back at once. Never more than the memory that is available now (less a
    // reserve), so even 100% on the slider cannot get this program or its neighbours killed.
    // Returns the bytes really taken: 0 for a request of 0 or less, and on an offline Windows
    // installation, which takes nothing.
    int32_t FreeUpMemory(int32_t dwBytes);
};

// The part of a request that FreeUpMemory takes when `allocatable` bytes are available now.
int32_t affordable_allocation(int32_t requested, uint64_t allocatable);

}  // namespace engine
