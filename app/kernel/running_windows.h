#pragma once
// The tools that act on a running Windows, its memory, its network, its control panel and its
// uninstallers, have nothing to act on when the machine is an offline Windows installation: no
// Windows runs there, and this computer's own memory and network are not its.
namespace app {

class Shell;
struct Question;

// Whether the current machine is an offline Windows installation.
bool on_offline_installation();

// On an offline Windows installation: shows `notice` (what needs that Windows running) and returns
// true, and the caller changes nothing. Elsewhere false.
bool refused_without_running_windows(Shell& shell, const Question& notice);

}  // namespace app
