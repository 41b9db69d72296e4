#pragma once
// The Internet Explorer traces of a new sandbox machine: what a few days of browsing leave
// behind, so the Internet Explorer screen and its tools have real work to do.
namespace app::demo {

// Typed URLs, cache entries with their files, cookies, history, a download folder with files,
// saved form passwords, favourites and a start page, on the current machine.
void plant_ie_traces();

}  // namespace app::demo
