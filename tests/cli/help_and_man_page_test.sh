#!/bin/sh
# The man page and --help say the same: the same options (of the program and of every command)
# and the same commands; and the man page's EXIT STATUS names every status the program ends with.
# Usage: help_and_man_page_test.sh TAVRINAPP SOURCE_DIR
TAVRINAPP=$1
SOURCE=$2
. "$(dirname "$0")/support.sh"
man="$SOURCE/dist/tavrinapp.1.in"

"$TAVRINAPP" --help >"$work/help.txt" || fail "--help failed"
grep -q '^Usage: tavrinapp ' "$work/help.txt" && grep -q '^Options:$' "$work/help.txt" || fail "--help is not English: $(cat "$work/help.txt")"
# The commands the usage line offers: "tavrinapp list | preview | ... [--machine DIR]".
sed -n 's/^ *tavrinapp \([a-z][a-z|  -]*[a-z]\) \.\.\..*/\1/p' "$work/help.txt" | tr -d ' ' | tr '|' '\n' |
    sort >"$work/help-commands"
[ -s "$work/help-commands" ] || fail "--help names no commands: $(cat "$work/help.txt")"
for command in $(cat "$work/help-commands"); do
    "$TAVRINAPP" "$command" --help >>"$work/help.txt" || fail "$command --help failed"
done
# Each command has a tagged paragraph that starts with "tavrinapp COMMAND".
sed -n 's/^\.BI\{0,1\} "\{0,1\}tavrinapp \([a-z][a-z\\-]*\).*/\1/p' "$man" | sed 's/\\-/-/g' | sort -u >"$work/man-commands"
diff "$work/help-commands" "$work/man-commands" >&2 || fail "--help and the man page name different commands (<: --help)"

grep -o -- '--[a-z][a-z-]*' "$work/help.txt" | sort -u >"$work/help-options"
grep -oE '\\-\\-[a-z]([a-z]|\\-)*' "$man" | sed 's/\\-/-/g' | sort -u >"$work/man-options"
diff "$work/help-options" "$work/man-options" >&2 || fail "--help and the man page name different options (<: --help)"

# Every status the program ends with is one of the named ones: no bare number is returned.
statuses="$SOURCE/app/cli/exit_status.h"
if grep -nE 'return [1-9]|status = [1-9]' "$SOURCE/app/main.cpp" "$SOURCE"/app/cli/*.cpp >&2; then
    fail "a status the program ends with is not one of $statuses"
fi
sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' "$man" >"$work/exit-status"
for status in $(sed -n 's/^constexpr int k[A-Za-z]* = \([0-9]*\);$/\1/p' "$statuses"); do
    grep -qE "(^|; )$status (on|when)( |$)" "$work/exit-status" || fail "EXIT STATUS does not name status $status"
done
