#!/bin/sh
# `make test` installs the browser tests' packages again when an earlier install was interrupted
# (the command missing, or another version than the lock file's) and leaves a whole install alone;
# an `npm ci` that hangs ends at its time limit with a message. A stand-in npm on the PATH plays
# the registry, so no network is used.
# Usage: e2e_packages_test.sh SOURCE_DIR
set -eu
SOURCE=$1
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
command -v node >/dev/null 2>&1 || { echo "SKIP: node is not installed"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/e2e"
cp "$SOURCE/tests/e2e/package-lock.json" "$work/e2e/"
locked=$(node -p 'require(process.argv[1]).packages["node_modules/@playwright/test"].version' "$work/e2e/package-lock.json")
cat >"$work/bin/npm" <<EOF
#!/bin/sh
[ "\$1" = ci ] || exit 0
echo ci >>"$work/npm-calls"
[ -n "\${NPM_HANG:-}" ] && exec sleep 60
mkdir -p node_modules/@playwright/test node_modules/.bin
printf '{"version": "%s"}' "$locked" >node_modules/@playwright/test/package.json
printf '#!/bin/sh\n' >node_modules/.bin/playwright
chmod +x node_modules/.bin/playwright
EOF
chmod +x "$work/bin/npm"
export PATH="$work/bin:$PATH"
install() { sh "$SOURCE/tests/e2e/install_packages.sh" "$work/e2e" >"$work/out" 2>&1; }
calls() { cat "$work/npm-calls" 2>/dev/null | wc -l; }

# What an interrupted `npm ci` leaves: the package's folder, nothing in it, and a stray file.
mkdir -p "$work/e2e/node_modules/@playwright/test"
touch "$work/e2e/node_modules/left-over"
install || fail "the repair failed: $(cat "$work/out")"
[ "$(calls)" -eq 1 ] || fail "an interrupted install was not repeated"
[ ! -e "$work/e2e/node_modules/left-over" ] || fail "node_modules was not removed before npm ci"
[ -x "$work/e2e/node_modules/.bin/playwright" ] || fail "no playwright command after the repair"

install || fail "a whole install was refused: $(cat "$work/out")"
[ "$(calls)" -eq 1 ] || fail "a whole install was installed again"

printf '{"version": "0.0.1"}' >"$work/e2e/node_modules/@playwright/test/package.json"
install && [ "$(calls)" -eq 2 ] || fail "another version than $locked was kept"
rm "$work/e2e/node_modules/.bin/playwright"
install && [ "$(calls)" -eq 3 ] || fail "an install without the playwright command was kept"

rm -rf "$work/e2e/node_modules/.bin"
started=$(date +%s)
if NPM_HANG=1 NPM_CI_TIMEOUT=2 install; then fail "a hanging npm ci counted as done"; fi
[ $(($(date +%s) - started)) -lt 20 ] || fail "the time limit did not end npm ci"
grep -q "did not finish within 2 s" "$work/out" || fail "no message about the registry: $(cat "$work/out")"
[ ! -e "$work/e2e/node_modules" ] || fail "a half install was left behind for the next run to trust"
echo "PASS"
