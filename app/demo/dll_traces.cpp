#include "app/demo/dll_traces.h"

#include <string>

#include "engine/foundation/cregistry.h"
#include "platform/fs/fs.h"
#include "platform/machine/machine.h"

namespace app::demo {

// The bytes of app/demo/viewer_control.dll, a small COM server with its type library, compiled in
// by the build so that the installed program needs no data file for it.
extern const unsigned char kViewerControlDll[];
extern const unsigned int kViewerControlDllSize;

namespace {

constexpr const char* kLibraryGuid = "{6B7C1F40-2D5E-4A31-9C8E-0F1A2B3C4D01}";
constexpr const char* kRegisteredPath = "C:\\Program Files\\Demo Viewer\\viewctl.dll";
constexpr const char* kStrayCopy = "C:\\Downloads\\viewer-setup-1.2\\viewctl.dll";

void write_library(const std::string& path) {
    auto& files = platform::current_machine().files();
    files.create_directory(path.substr(0, path.rfind('\\')));
    auto file = files.open(path, platform::fs::File::Mode::CreateAlways);
    file.write_at(0, {kViewerControlDll, kViewerControlDllSize});
    file.close();
}

}  // namespace

void plant_dll_traces() {
    write_library(kRegisteredPath);
    write_library(kStrayCopy);
    engine::cRegistry reg;
    const std::string library = std::string("TypeLib\\") + kLibraryGuid + "\\1.0";
    reg.ValueEx(engine::HKEY_CLASSES_ROOT, library, "", engine::REG_SZ, engine::Variant(), "Demo Viewer Control 1.0");
    reg.ValueEx(engine::HKEY_CLASSES_ROOT, library + "\\0\\win32", "", engine::REG_SZ, engine::Variant(), kRegisteredPath);
}

}  // namespace app::demo
