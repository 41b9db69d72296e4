#!/bin/sh
# `plugins import` of the real winapp2.ini: with --all at least 4,000 entries become plug-ins and
# every other one is reported by name with a reason; importing again replaces them instead of
# adding more. On a fresh Wine prefix, with detection, only entries for components Wine itself
# installs are imported: they are printed.
# Usage: plugin_import_test.sh TAVRINAPP SOURCE_DIR
TAVRINAPP=$1
SOURCE=$2
. "$(dirname "$0")/support.sh"

rules=""
for root in "${TAVRINAPP_CORPORA:-}" "$SOURCE/../shared/corpora" "$SOURCE/../../shared/corpora"; do
    [ -n "$root" ] && [ -f "$root/winapp2/Winapp2.ini" ] && rules="$root/winapp2/Winapp2.ini" && break
done
if [ -z "$rules" ]; then
    echo "SKIP: the winapp2.ini corpus is not beside the repository"
    exit 77
fi
entries=$(grep -c '^\[' "$rules")

machine="$work/machine"
start_program --machine "$machine"
stop_program
for turn in 1 2; do
    "$TAVRINAPP" plugins import "$rules" --all --json --machine "$machine" >"$work/import.json" || fail "import failed: $(cat "$work/import.json")"
    imported=$(json "$work/import.json" "doc.imported")
    [ "$imported" -ge 4000 ] || fail "only $imported entries imported"
    [ "$(json "$work/import.json" "doc.imported + doc.refused.length")" = "$entries" ] ||
        fail "imported and refused do not add up to the $entries entries"
    [ "$(json "$work/import.json" "doc.refused.filter((r) => !r.name || !r.reason).length")" = 0 ] ||
        fail "a refused entry without its name or reason"
    "$TAVRINAPP" list --machine "$machine" --json >"$work/list.json" || fail "list failed"
    [ "$(json "$work/list.json" "doc.categories.find((c) => c.name === 'plugins').items.length")" -ge "$imported" ] ||
        fail "turn $turn: the list lacks imported plug-ins"
done
[ "$(json "$work/list.json" "doc.categories.find((c) => c.name === 'plugins').items.length")" -lt $((imported + 20)) ] ||
    fail "importing again added plug-ins instead of replacing them"

make_wine_prefix
start_program --machine "$prefix"
stop_program
"$TAVRINAPP" plugins import "$rules" --json --machine "$prefix" >"$work/fresh.json" || fail "import on a fresh prefix failed"
echo "Detected on a fresh Wine prefix: $(json "$work/fresh.json" "doc.imported_names.join('; ')")"
[ "$(json "$work/fresh.json" "doc.imported + doc.not_installed + doc.refused.length")" = "$entries" ] ||
    fail "a fresh prefix's import does not account for every entry"
# What Wine installs is Windows' own components and DirectX; no application.
others=$(json "$work/fresh.json" "doc.imported_names.filter((n) => !/^(Windows |Microsoft DirectX)/.test(n)).join('; ')")
[ -z "$others" ] || fail "entries for applications a fresh prefix lacks were imported: $others"
wineserver -w
