#pragma once
// The type library a DLL carries in its TYPELIB resource: which file holds it and its GUID, in
// both layouts compilers write ("MSFT" and the older "SLTG").
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/typelib/byte_source.h"

namespace platform::fs {
class FileSystem;
}

namespace platform::typelib {

using Guid = std::array<uint8_t, 16>;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the system writes GUIDs.
std::string guid_text(const Guid& guid);

// The library GUID of a type library image in either layout; nullopt when the image is neither
// or any of its structure lies outside it.
std::optional<Guid> library_guid(std::span<const uint8_t> type_library);

// The library GUID of the type library embedded in a PE image.
std::optional<Guid> embedded_library_guid(const ByteSource& image);

struct TypeLibrary {
    std::string containing_file;  // the Windows path it was opened from
    std::string guid;             // guid_text of its library GUID
};

// Opens the type library contained in a file of the machine; nullopt when the file is missing or
// carries none, FsError when it cannot be read (see FileSystem::open).
std::optional<TypeLibrary> open_type_library(fs::FileSystem& files, std::string_view windows_path);

}  // namespace platform::typelib
