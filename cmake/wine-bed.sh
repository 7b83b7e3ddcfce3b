#!/usr/bin/env bash
# The test bed: one Xvfb display and one Wine prefix per DPI, kept in the build tree and reused.
#   wine-bed.sh display-up STATE | display-down STATE
#   wine-bed.sh prefix-up STATE PREFIX DPI [BROWSER [no-http]] | prefix-down STATE PREFIX
# BROWSER: the program that opens an http address in this prefix (Wine's own opener when absent);
# no-http: no program is registered for http addresses at all, so opening one fails.
set -euo pipefail

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# The display number that this bed's own Xvfb serves, or nothing: the number that it wrote once it
# served it, while that very process still runs. Xvfb takes no lock file with -displayfd.
own_display() {
    local state=$1 pid n
    pid=$(cat "$state/xvfb.pid" 2>/dev/null) || return 0
    n=$(tr -dc 0-9 2>/dev/null <"$state/xvfb.number") || return 0
    [ -n "$pid" ] && [ -n "$n" ] || return 0
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] || return 0
    tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -q -- "-displayfd" || return 0
    echo "$n"
}

# Xvfb picks a free display number itself (-displayfd) and writes it once it serves it: two beds
# that start together cannot take the same number, and a number only counts while its Xvfb runs.
display_up() {
    local state=$1 n pid
    mkdir -p "$state"
    # An Xvfb of an earlier run of this bed that still serves its display is kept.
    n=$(own_display "$state")
    if [ -n "$n" ]; then
        echo ":$n" >"$state/display"
        return
    fi
    rm -f "$state/display" "$state/xvfb.pid"
    : >"$state/xvfb.number"
    setsid Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp \
        3>"$state/xvfb.number" </dev/null >"$state/xvfb.log" 2>&1 &
    pid=$!
    echo "$pid" >"$state/xvfb.pid"
    for _ in $(seq 200); do
        n=$(own_display "$state")
        [ -n "$n" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$n" ]; then
        kill "$pid" 2>/dev/null || true
        rm -f "$state/xvfb.pid"
        echo "Xvfb did not come up with a display of its own; its output:" >&2
        cat "$state/xvfb.log" >&2
        exit 1
    fi
    echo ":$n" >"$state/display"
}

display_down() {
    local state=$1
    if [ -n "$(own_display "$state")" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    fi
    rm -f "$state/xvfb.pid" "$state/display"
}

# The tests' scratch folders in the prefix's temporary folders.
scratch_folders() {
    { find "$1/drive_c/users" -mindepth 2 -maxdepth 4 -type d -name 'brindle-test-*' 2>/dev/null ||
        true; } | LC_ALL=C sort
}

# Ends the prefix's server and every process that still names the prefix: services whose server
# was ended can linger, and a later run's windows then wait for them.
end_prefix() {
    local prefix=$1 pid
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    for pid in $(grep -lzx "WINEPREFIX=$prefix" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
        [ "$pid" = $$ ] || [ "$pid" = "$BASHPID" ] || kill -9 "$pid" 2>/dev/null || true
    done
}

prefix_up() {
    local state=$1 prefix=$2 dpi=$3 browser=${4:-} http=${5:-} log
    local setup="dpi=$dpi browser=$browser $http"
    rm -f "$state/scratch-before-$(basename "$prefix")"
    export DISPLAY
    DISPLAY=$(cat "$state/display")
    export WINEPREFIX=$prefix
    log="$state/wineboot-$(basename "$prefix").log"
    if [ "$(cat "$prefix/.bed-ready" 2>/dev/null)" != "$setup" ]; then
        end_prefix "$prefix"
        rm -rf "$prefix"
        mkdir -p "$prefix"
        wineboot -i </dev/null >"$log" 2>&1
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
            </dev/null >>"$log" 2>&1
        if [ -n "$browser" ]; then
            wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d "$browser" /f \
                </dev/null >>"$log" 2>&1
        fi
        if [ "$http" = no-http ]; then
            wine reg delete 'HKCR\http' /f </dev/null >>"$log" 2>&1
        fi
        wineserver -w
        echo "$setup" >"$prefix/.bed-ready"
    fi
    # A persistent server makes every later process start cheaply. One may already run (a run
    # of the shell by hand, or an earlier bed that was not taken down): that one serves as well.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # The first process of a server starts Wine's background services, which keep its output
    # open for as long as the server runs: start them here, so that no test's output is held.
    wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels </dev/null >/dev/null 2>&1
    # What is there now is not this run's to answer for.
    scratch_folders "$prefix" >"$state/scratch-before-$(basename "$prefix")"
}

# A passing suite leaves no scratch folder behind; a failing test may, and is named here.
prefix_down() {
    local state=$1 prefix=$2 before left
    end_prefix "$prefix"
    before="$state/scratch-before-$(basename "$prefix")"
    [ -f "$before" ] || return 0
    left=$(scratch_folders "$prefix" | LC_ALL=C comm -13 "$before" -)
    if [ -n "$left" ]; then
        echo "scratch folders that this run left behind:" >&2
        echo "$left" >&2
        exit 1
    fi
}

# Wine wants absolute paths.
absolute() { realpath -m "$1"; }

case ${1:-} in
display-up) display_up "$(absolute "$2")" ;;
display-down) display_down "$(absolute "$2")" ;;
prefix-up) prefix_up "$(absolute "$2")" "$(absolute "$3")" "$4" "${5:-}" "${6:-}" ;;
prefix-down) prefix_down "$(absolute "$2")" "$(absolute "$3")" ;;
*)
    echo "usage: $0 display-up|display-down|prefix-up|prefix-down ..." >&2
    exit 2
    ;;
esac
