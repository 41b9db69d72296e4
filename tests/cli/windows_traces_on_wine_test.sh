#!/bin/sh
# The Windows traces of today's Windows on a prefix Wine made: Explorer's typed paths and search
# words, typed URLs with their times, UserAssist counts under every key, the recent lists of Office
# 2007 to 2016 and the jump lists, written by `wine reg add` (values of unexpected types among them).
# The preview lists exactly what the clean removes, no line of the day's log or output names a
# program UserAssist counted, and Wine then finds the traces gone and everything around them as it was.
# Usage: windows_traces_on_wine_test.sh TAVRINAPP
TAVRINAPP=$1
. "$(dirname "$0")/support.sh"

make_wine_prefix

explorer='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer'
office='HKCU\Software\Microsoft\Office'
seven='{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}'
ten='{F4E57C4B-2036-45F0-A9AB-443BCFE33D9F}'
# "C:\Windows\secret-tool.exe" as UserAssist names it (ROT13).
counted='P:\Jvaqbjf\frperg-gbby.rkr'
add() { # KEY NAME TYPE DATA
    wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 || fail "wine reg add $1 $2"
}
add "$explorer\\TypedPaths" url1 REG_SZ 'C:\private\plans'
add "$explorer\\TypedPaths" url2 REG_DWORD 7
add "$explorer\\WordWheelQuery" 0 REG_BINARY 700061007900
add "$explorer\\WordWheelQuery" MRUListEx REG_BINARY 00000000ffffffff
add 'HKCU\Software\Microsoft\Internet Explorer\TypedURLs' url1 REG_SZ 'http://typed.example/'
add 'HKCU\Software\Microsoft\Internet Explorer\TypedURLsTime' url1 REG_BINARY 0011223344556677
add "$explorer\\UserAssist\\$seven\\Count" "$counted" REG_BINARY 0000000005000000
add "$explorer\\UserAssist\\$seven\\Count" HRZR_PGYFRFFVBA REG_SZ 'not binary'
add "$explorer\\UserAssist\\$seven" Version REG_DWORD 5
add "$explorer\\UserAssist\\$ten\\Count" "$counted" REG_DWORD 3
add "$office\\16.0\\Word\\File MRU" 'Item 1' REG_SZ '[F00000000][T01D9]*C:\private\letter.docx'
add "$office\\16.0\\Word\\Place MRU" 'Item 1' REG_SZ '[F00000000][T01D9]*C:\private\'
add "$office\\16.0\\Word\\Options" AutoSave REG_DWORD 1
add "$office\\15.0\\Excel\\User MRU\\LiveId_ABC\\File MRU" 'Item 1' REG_SZ '*C:\private\sums.xlsx'
add "$office\\14.0\\PowerPoint\\Place MRU" 'Max Display' REG_DWORD 25
add "$office\\12.0\\Access\\File MRU" 'Item 1' REG_EXPAND_SZ '%USERPROFILE%\private.accdb'
add "$explorer\\RunMRU" a REG_SZ 'notepad\1'
wineserver -w

recent_windows=$(grep -o '"Recent"="[^"]*"' "$prefix/user.reg" | sed 's/^"Recent"="//; s/"$//; s/\\\\/\\/g')
[ -n "$recent_windows" ] || fail "wineboot named no Recent folder"
recent="$prefix/drive_c/$(printf '%s' "${recent_windows#?:\\}" | tr '\\' /)"
mkdir -p "$recent/AutomaticDestinations" "$recent/CustomDestinations"
echo list >"$recent/AutomaticDestinations/5f7b5f1e01b83767.automaticDestinations-ms"
echo list >"$recent/CustomDestinations/5f7b5f1e01b83767.customDestinations-ms"
echo link >"$recent/letter.lnk"

# The day's log goes to the Logs folder of an installed program: this one stands in for an installation.
mkdir -p "$prefix/drive_c/Program Files/Orvane/Logs"

items="windows.explorer-typed-paths windows.explorer-search windows.userassist windows.jump-lists ie.typed-urls
       office.word-mru office.excel-mru office.powerpoint-mru office.access-mru"
users="$prefix/drive_c/users"
cp "$prefix/user.reg" "$work/user-before.reg"
fingerprint "$users" >"$work/before"
# shellcheck disable=SC2086
"$TAVRINAPP" preview $items --machine "$prefix" --json >"$work/preview.json" 2>"$work/err.txt" ||
    fail "preview failed: $(cat "$work/err.txt")"
fingerprint "$users" >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "preview changed the prefix's files"
cmp -s "$prefix/user.reg" "$work/user-before.reg" || fail "preview changed the registry"

python3 - "$work/preview.json" "$recent_windows" "$seven" "$ten" <<'PY' || fail "the preview does not list exactly the traces: $(cat "$work/preview.json")"
import json, sys
removals, recent, seven, ten = json.load(open(sys.argv[1]))["removals"], sys.argv[2], sys.argv[3], sys.argv[4]
explorer = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
office = "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\"
expected = [
    ("windows.explorer-typed-paths", explorer + "TypedPaths\\url1"), ("windows.explorer-typed-paths", explorer + "TypedPaths\\url2"),
    ("windows.explorer-typed-paths", explorer + "TypedPaths"),
    ("windows.explorer-search", explorer + "WordWheelQuery\\0"), ("windows.explorer-search", explorer + "WordWheelQuery\\MRUListEx"),
    ("windows.explorer-search", explorer + "WordWheelQuery"),
    ("windows.userassist", explorer + "UserAssist\\" + seven + "\\Count"), ("windows.userassist", explorer + "UserAssist\\" + ten + "\\Count"),
    ("windows.jump-lists", recent + "\\AutomaticDestinations\\5f7b5f1e01b83767.automaticDestinations-ms"),
    ("windows.jump-lists", recent + "\\CustomDestinations\\5f7b5f1e01b83767.customDestinations-ms"),
    ("ie.typed-urls", "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs\\url1"),
    ("ie.typed-urls", "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLsTime\\url1"),
    ("office.word-mru", office + "16.0\\Word\\File MRU\\Item 1"), ("office.word-mru", office + "16.0\\Word\\File MRU"),
    ("office.word-mru", office + "16.0\\Word\\Place MRU\\Item 1"), ("office.word-mru", office + "16.0\\Word\\Place MRU"),
    ("office.excel-mru", office + "15.0\\Excel\\User MRU\\LiveId_ABC\\File MRU\\Item 1"),
    ("office.excel-mru", office + "15.0\\Excel\\User MRU\\LiveId_ABC\\File MRU"),
    ("office.powerpoint-mru", office + "14.0\\PowerPoint\\Place MRU\\Max Display"), ("office.powerpoint-mru", office + "14.0\\PowerPoint\\Place MRU"),
    ("office.access-mru", office + "12.0\\Access\\File MRU\\Item 1"), ("office.access-mru", office + "12.0\\Access\\File MRU"),
]
listed = sorted((r["item"], r["path"].lower()) for r in removals)
wanted = sorted((item, path.lower()) for item, path in expected)
for extra in [r for r in listed if r not in wanted]: print("not a trace:", extra)
for missing in [w for w in wanted if w not in listed]: print("missing:", missing)
sys.exit(listed != wanted)
PY

"$TAVRINAPP" clean $items --machine "$prefix" --json >"$work/clean.json" 2>"$work/err.txt" ||
    fail "clean failed: $(cat "$work/err.txt")"
python3 -c 'import json, sys
sys.exit(json.load(open(sys.argv[1]))["removals"] != json.load(open(sys.argv[2]))["removals"])' \
    "$work/preview.json" "$work/clean.json" || fail "clean removed other than the preview listed: $(cat "$work/clean.json")"

# Every key of the user's hive that held no trace is as Wine wrote it.
python3 - "$work/user-before.reg" "$prefix/user.reg" "$work/clean.json" <<'PY' || fail "keys around the traces changed"
import json, re, sys
def sections(path):
    text = re.sub(r"(?m)^#time=.*\n", "", open(path, encoding="utf-8", errors="replace").read())
    found = {}
    for block in text.split("\n[")[1:]:
        header, _, body = block.partition("\n")
        key = header.rsplit("]", 1)[0].replace("\\\\", "\\").lower()
        found[key] = body
    return found
touched = set()
for r in json.load(open(sys.argv[3]))["removals"]:
    path = r["path"].lower().removeprefix("hkey_current_user\\")
    touched.add(path if r["kind"] == "key" else path.rsplit("\\", 1)[0])
before, after = sections(sys.argv[1]), sections(sys.argv[2])
bad = [key for key, body in before.items() if key not in touched and after.get(key) != body]
for key in bad: print("changed:", key)
sys.exit(bool(bad))
PY

gone() { ! wine reg query "$1" ${2:+/v "$2"} >/dev/null 2>&1 || fail "Wine still finds $1 $2"; }
kept() { # KEY NAME DATA
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | grep -qF "$3" || fail "Wine no longer finds $1 $2 = $3"
}
gone "$explorer\\TypedPaths"
gone "$explorer\\WordWheelQuery"
gone 'HKCU\Software\Microsoft\Internet Explorer\TypedURLs' url1
gone 'HKCU\Software\Microsoft\Internet Explorer\TypedURLsTime' url1
gone "$explorer\\UserAssist\\$seven\\Count"
gone "$explorer\\UserAssist\\$ten\\Count"
gone "$office\\16.0\\Word\\File MRU"
gone "$office\\16.0\\Word\\Place MRU"
gone "$office\\15.0\\Excel\\User MRU\\LiveId_ABC\\File MRU"
gone "$office\\14.0\\PowerPoint\\Place MRU"
gone "$office\\12.0\\Access\\File MRU"
kept "$explorer\\UserAssist\\$seven" Version 0x5
kept "$office\\16.0\\Word\\Options" AutoSave 0x1
kept "$explorer\\RunMRU" a 'notepad\1'
wineserver -w
[ -z "$(find "$recent/AutomaticDestinations" "$recent/CustomDestinations" -type f)" ] || fail "a jump list is left"
[ -f "$recent/letter.lnk" ] || fail "the Recent folder's own link went with the jump lists"

# The day's log, the output and the hive name the Count keys, never a program they counted.
left=$(grep -rlaiF -e frperg -e secret-tool "$work" --exclude=user-before.reg || true)
[ -z "$left" ] || fail "a counted program is named in $left"
grep -qaF "$seven\Count" "$prefix/drive_c/Program Files/Orvane/Logs/"*_Log.txt || fail "the day's log does not name the Count keys that went"
echo "PASS"
