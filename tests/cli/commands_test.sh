#!/bin/sh
# The command line for scripts: list, preview (as JSON, checked), clean, shred and
# wipe-free-space (and its preview) on temporary machines, the Run dialog and plug-ins as items, a
# plug-in's warning before its first run, and the refusals: an unknown item or plug-in with its
# near matches, a missing profile, a path outside the machine, a drive the machine lacks, --json
# with an error, and a machine a running program holds.
# Usage: commands_test.sh TAVRINAPP
TAVRINAPP=$1
. "$(dirname "$0")/support.sh"

machine="$work/machine"
start_program --machine "$machine"
stop_program
cookies="$machine/drive_c/Documents and Settings"
[ -n "$(find "$cookies" -path '*/Cookies/*' -name '*.txt')" ] || fail "the new sandbox has no cookies"
# The plug-in definitions stay encrypted: no plain copy of them anywhere in the machine.
[ -z "$(grep -rlaE '^(FC|FOC|RC)=[0-9]+' "$machine")" ] || fail "plain plug-in definitions in $(grep -rlaE '^(FC|FOC|RC)=[0-9]+' "$machine")"

# list: every category with its items, their labels and tick boxes, in words and as JSON; no
# byte of the machine changed.
fingerprint "$machine" >"$work/before"
"$TAVRINAPP" list --machine "$machine" >"$work/list.txt" || fail "list failed"
grep -q '^  ie\.cookies  Cookies  (_root\.IE_CO)$' "$work/list.txt" || fail "list: $(cat "$work/list.txt")"
grep -q '^  windows\.temp  Temporary files  (_root\.WIN_TF)$' "$work/list.txt" || fail "list has no windows.temp"
grep -q '^  windows\.run-dialog  Run dialog history  (_root\.WIN_CREH)$' "$work/list.txt" || fail "list has no windows.run-dialog"
"$TAVRINAPP" list --machine "$machine" --json >"$work/list.json" || fail "list --json failed"
[ "$(json "$work/list.json" "doc.categories.find((c) => c.name === 'ie').items.length")" = 6 ] ||
    fail "list --json: $(cat "$work/list.json")"
# Every item has the label its screen shows; in the screens' language.
[ "$(json "$work/list.json" "doc.categories.flatMap((c) => c.items).filter((i) => !i.label).map((i) => i.name).join(' ')")" = "" ] ||
    fail "items without a label: $(cat "$work/list.json")"
fingerprint "$machine" >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "list changed the machine"

# preview: what a clean would remove, as JSON, and no byte of the machine changed, not even the
# fill file a wipe cut short left, which the clean then removes. A cookie whose name is not UTF-8
# (a Latin-1 "e" with an accent) still gives a document a strict reader takes.
printf 0000 >"$machine/drive_c/TmpShred.7"
cookie=$(find "$cookies" -path '*/Cookies/*' -name '*.txt' | head -n 1)
printf 0000 >"$(dirname "$cookie")/$(printf 'anna@caf\351.txt')"
fingerprint "$machine" >"$work/before"
"$TAVRINAPP" preview ie.cookies ie.typed-urls --machine "$machine" --json >"$work/preview.json" 2>"$work/err.txt" ||
    fail "preview failed: $(cat "$work/err.txt")"
fingerprint "$machine" >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "preview changed the machine"
python3 -c 'import json, sys
doc = json.loads(open(sys.argv[1], "rb").read().decode("utf-8"))
sys.exit(not any(r["path"].endswith("\\anna@caf\ufffd.txt") for r in doc["removals"]))' "$work/preview.json" ||
    fail "preview --json with a file name that is not UTF-8: $(cat "$work/preview.json")"
[ "$(json "$work/preview.json" "doc.removals.filter((r) => r.item === 'ie.cookies' && r.kind === 'file' && r.size > 0).length > 0")" = true ] ||
    fail "preview lists no cookie file: $(cat "$work/preview.json")"
[ "$(json "$work/preview.json" "doc.removals.filter((r) => r.item === 'ie.typed-urls' && r.kind === 'value').length")" = 3 ] ||
    fail "preview lists not the three typed URLs: $(cat "$work/preview.json")"
[ "$(json "$work/preview.json" "doc.totals.bytes === doc.removals.reduce((sum, r) => sum + r.size, 0)")" = true ] ||
    fail "the preview's total is not the sum of its sizes"
"$TAVRINAPP" preview ie.cookies --machine "$machine" >"$work/preview.txt" || fail "preview in words failed"
grep -q '^In all: [0-9]* files\?, .*, 1 change$' "$work/preview.txt" || fail "preview in words: $(cat "$work/preview.txt")"
# A clean of Internet Explorer items switches its unticked auto-complete on, as the screen's Clean
# does: the preview lists that change of the setting under its item, in words and as JSON.
completion='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\AutoComplete\Append Completion'
grep -qF "    $completion: is set to “yes”" "$work/preview.txt" && grep -q '^ie\.autocomplete: 1 change$' "$work/preview.txt" ||
    fail "preview lists no setting change: $(cat "$work/preview.txt")"
auto_on="(c) => c.item === 'ie.autocomplete' && c.path.endsWith('AutoComplete\\\\Append Completion') && c.before === '' && c.after === 'yes'"
[ "$(json "$work/preview.json" "doc.changes.length === 1 && doc.changes.every($auto_on)")" = true ] ||
    fail "preview --json lists other changes: $(cat "$work/preview.json")"
! grep -q '"Append Completion"' "$machine/user.reg" || fail "the preview changed the auto-complete setting"
# With German chosen on the screens, the labels, the reports and the usage errors are German too.
grep -q '^"Lang"="English"$' "$machine/user.reg" || fail "the sandbox stores no language choice"
sed -i 's/^"Lang"="English"$/"Lang"="Deutsch"/' "$machine/user.reg"
"$TAVRINAPP" list --machine "$machine" | grep -q '^  windows\.temp  Temporäre Dateien  (_root\.WIN_TF)$' ||
    fail "list does not speak German where the screens do"
"$TAVRINAPP" preview ie.cookies --machine "$machine" >"$work/de.txt"
grep -q '^Vorschau, nichts wurde geändert\.' "$work/de.txt" && grep -qF "    $completion: wird auf „yes“ gesetzt" "$work/de.txt" ||
    fail "preview does not speak German where the screens do: $(cat "$work/de.txt")"
"$TAVRINAPP" preview --machine "$machine" 2>&1 | grep -q '^tavrinapp: preview braucht, was es tun soll: ' ||
    fail "a usage error is not German where the screens are"
# So are --help and the parser's own errors, decided before the machine is opened; where no
# machine can be read, the locale decides.
"$TAVRINAPP" clean --help --machine "$machine" >"$work/de.txt"
grep -q '^Aufruf: tavrinapp clean \[OPTIONEN\] \[ITEM\.\.\.\]$' "$work/de.txt" && grep -q '^Optionen:$' "$work/de.txt" &&
    grep -q '^  --profile NAME  *die Häkchen eines gespeicherten Profils' "$work/de.txt" &&
    ! grep -qiE '^(usage|options)|required|positionals|subcommand' "$work/de.txt" || fail "clean --help is not German: $(cat "$work/de.txt")"
refused_in_german() {  # SAID ARGS...: the arguments end with status 1 and this line
    said=$1
    shift
    status=0
    "$@" 2>"$work/err.txt" || status=$?
    [ "$status" = 1 ] && [ "$(cat "$work/err.txt")" = "tavrinapp: $said (siehe --help)" ] ||
        fail "$* ended with $status: $(cat "$work/err.txt")"
}
refused_in_german 'hier nicht vorgesehen: --bogus x' "$TAVRINAPP" list --bogus=1 x --machine "$machine"
refused_in_german 'shred braucht PATH...' "$TAVRINAPP" shred --machine "$machine"
refused_in_german '--machine darf nur einmal angegeben werden' "$TAVRINAPP" list --machine "$machine" --machine "$machine"
refused_in_german '„vielleicht“ ist kein Wert, den --json annimmt' "$TAVRINAPP" list --json=vielleicht --machine "$machine"
refused_in_german '„x“ ist kein Wert, den --port annimmt' "$TAVRINAPP" --port x --machine "$machine"
refused_in_german 'nur eine der Optionen --info, --uninstall, --run-schedule darf angegeben werden' \
    "$TAVRINAPP" --info --uninstall --machine "$machine"
LANG=de_DE.UTF-8 "$TAVRINAPP" --help --machine "$work" | grep -q '^Optionen:$' || fail "--help does not follow a German locale"
"$TAVRINAPP" --help --machine "$work" | grep -q '^Options:$' || fail "--help does not follow an English locale"
"$TAVRINAPP" wipe-free-space c --preview --machine "$machine" >"$work/de.txt" &&
    grep -q '^Ein Überschreiben von C: würde dessen .* Fülldatei.*füllen' "$work/de.txt" && grep -q '^Nichts wurde geschrieben\.$' "$work/de.txt" ||
    fail "the wipe's preview is not German: $(cat "$work/de.txt")"
printf '[Nowhere *]\r\nLangSecRef=3024\r\nDetectFile=%%ProgramFiles%%\\Nowhere\r\nFileKey1=%%ProgramFiles%%\\Nowhere|*.log\r\n' >"$work/rules.ini"
"$TAVRINAPP" --info --machine "$machine" >"$work/de.txt" && grep -q "^Maschine: $machine\$" "$work/de.txt" &&
    grep -q '^Windows-Version: ' "$work/de.txt" && grep -q '^  C:\\  fest, [0-9]* MB frei von [0-9]* MB$' "$work/de.txt" ||
    fail "--info is not German: $(cat "$work/de.txt")"
"$TAVRINAPP" plugins import "$work/rules.ini" --machine "$machine" >"$work/de.txt" &&
    grep -q '^Aus der Regeldatei importiert: 0 Plug-ins\. 1 Einträge wurden übersprungen' "$work/de.txt" ||
    fail "the import report is not German: $(cat "$work/de.txt")"
status=0
"$TAVRINAPP" --run-schedule --profile Nope --machine "$machine" 2>"$work/de.txt" || status=$?
[ "$status" = 2 ] && grep -q 'kein Profil namens „Nope“.*Nichts wurde gereinigt\.$' "$work/de.txt" ||
    fail "--run-schedule is not German: $(cat "$work/de.txt")"
sed -i 's/^"Lang"="Deutsch"$/"Lang"="English"/' "$machine/user.reg"
# A category stands for all its items; preview with nothing to preview says what to give.
"$TAVRINAPP" preview ie --machine "$machine" --json >"$work/category.json" || fail "preview of a category failed"
items=$(json "$work/list.json" "doc.categories.find((c) => c.name === 'ie').items.map((i) => i.name).join(' ')")
# shellcheck disable=SC2086 # the item names hold no blanks
"$TAVRINAPP" preview $items --machine "$machine" --json >"$work/items.json" || fail "preview of the items failed"
[ "$(json "$work/category.json" "JSON.stringify(doc.removals)")" = "$(json "$work/items.json" "JSON.stringify(doc.removals)")" ] &&
    [ "$(json "$work/category.json" "doc.removals.length > 0")" = true ] || fail "preview ie is not the preview of its items"
status=0
"$TAVRINAPP" preview --machine "$machine" 2>"$work/err.txt" || status=$?
[ "$status" = 1 ] && grep -q 'preview needs what to preview: items or categories' "$work/err.txt" ||
    fail "preview without items said: $(cat "$work/err.txt")"

# --keep-cookies-from, repeatable: that site's cookie is listed as kept instead of removed.
"$TAVRINAPP" preview ie.cookies --keep-cookies-from MAIL.example.org --keep-cookies-from .none.example --machine "$machine" \
    --json >"$work/kept.json" || fail "preview --keep-cookies-from failed"
mail="(r) => r.path.toLowerCase().includes('@mail.example')"
[ "$(json "$work/preview.json" "doc.removals.some($mail) && doc.kept.length === 0")" = true ] ||
    fail "the preview has no mail.example cookie to keep: $(cat "$work/preview.json")"
[ "$(json "$work/kept.json" "doc.kept.length > 0 && doc.kept.every($mail) && !doc.removals.some($mail)")" = true ] ||
    fail "--keep-cookies-from kept other than mail.example.org: $(cat "$work/kept.json")"

# clean: removes exactly what the preview listed, and says so in the same form.
"$TAVRINAPP" clean ie.cookies ie.typed-urls --machine "$machine" --json >"$work/clean.json" || fail "clean failed"
[ "$(json "$work/preview.json" "JSON.stringify(doc.removals)")" = "$(json "$work/clean.json" "JSON.stringify(doc.removals)")" ] ||
    fail "clean removed other than the preview listed: $(cat "$work/clean.json")"
[ "$(json "$work/clean.json" "doc.changes.length === 1 && doc.changes.every($auto_on)")" = true ] &&
    grep -q '^"Append Completion"="yes"$' "$machine/user.reg" || fail "clean did not make the previewed change: $(cat "$work/clean.json")"
[ -z "$(find "$cookies" -path '*/Cookies/*' -name '*.txt')" ] || fail "clean left cookies"
[ ! -e "$machine/drive_c/TmpShred.7" ] || fail "clean left the fill file of a wipe cut short"
! grep -q 'mail.example.org/inbox' "$machine/user.reg" || fail "clean left the typed URLs"
"$TAVRINAPP" preview ie.cookies --machine "$machine" --json >"$work/again.json" || fail "second preview failed"
[ "$(json "$work/again.json" "doc.removals.length + doc.changes.length")" = 0 ] || fail "after the clean the preview still lists: $(cat "$work/again.json")"

# The Run dialog's history: previewed as the one key it is, then cleaned.
"$TAVRINAPP" preview windows.run-dialog --machine "$machine" --json >"$work/run-dialog.json" ||
    fail "preview windows.run-dialog failed"
[ "$(json "$work/run-dialog.json" "doc.removals.map((r) => r.item + ' ' + r.kind + ' ' + r.path).join('|')")" = \
    'windows.run-dialog key HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\RunMRU' ] ||
    fail "preview windows.run-dialog: $(cat "$work/run-dialog.json")"
grep -q 'Explorer\\\\RunMRU\]' "$machine/user.reg" || fail "the preview removed the Run dialog's history"
"$TAVRINAPP" clean windows.run-dialog --machine "$machine" >/dev/null || fail "clean windows.run-dialog failed"
! grep -q 'Explorer\\\\RunMRU\]' "$machine/user.reg" || fail "clean left the Run dialog's history"

# Plug-ins: listed under the name their screen ticks them by, previewed without a change and
# cleaned as their screen cleans them.
player='plugins.Windows Media Player'
grep -q "^  $player  Windows Media Player  (WINDOWS MEDIA PLAYER)\$" "$work/list.txt" || fail "list has no $player: $(cat "$work/list.txt")"
[ "$(json "$work/list.json" "doc.categories.find((c) => c.name === 'plugins').items.find((i) => i.name === '$player').installed")" = true ] ||
    fail "list --json: $(cat "$work/list.json")"
fingerprint "$machine" >"$work/before"
"$TAVRINAPP" preview 'PLUGINS.windows media player' --machine "$machine" --json >"$work/plugin.json" 2>"$work/err.txt" ||
    fail "plug-in preview failed: $(cat "$work/err.txt")"
fingerprint "$machine" >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "the plug-in preview changed the machine"
[ "$(json "$work/plugin.json" "doc.removals.filter((r) => r.item === '$player' && r.kind === 'key' && r.path.endsWith('Player\\\\RecentFileList')).length")" = 1 ] ||
    fail "the plug-in preview: $(cat "$work/plugin.json")"
"$TAVRINAPP" clean "$player" --machine "$machine" --json >"$work/plugin-clean.json" || fail "plug-in clean failed"
[ "$(json "$work/plugin.json" "JSON.stringify(doc.removals)")" = "$(json "$work/plugin-clean.json" "JSON.stringify(doc.removals)")" ] ||
    fail "the plug-in clean removed other than its preview listed: $(cat "$work/plugin-clean.json")"
! grep -q 'Player\\\\RecentFileList\]' "$machine/user.reg" || fail "the plug-in clean left its key"
status=0
"$TAVRINAPP" clean plugins.windows-media-plyer --machine "$machine" 2>"$work/err.txt" || status=$?
[ "$status" != 0 ] || fail "an unknown plug-in was cleaned"
grep -q 'no item "plugins.windows-media-plyer"; did you mean plugins.Windows Media Player' "$work/err.txt" ||
    fail "unknown plug-in said: $(cat "$work/err.txt")"

# A plug-in that warns before its first run: a script that does not accept the warning sees it
# and gets the plug-in refused; with --accept-warnings it is cleaned, and the next clean, like
# the plug-in screen, asks no more. At a terminal the question waits for the answer.
warned='plugins.Zq Warned *'
printf '[Zq Warned *]\r\nSection=Test\r\nDetectFile=%%WinDir%%\r\nWarning=Saved games go too.\r\nFileKey1=%%SystemDrive%%\\ZqWarned|*.sav\r\n' >"$work/warned.ini"
"$TAVRINAPP" plugins import "$work/warned.ini" --all --machine "$machine" >/dev/null || fail "importing a warned plug-in failed"
target="$machine/drive_c/ZqWarned/a.sav"
mkdir -p "$(dirname "$target")"
echo game >"$target"
status=0
"$TAVRINAPP" clean "$warned" --machine "$machine" --json >"$work/warned.json" 2>"$work/err.txt" </dev/null || status=$?
[ "$status" = 3 ] && [ -f "$target" ] || fail "a warned plug-in was cleaned unasked (status $status)"
grep -qF "$warned warns before its first run: Saved games go too." "$work/err.txt" || fail "the warning said: $(cat "$work/err.txt")"
[ "$(json "$work/warned.json" "doc.refused.filter((r) => r.item === '$warned' && /--accept-warnings/.test(r.reason)).length")" = 1 ] ||
    fail "the refusal of a warned plug-in: $(cat "$work/warned.json")"
status=0
printf 'n\n' | script -qec "'$TAVRINAPP' clean '$warned' --machine '$machine'" /dev/null >"$work/asked.txt" 2>&1 || status=$?
[ "$status" = 3 ] && [ -f "$target" ] &&
    grep -q 'Before its first run this plug-in warns: Saved games go too. Clean with it?' "$work/asked.txt" ||
    fail "declining at a terminal (status $status): $(cat "$work/asked.txt")"
"$TAVRINAPP" clean "$warned" --accept-warnings --machine "$machine" >/dev/null 2>"$work/err.txt" </dev/null ||
    fail "clean --accept-warnings failed: $(cat "$work/err.txt")"
[ ! -e "$target" ] && grep -q 'Saved games go too.' "$work/err.txt" || fail "clean --accept-warnings left its file or hid the warning"
echo game >"$target"
"$TAVRINAPP" clean "$warned" --machine "$machine" >/dev/null 2>"$work/err.txt" </dev/null && [ ! -e "$target" ] ||
    fail "a warning accepted once was asked again: $(cat "$work/err.txt")"

# An unknown item: refused with the near matches; with --json as a JSON error object.
status=0
"$TAVRINAPP" clean ie.cokies --machine "$machine" >"$work/out.txt" 2>"$work/err.txt" || status=$?
[ "$status" != 0 ] || fail "an unknown item was cleaned"
grep -q 'no item "ie.cokies"; did you mean ie.cookies' "$work/err.txt" || fail "unknown item said: $(cat "$work/err.txt")"
status=0
"$TAVRINAPP" preview ie.cokies --machine "$machine" --json >"$work/err.json" || status=$?
[ "$status" != 0 ] || fail "an unknown item with --json ended with status 0"
json "$work/err.json" "doc.error" | grep -q 'ie.cookies' || fail "--json error: $(cat "$work/err.json")"

# A profile that does not exist.
status=0
"$TAVRINAPP" preview --profile Weekly --machine "$machine" 2>"$work/err.txt" || status=$?
[ "$status" != 0 ] || fail "a missing profile was previewed"
grep -q 'no profile named "Weekly"' "$work/err.txt" || fail "missing profile said: $(cat "$work/err.txt")"

# shred: a file of the machine by its Windows path, a folder by its host path; a drive that
# maps outside the machine is refused without --allow-outside-machine.
mkdir -p "$machine/drive_c/old/sub" "$work/outside"
echo secret >"$machine/drive_c/old.txt"
echo deeper >"$machine/drive_c/old/sub/note.txt"
echo keep >"$work/outside/keep.txt"
ln -s "$work/outside" "$machine/dosdevices/e:"
"$TAVRINAPP" shred 'C:\old.txt' "$machine/drive_c/old" --machine "$machine" --json >"$work/shred.json" ||
    fail "shred failed: $(cat "$work/shred.json")"
[ ! -e "$machine/drive_c/old.txt" ] && [ ! -e "$machine/drive_c/old" ] || fail "shred left the file or the folder"
[ "$(json "$work/shred.json" "doc.totals.files")" = 2 ] || fail "shred: $(cat "$work/shred.json")"
status=0
"$TAVRINAPP" shred 'E:\keep.txt' --machine "$machine" 2>"$work/err.txt" || status=$?
[ "$status" != 0 ] || fail "a file outside the machine was shredded"
grep -q 'outside the machine folder' "$work/err.txt" || fail "outside said: $(cat "$work/err.txt")"
[ -e "$work/outside/keep.txt" ] || fail "the file outside the machine is gone"

# Never shredded, whatever the options: a drive's root (by its name or its host path) and the
# Windows folder; each refusal is a line on stderr, the status is 3, and nothing of C: goes.
echo keep >"$machine/drive_c/keep.txt"
for path in 'C:\' "$machine/drive_c" 'C:\WINDOWS'; do
    status=0
    "$TAVRINAPP" shred "$path" --machine "$machine" --allow-outside-machine 2>"$work/err.txt" || status=$?
    [ "$status" = 3 ] || fail "shred $path ended with status $status: $(cat "$work/err.txt")"
    grep -q '^tavrinapp: refused: C:\\' "$work/err.txt" || fail "shred $path said: $(cat "$work/err.txt")"
done
[ -e "$machine/drive_c/keep.txt" ] && [ -n "$(ls -A "$machine/drive_c/WINDOWS")" ] || fail "a refused shred took files of C:"

# A Wine prefix links Templates to the home folder when the home has no Templates of its own (a
# stand-in home here). Allowing changes outside the machine, as the desktop trash needs, lets
# neither the item nor a shred naming the home folder empty it.
home="$work/home"
mkdir -p "$home/.ssh" && echo key >"$home/.ssh/id_ed25519" && echo rc >"$home/.bashrc"
templates=$(find "$machine/drive_c/Documents and Settings" -maxdepth 2 -type d -name Templates ! -path '*/All Users/*')
[ -n "$templates" ] || fail "the sandbox has no Templates folder"
rm -rf "$templates" && ln -s "$home" "$templates"
ln -s / "$machine/dosdevices/z:"
status=0
HOME="$home" "$TAVRINAPP" clean windows.templates --machine "$machine" --allow-outside-machine --json \
    >"$work/templates.json" 2>"$work/err.txt" || status=$?
HOME="$home" "$TAVRINAPP" shred "$home" --machine "$machine" --allow-outside-machine 2>>"$work/err.txt" || status=$status-$?
[ -e "$home/.ssh/id_ed25519" ] && [ -e "$home/.bashrc" ] || fail "files of the home folder went"
[ "$status" = 3-3 ] || fail "the refusals ended with status $status: $(cat "$work/err.txt")"
[ "$(grep -c "^tavrinapp: refused.*: $(realpath "$home"))\$" "$work/err.txt")" = 2 ] ||
    fail "the refusals said: $(cat "$work/err.txt")"
[ "$(json "$work/templates.json" "doc.refused.length === 1 && doc.refused[0].item === 'windows.templates' &&
    doc.refused[0].path.endsWith('Templates') && doc.refused[0].reason.endsWith('$(realpath "$home")')")" = true ] ||
    fail "clean --json: $(cat "$work/templates.json")"
rm "$templates" "$machine/dosdevices/z:"

# wipe-free-space on a drive with a quota, so the real disk is never filled; a missing drive.
mkdir -p "$machine/drive_d"
ln -s ../drive_d "$machine/dosdevices/d:"
cat >>"$machine/system.reg" <<'REG'

[Software\\Tavrin\\DriveQuota] 1733660000
"d:"="3000000"
REG
# Its preview: the free space and the one fill file the quota leaves room for, nothing written;
# a drive outside the machine is refused as the wipe refuses it.
fingerprint "$machine" >"$work/before"
"$TAVRINAPP" wipe-free-space 'D:\' --preview --machine "$machine" --json >"$work/wipe-preview.json" 2>"$work/err.txt" ||
    fail "wipe-free-space --preview failed: $(cat "$work/err.txt")"
fingerprint "$machine" >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "the wipe's preview changed the machine"
[ "$(json "$work/wipe-preview.json" "doc.preview && doc.drive === 'D:' && doc.free_bytes > 0 && doc.free_bytes <= 3000000 &&
    JSON.stringify(doc.fill_files) === JSON.stringify([{path: 'D:\\\\TmpShred.x', size: doc.free_bytes}])")" = true ] ||
    fail "wipe preview: $(cat "$work/wipe-preview.json")"
# In words the fill files are counted and totalled, and listed one by one only with --verbose.
"$TAVRINAPP" wipe-free-space d --preview --machine "$machine" >"$work/wipe-preview.txt" || fail "wipe preview in words failed"
grep -q ' with 1 fill file of .* in all (D:\\TmpShred\.x), then' "$work/wipe-preview.txt" &&
    ! grep -q '^  D:' "$work/wipe-preview.txt" && grep -q '^Nothing was written\.$' "$work/wipe-preview.txt" ||
    fail "wipe preview in words: $(cat "$work/wipe-preview.txt")"
"$TAVRINAPP" wipe-free-space d --preview --verbose --machine "$machine" >"$work/wipe-preview.txt" || fail "wipe preview --verbose failed"
grep -q '^  D:\\TmpShred\.x  ' "$work/wipe-preview.txt" || fail "wipe preview --verbose: $(cat "$work/wipe-preview.txt")"
status=0
"$TAVRINAPP" wipe-free-space E --preview --machine "$machine" 2>"$work/err.txt" || status=$?
[ "$status" != 0 ] || fail "the preview of a wipe outside the machine succeeded"
grep -q 'outside the machine folder' "$work/err.txt" || fail "outside wipe preview said: $(cat "$work/err.txt")"
"$TAVRINAPP" wipe-free-space d: --machine "$machine" --json >"$work/wipe.json" 2>"$work/err.txt" ||
    fail "wipe-free-space failed: $(cat "$work/err.txt")"
[ "$(json "$work/wipe.json" "doc.drive")" = "D:" ] || fail "wipe: $(cat "$work/wipe.json")"
[ "$(json "$work/wipe.json" "doc.free_bytes")" = "$(json "$work/wipe-preview.json" "doc.free_bytes")" ] ||
    fail "the wipe filled other than its preview said: $(cat "$work/wipe.json")"
[ -z "$(ls -A "$machine/drive_d")" ] || fail "the wipe left files: $(ls -A "$machine/drive_d")"
status=0
"$TAVRINAPP" wipe-free-space Q --machine "$machine" 2>"$work/err.txt" || status=$?
[ "$status" != 0 ] || fail "a missing drive was wiped"
grep -q 'no drive "Q"; its drives are C:, D:, E:' "$work/err.txt" || fail "missing drive said: $(cat "$work/err.txt")"

# A machine a running program holds is refused, and nothing is cleaned, even when its lock file
# was deleted meanwhile.
start_program --machine "$machine"
ls "$XDG_RUNTIME_DIR"/tavrin/*.lock >/dev/null || fail "the running program has no lock file in the runtime folder"
rm -f "$XDG_RUNTIME_DIR"/tavrin/*.lock
status=0
"$TAVRINAPP" clean ie.history --machine "$machine" 2>"$work/err.txt" || status=$?
stop_program
[ "$status" != 0 ] || fail "a machine in use was cleaned"
grep -qi 'another\|in use\|running' "$work/err.txt" || fail "machine in use said: $(cat "$work/err.txt")"

"$TAVRINAPP" clean --help >"$work/help.txt" || fail "clean --help failed"
grep -q -- '--profile' "$work/help.txt" || fail "clean --help: $(cat "$work/help.txt")"
echo "PASS"
