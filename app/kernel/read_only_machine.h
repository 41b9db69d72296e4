#pragma once
// A machine the program may only read (a hibernated Windows installation, a hive Windows did not
// finish writing): the screens say so from the start, and refuse every command that would change
// it before it begins, with the reason and what to do. Previews still run: they change nothing.
namespace app {

class Shell;

// On a machine only read, outside a dry run: tells the user why and returns true, and the caller
// changes nothing. Elsewhere false.
bool refused_on_read_only_machine(Shell& shell);

// Gates the machine-changing command rows with the refusal above, and sets the screens' notice.
void guard_read_only_machine(Shell& shell);

// "_root.ReadOnlyMachine": why the machine is only read, in the screens' language of the moment;
// never written on a machine that may be changed.
void show_read_only_notice(Shell& shell);

}  // namespace app
