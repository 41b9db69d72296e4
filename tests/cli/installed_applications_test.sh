#!/bin/sh
# A fresh Wine prefix has none of the browsers and messengers, so all seven categories start
# greyed out; once Firefox's App Paths key is added with `wine reg add`, the next start enables
# Firefox alone.
# Usage: installed_applications_test.sh TAVRINAPP FIXTURE_DIR
TAVRINAPP=$1 FIXTURE=$2
. "$(dirname "$0")/support.sh"

make_wine_prefix

# The main movie's variables as JSON, read through the program's own interface once it has
# finished starting and waits for input.
main_variables() {
    address=$(sed -n 's/^Tavrin is running at \(http:[^ ]*\)$/\1/p' "$output")
    origin=${address%%/?token=*}
    token=${address##*token=}
    curl -sf -H "X-Tavrin-Token: $token" "$origin/api/idle?after=0" >/dev/null &&
        curl -sf -H "X-Tavrin-Token: $token" "$origin/api/vars?movie=main"
}

enabled_value() {  # NAME JSON: the variable's value, or "" when it was never written
    printf '%s' "$2" | tr ',' '\n' | sed -n "s/.*\"_root\.$1\": *\"\([^\"]*\)\".*/\1/p"
}

start_program --machine "$prefix"
vars=$(main_variables) || fail "the variables could not be read"
stop_program
for name in NS_Enabled OP_Enabled AOL_Enabled FF_Enabled MSN_Enabled YAHOO_Enabled ICQ_Enabled; do
    [ "$(enabled_value "$name" "$vars")" = 0 ] || fail "$name on a fresh prefix: '$(enabled_value "$name" "$vars")'"
done

wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\firefox.exe' /ve /d 'C:\Program Files\Mozilla Firefox\firefox.exe' /f \
    >/dev/null 2>&1 || fail "wine reg add failed"
wineserver -w

start_program --machine "$prefix"
vars=$(main_variables) || fail "the variables could not be read after the key was added"
stop_program
[ "$(enabled_value FF_Enabled "$vars")" != 0 ] || fail "Firefox is still greyed out after its key was added"
[ "$(enabled_value NS_Enabled "$vars")" = 0 ] || fail "Netscape was enabled by Firefox's key"
echo "PASS"
