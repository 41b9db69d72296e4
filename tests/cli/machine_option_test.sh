#!/bin/sh
# --machine: the start line says which machine is used and whether it was just made; a mistyped
# path or an empty name is refused with a message and creates nothing.
# Usage: machine_option_test.sh TAVRINAPP FIXTURE_DIR
TAVRINAPP=$1 FIXTURE=$2
. "$(dirname "$0")/support.sh"

if "$TAVRINAPP" --machine '' --no-browser 2>"$work/err.txt"; then fail "--machine '' started"; fi
grep -q -- "--machine needs DIR" "$work/err.txt" || fail "--machine '' said: $(cat "$work/err.txt")"

if "$TAVRINAPP" --machine "$work/typo/machine" --no-browser 2>"$work/err.txt"; then fail "a path in a missing folder started"; fi
grep -q "the folder $work/typo does not exist" "$work/err.txt" || fail "a path in a missing folder: $(cat "$work/err.txt")"
[ ! -e "$work/typo" ] || fail "a path in a missing folder was created"

start_program --machine "$work/new"
grep -q "^Created a new sandbox machine with demo traces in $work/new\$" "$output" || fail "new machine: $(cat "$output")"
grep -q '^Press Ctrl+C to stop\.$' "$output" || fail "no stop hint: $(cat "$output")"
stop_program

start_program --machine "$work/new/"
grep -q "^Machine: $work/new\$" "$output" || fail "existing machine: $(cat "$output")"
stop_program

prefix="$work/prefix"
make_prefix "$prefix"
start_program --machine "$prefix"
grep -q "^Machine: $prefix\$" "$output" || fail "Wine prefix: $(cat "$output")"
stop_program
echo "PASS"
