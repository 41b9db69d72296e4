#!/bin/sh
# tavrinapp --run-schedule --profile NAME: the headless run cron and systemd timers start. It
# cleans exactly the profile's ticks and prints what it removed as `clean` does; an unknown
# profile or a machine in use changes nothing and says why.
# Usage: run_schedule_test.sh TAVRINAPP
TAVRINAPP=$1
. "$(dirname "$0")/support.sh"

machine="$work/machine"
typed_url='"url2"="http://mail.example.org/inbox"'
start_program --machine "$machine"
stop_program
grep -qF "$typed_url" "$machine/user.reg" || fail "the new sandbox has no typed URL to clean"

# No profile of that name: status 2, the reason, and nothing changed.
# The lock file names the last program that held the machine; everything else must stay.
fingerprint "$machine" >"$work/before"
status=0
"$TAVRINAPP" --run-schedule --profile Daily --machine "$machine" >"$work/out.txt" 2>"$work/err.txt" || status=$?
[ "$status" = 2 ] || fail "an unknown profile ended with status $status: $(cat "$work/err.txt")"
grep -q 'no profile named "Daily"' "$work/err.txt" || fail "an unknown profile said: $(cat "$work/err.txt")"
[ ! -s "$work/out.txt" ] || fail "an unknown profile printed: $(cat "$work/out.txt")"
fingerprint "$machine" >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "a run of an unknown profile changed the machine"

if "$TAVRINAPP" --run-schedule --machine "$machine" 2>"$work/err.txt"; then fail "--run-schedule without --profile ran"; fi
grep -q -- '--run-schedule needs --profile' "$work/err.txt" || fail "without --profile: $(cat "$work/err.txt")"

# The profile Daily ticks the typed addresses (as the program stores a tick) and nothing else.
cat >>"$machine/user.reg" <<'REG'

[Software\\lumarq3\\Settings\\Daily\\CheckBoxes] 1733660000
"_root.IE_TU"="1"
"_root.IE_CO"="0"
REG

# While the program is open on the machine the run is refused; the open program runs the schedule.
start_program --machine "$machine"
status=0
"$TAVRINAPP" --run-schedule --profile Daily --machine "$machine" >"$work/out.txt" 2>"$work/err.txt" || status=$?
[ "$status" = 1 ] || fail "a run on a machine in use ended with status $status"
grep -q 'Another Tavrin is already working on this machine' "$work/err.txt" || fail "in use: $(cat "$work/err.txt")"
stop_program
grep -qF "$typed_url" "$machine/user.reg" || fail "the refused run cleaned something"

# The run, on the program's clock of 31 August 2026: the day's log file is that day's.
TAVRIN_TEST_CLOCK=2026-08-31T07:05 "$TAVRINAPP" --run-schedule --profile daily --machine "$machine" \
    >"$work/out.txt" 2>"$work/err.txt" || fail "the run failed: $(cat "$work/err.txt")"
# It prints what it removed as `clean` does: the full path of each with its size, and the totals.
for name in url1 url2 url3; do
    grep -qE '^    HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs\\'"$name"'  \([0-9]+ B\)$' "$work/out.txt" ||
        fail "the run printed no line for $name: $(cat "$work/out.txt")"
done
[ "$(grep -c '^    ' "$work/out.txt")" -eq 3 ] || fail "the run printed more than the typed URLs: $(cat "$work/out.txt")"
grep -qx 'All done: removed 3 values, [0-9]* B' "$work/out.txt" || fail "the run printed no totals: $(cat "$work/out.txt")"
! grep -qF "$typed_url" "$machine/user.reg" || fail "the typed URLs are still in user.reg"
grep -qF '"Start Page"="http://www.news-example.com/"' "$machine/user.reg" || fail "the run changed the start page"
[ -n "$(ls "$machine/drive_c/Documents and Settings/"*/Cookies/*.txt 2>/dev/null)" ] || fail "the cookies went, unticked"
log="$machine/drive_c/Program Files/Orvane/Logs/31-8-2026_Log.txt"
grep -q 'TypedURLs\\url2' "$log" || fail "the day's log file has no line of the run"
echo "PASS"
