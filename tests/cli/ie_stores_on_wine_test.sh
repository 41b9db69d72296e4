#!/bin/sh
# The Internet Explorer stores Wine itself writes: on a fresh prefix a Windows program adds cache
# entries with their copies, persistent cookies and visited URLs through Wine's WinINet, each
# carrying a marker. The preview lists exactly them, the clean removes what the preview listed,
# WinINet then finds none of them, no byte of the prefix holds the marker any more, and WinINet
# adds new entries to the same index files afterwards.
# Usage: ie_stores_on_wine_test.sh TAVRINAPP WININET_PROBE_EXE
TAVRINAPP=$1 PROBE=$2
. "$(dirname "$0")/support.sh"

make_wine_prefix

# The program refuses a prefix whose wineserver runs: each run of the probe waits for it to end.
probe() {
    wine "$PROBE" "$@" >"$work/probe.txt" 2>"$work/probe-err.txt" || fail "wininet_probe $*: $(cat "$work/probe-err.txt")"
    wineserver -w
    tr -d '\r' <"$work/probe.txt"
}

marker=tavrinprobemark
probe add "$marker" 3 >/dev/null
probe list "$marker" 3 >"$work/added.txt"
for kind in "entry	http://$marker-page" "entry	Cookie:" "entry	Visited: " "cookie	" "asked	"; do
    [ "$(grep -c "^$kind" "$work/added.txt")" = 3 ] || fail "WinINet did not keep three of '$kind': $(cat "$work/added.txt")"
done

users="$prefix/drive_c/users"
fingerprint "$users" >"$work/before"
"$TAVRINAPP" preview ie.cache ie.cookies ie.history --machine "$prefix" --json >"$work/preview.json" 2>"$work/err.txt" ||
    fail "preview failed: $(cat "$work/err.txt")"
fingerprint "$users" >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "preview changed the prefix"

# Every record WinINet listed is in the preview under its item (a cached page and a cookie with
# its file too), and the preview lists nothing else: a fresh prefix holds no other entries.
python3 - "$work/added.txt" "$work/preview.json" <<'PY' || fail "the preview does not list exactly what WinINet holds: $(cat "$work/preview.json")"
import json, sys
records = [line.split("\t") for line in open(sys.argv[1]) if line.startswith("entry\t")]
removals = json.load(open(sys.argv[2]))["removals"]
unlisted = list(removals)
def listed(item, text, kind=None):
    found = [r for r in removals if r["item"] == item and (kind is None or r["kind"] == kind) and
             (r["path"].lower() == text.lower() if kind == "file" else text in r["path"])]
    for r in found:
        if r in unlisted: unlisted.remove(r)
    if len(found) != 1: print("%s: %d for %s" % (item, len(found), text))
    return len(found) == 1
good = True
for _, url, local, _ in records:
    if url.startswith("Cookie:"):
        good &= listed("ie.cookies", url, "cache entry") and listed("ie.cookies", local, "file")
    elif url.startswith("Visited: "):
        good &= listed("ie.history", url.split("@", 1)[1])
    else:
        good &= listed("ie.cache", url, "cache entry") and listed("ie.cache", local, "file")
for r in unlisted: print("not added by WinINet:", r)
sys.exit(not good or bool(unlisted))
PY

"$TAVRINAPP" clean ie.cache ie.cookies ie.history --machine "$prefix" --json >"$work/clean.json" 2>"$work/err.txt" ||
    fail "clean failed: $(cat "$work/err.txt")"
python3 -c 'import json, sys
sys.exit(json.load(open(sys.argv[1]))["removals"] != json.load(open(sys.argv[2]))["removals"])' \
    "$work/preview.json" "$work/clean.json" || fail "clean removed other than the preview listed: $(cat "$work/clean.json")"

probe list "$marker" 3 >"$work/left.txt"
! grep -q "$marker" "$work/left.txt" || fail "WinINet still finds after the clean: $(cat "$work/left.txt")"
# Not in an index file, a copy, a cookie file or the free blocks of an index: nowhere.
left=$(grep -rla "$marker" "$prefix" || true)
[ -z "$left" ] || fail "the marker is still in $left"

probe add "$marker-again" 2 >/dev/null
probe list "$marker-again" 2 >"$work/again.txt"
for kind in "entry	http://$marker-again-page" "entry	Cookie:" "entry	Visited: " "asked	"; do
    [ "$(grep -c "^$kind" "$work/again.txt")" = 2 ] || fail "WinINet could not add to the cleaned files '$kind': $(cat "$work/again.txt")"
done
echo "PASS"
