#!/bin/sh
# `make run` installs and builds only what the program needs: no test packages, no npm, no
# test programs; `make test` still installs everything.
# Usage: make_run_test.sh SOURCE_DIR
set -eu
SOURCE=$1
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

run=$(make -s -n -C "$SOURCE" run BUILD_DIR=/nonexistent-build)
echo "$run" | grep -q -- '--target tavrinapp' || fail "make run does not build the tavrinapp target alone:
$run"
for unwanted in "npm ci" "npm install" install_packages.sh libgtest-dev chromium wine64 playwright; do
    if echo "$run" | grep -q -- "$unwanted"; then fail "make run installs $unwanted:
$run"; fi
done

test_run=$(make -s -n -C "$SOURCE" test BUILD_DIR=/nonexistent-build)
for wanted in install_packages.sh libgtest-dev chromium wine64 ctest playwright; do
    echo "$test_run" | grep -q -- "$wanted" || fail "make test does not install or run $wanted"
done
echo "PASS"
