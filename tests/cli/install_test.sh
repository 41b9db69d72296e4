#!/bin/sh
# cmake --install --strip into a temporary prefix: the skin under share/tavrin, where the
# installed program finds it, a man page, a menu entry with its icon, a versioned library,
# stripped binaries, and a program that runs from there.
# Usage: install_test.sh BUILD_DIR FIXTURE_DIR
BUILD=$1 FIXTURE=$2
. "$(dirname "$0")/support.sh"

prefix="$work/usr"
# The build folder's list of installed files is the user's way to uninstall; keep theirs.
manifest="$BUILD/install_manifest.txt"
if [ -f "$manifest" ]; then cp "$manifest" "$work/users-manifest"; fi
restore_manifest() {
    if [ -f "$work/users-manifest" ]; then cp "$work/users-manifest" "$manifest"; else rm -f "$manifest"; fi
}
cmake --install "$BUILD" --prefix "$prefix" --strip >"$work/install.log" || { cat "$work/install.log" >&2; fail "cmake --install failed"; }
cp "$manifest" "$work/manifest"
restore_manifest
TAVRINAPP="$prefix/bin/tavrinapp"

[ -x "$TAVRINAPP" ] || fail "no bin/tavrinapp"
[ -f "$prefix/share/tavrin/skin/index.html" ] || fail "no skin under share/tavrin"
[ ! -e "$prefix/bin/skin" ] || fail "a skin under bin/"
grep -q '^\.TH TAVRINAPP 1 "[0-9-]*" "Tavrin [0-9][0-9.]*"' "$prefix/share/man/man1/tavrinapp.1" || fail "no man page with the version"
desktop="$prefix/share/applications/tavrinapp.desktop"
grep -q '^Exec=tavrinapp --end-with-last-page$' "$desktop" || fail "no desktop entry that starts tavrinapp"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon.svg"

library=$(find "$prefix" -name 'libtavrin.so.*.*' -type f)
[ -n "$library" ] || fail "no versioned libtavrin.so.X.Y"
soname=$(readelf -d "$library" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
[ -L "$(dirname "$library")/$soname" ] || fail "no $soname link beside $library"
readelf -d "$TAVRINAPP" | grep -q "NEEDED.*\[$soname\]" || fail "tavrinapp does not link $soname"
for binary in "$TAVRINAPP" "$library"; do
    if readelf -S "$binary" | grep -q -e '\.symtab' -e '\.debug_info'; then fail "$binary is not stripped"; fi
done

"$TAVRINAPP" --help >"$work/help.txt" || fail "the installed --help failed"
grep -q -- '--uninstall' "$work/help.txt" || fail "--help does not list --uninstall"
machine="$work/prefix"
make_prefix "$machine"
"$TAVRINAPP" --info --machine "$machine" >"$work/info.txt" || fail "the installed --info failed"
grep -q "^Machine: $machine\$" "$work/info.txt" || fail "the installed --info said: $(cat "$work/info.txt")"

# The installed program serves the skin it finds under share/tavrin.
start_program --machine "$work/sandbox"
stop_program
cmp "$prefix/share/tavrin/skin/index.html" "$work/sandbox/drive_c/Program Files/Orvane/skin/index.html" ||
    fail "the installed program did not install its skin into the machine"

# The README's way to uninstall leaves no file behind.
xargs rm -f <"$work/manifest" && rm -rf "$prefix/share/tavrin"
left=$(find "$prefix" ! -type d)
[ -z "$left" ] || fail "uninstalling as the README says left: $left"
echo "PASS"
