// Fuzz target for the type-library reader: any bytes, read as a PE image and as a bare type
// library, must be parsed without a crash or a read outside them.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/typelib/type_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    platform::typelib::MemorySource image(bytes);
    (void)platform::typelib::embedded_library_guid(image);
    (void)platform::typelib::library_guid(bytes);
    return 0;
}
