#!/bin/sh
# Makes sure the browser tests' npm packages are installed whole: the version of @playwright/test
# in node_modules is the one package-lock.json names, and its command node_modules/.bin/playwright
# is there. An install that was interrupted leaves the folders without either; it is then removed
# and `npm ci` runs again, with a time limit, so that a registry that does not answer ends the
# set-up with a message instead of hanging it.
# Usage: install_packages.sh E2E_DIR   (NPM_CI_TIMEOUT=seconds, default 600)
set -u
cd "$1" || exit 1
limit=${NPM_CI_TIMEOUT:-600}

# The version of @playwright/test the lock file names, and the one installed; empty when unreadable.
locked_version() {
    node -e 'try { process.stdout.write(require(process.argv[1]).packages["node_modules/@playwright/test"].version); } catch (e) {}' \
        "$PWD/package-lock.json"
}
installed_version() {
    node -e 'try { process.stdout.write(require(process.argv[1]).version); } catch (e) {}' \
        "$PWD/node_modules/@playwright/test/package.json"
}

# Why the installed packages are not usable; nothing when they are.
incomplete() {
    wanted=$(locked_version)
    have=$(installed_version)
    if [ -z "$wanted" ]; then
        echo "package-lock.json names no version of @playwright/test"
    elif [ -z "$have" ]; then
        echo "@playwright/test is not installed"
    elif [ "$have" != "$wanted" ]; then
        echo "@playwright/test $have is installed, package-lock.json wants $wanted"
    elif [ ! -x node_modules/.bin/playwright ]; then
        echo "the command node_modules/.bin/playwright is missing"
    fi
}

reason=$(incomplete)
[ -z "$reason" ] && exit 0
echo "Browser test packages in $PWD: $reason; installing them again with npm ci (at most $limit s) ..."
rm -rf node_modules
timeout "$limit" npm ci --no-audit --no-fund --loglevel=error
status=$?
if [ "$status" -eq 124 ]; then
    rm -rf node_modules
    echo "npm ci did not finish within $limit s: the npm registry ($(npm config get registry 2>/dev/null)) does not answer." >&2
    echo "Check the network or the proxy settings (npm config get proxy), then run make test again;" >&2
    echo "NPM_CI_TIMEOUT=SECONDS allows a slower registry more time." >&2
    exit 1
fi
if [ "$status" -ne 0 ]; then
    echo "npm ci failed with status $status; the browser test packages are not installed." >&2
    exit 1
fi
reason=$(incomplete)
if [ -n "$reason" ]; then
    echo "npm ci ended, but the browser test packages are still not usable: $reason." >&2
    exit 1
fi
