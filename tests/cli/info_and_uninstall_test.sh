#!/bin/sh
# --info changes nothing in a machine; --uninstall takes out everything a start put into a real
# Wine prefix, so that its files are as they were.
# Usage: info_and_uninstall_test.sh TAVRINAPP FIXTURE_DIR
TAVRINAPP=$1 FIXTURE=$2
. "$(dirname "$0")/support.sh"

prefix="$work/prefix"
make_prefix "$prefix"
(cd "$prefix" && find . | sort) >"$work/names"
fingerprint "$prefix" >"$work/before"
"$TAVRINAPP" --info --machine "$prefix" >"$work/info.txt" || fail "--info failed"
grep -q "^Machine: $prefix\$" "$work/info.txt" || fail "--info does not name the machine: $(cat "$work/info.txt")"
grep -q '^Windows version: ' "$work/info.txt" || fail "--info does not give the Windows version"
fingerprint "$prefix" >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "--info changed the machine folder"

# --info and --uninstall never create a machine.
for action in --info --uninstall; do
    if "$TAVRINAPP" $action --machine "$work/none" 2>"$work/err.txt"; then fail "$action on a missing folder succeeded"; fi
    grep -q 'There is no machine' "$work/err.txt" || fail "$action on a missing folder: $(cat "$work/err.txt")"
    [ ! -e "$work/none" ] || fail "$action created $work/none"
done

start_program --machine "$prefix"
stop_program
[ -d "$prefix/drive_c/Program Files/Orvane/skin" ] || fail "the start installed no program folder"
grep -q 'Tavrin\.cRegistry' "$prefix/system.reg" || fail "the start registered no engine classes"
grep -q "VB and VBA Program Settings" "$prefix/user.reg" || fail "the start stored no settings"

"$TAVRINAPP" --uninstall --machine "$prefix" >"$work/uninstall.txt" || fail "--uninstall failed"
grep -q '^Removed Tavrin from the machine' "$work/uninstall.txt" || fail "--uninstall said: $(cat "$work/uninstall.txt")"
[ ! -e "$prefix/drive_c/Program Files/Orvane" ] || fail "--uninstall left the program folder"
(cd "$prefix" && find . | sort) | diff "$work/names" - >&2 || fail "--uninstall left other files than the prefix had"
for hive in system.reg user.reg userdef.reg; do
    hive_lines "$FIXTURE/$hive" >"$work/$hive.before"
    hive_lines "$prefix/$hive" >"$work/$hive.after"
    diff "$work/$hive.before" "$work/$hive.after" >&2 || fail "--uninstall left $hive changed"
done

"$TAVRINAPP" --uninstall --machine "$prefix" >"$work/again.txt" || fail "a second --uninstall failed"
grep -q 'not installed' "$work/again.txt" || fail "a second --uninstall said: $(cat "$work/again.txt")"
echo "PASS"
