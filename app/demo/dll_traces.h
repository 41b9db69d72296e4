#pragma once
// A registered COM library and a stray copy of it elsewhere on C:, so that the DLL cleaner of a
// new sandbox finds something real to offer.
namespace app::demo {

// The library, registered with its own path; the copy an old installer left in a download folder.
void plant_dll_traces();

}  // namespace app::demo
