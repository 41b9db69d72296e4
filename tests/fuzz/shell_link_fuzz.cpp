// Fuzz target for the shortcut (.lnk) reader: any bytes give a target or a ShellLinkError, never a
// crash or a read outside them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/shell/shell_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        (void)platform::shell::shell_link_target(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const platform::shell::ShellLinkError&) {
    }
    return 0;
}
