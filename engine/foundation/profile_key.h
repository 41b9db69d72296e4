#pragma once
// Where the program keeps its profiles (HKEY_CURRENT_USER): one key per profile name, with the
// keys "CheckBoxes", "Buttons" and "lang" below it. The program's profile store writes there and
// the scheduled run reads a profile's ticks from there.
namespace engine {

inline constexpr const char* kProfilesKey = "Software\\lumarq3\\Settings";

}  // namespace engine
