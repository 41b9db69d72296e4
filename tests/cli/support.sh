# Shared by the command-line tests: a scratch folder removed at exit (and a runtime folder in it), a copy of the real Wine
# prefix's hives as a machine, a fresh prefix made by Wine itself, a fingerprint of a folder, and the program started and stopped.
set -eu

work=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-cli-XXXXXX")
# The program's lock files go to the user's runtime folder: a private stand-in here.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
# The default machine lies in the user's data folder, and help and usage errors read its language:
# a stand-in here, so that no test reads or makes the user's own.
export XDG_DATA_HOME="$work/data"
program_pid=""
cleanup() {
    if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A value of the JSON document in a file, by a JavaScript expression over `doc`.
json() {
    node -e "const doc = JSON.parse(require('fs').readFileSync(process.argv[1], 'utf8')); console.log($2)" "$1"
}

# A Wine prefix from the fixture's registry files, with a C: drive.
make_prefix() {
    mkdir -p "$1/dosdevices" "$1/drive_c/windows" "$1/drive_c/users" "$1/drive_c/Program Files"
    cp "$FIXTURE"/system.reg "$FIXTURE"/user.reg "$FIXTURE"/userdef.reg "$1"/
    chmod u+w "$1"/*.reg
    ln -s ../drive_c "$1/dosdevices/c:"
}

# A prefix made by wineboot in $work/prefix (the test skips when Wine is missing). wineboot links the
# prefix's Desktop, Documents and more into the home folder: a stand-in one. The program refuses a
# prefix whose wineserver runs, so each Wine step waits for it to end, and a failed step must not
# leave it running.
make_wine_prefix() {
    if ! command -v wine >/dev/null 2>&1 || ! command -v wineboot >/dev/null 2>&1; then
        echo "SKIP: wine is not installed, so no fresh Wine prefix can be made"
        exit 77
    fi
    prefix="$work/prefix"
    mkdir -p "$work/home/.config"
    export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
    export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    trap 'wineserver -k 2>/dev/null || true; cleanup' EXIT
    wineboot --init >/dev/null 2>&1 || fail "wineboot could not make a prefix"
    wineserver -w
}

# Every entry with its type, size, mode, time and contents' checksum.
fingerprint() {
    (cd "$1" && find . -printf '%p %y %s %m %T@ %l\n' | sort &&
        find . -type f -exec md5sum {} + | sort -k 2)
}

# A hive's lines without the time stamps Wine puts on changed keys.
hive_lines() {
    sed -e '/^#time=/d' -e 's/^\(\[.*\]\) [0-9]*$/\1/' "$1"
}

# Starts the program on a machine and waits for its address; $output holds what it printed.
start_program() {
    output="$work/program-output.txt"
    "$TAVRINAPP" --no-browser --port 0 "$@" >"$output" 2>&1 &
    program_pid=$!
    for _ in $(seq 1 300); do
        grep -q '^Tavrin is running at ' "$output" && return 0
        kill -0 "$program_pid" 2>/dev/null || { cat "$output" >&2; fail "tavrinapp $* ended before it printed its address"; }
        sleep 0.1
    done
    fail "tavrinapp $* printed no address within 30 s"
}

stop_program() {
    kill -TERM "$program_pid"
    wait "$program_pid" || fail "tavrinapp did not end cleanly on SIGTERM"
    program_pid=""
}
