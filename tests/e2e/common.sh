# shellcheck shell=bash
# Helpers of the end-to-end scripts, sourced by each.

now_ms() { local t=${EPOCHREALTIME//[.,]/} && echo $((t / 1000)); }

# poll SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds; fails
# when it has not succeeded within SECONDS.
poll() {
    local deadline=$(($(now_ms) + $1 * 1000))
    shift
    until "$@"; do
        (($(now_ms) < deadline)) || return 1
        sleep 0.05
    done
}

gone() { ! kill -0 "$1" 2>/dev/null; }

# data_files DIR SOURCES SETTINGS QUEUE: the three data files.
data_files() {
    printf '%s\r\n' "$2" >"$1/Quellpfad.wob"
    printf '%s\r\n' "$3" >"$1/Einstellungen.wob"
    printf '%s\r\n' "$4" >"$1/Warteliste.wob"
}

# start_xvfb DIR LOG: a virtual screen on display TL_DISPLAY, its number into
# $xvfb, for the whole run, so that it never meets another run's server, nor
# one still shutting down; a cookie keeps other local clients out. -noreset:
# by default the server resets when its last client leaves, and the reset
# drops every connection still being set up: a poll that ended just as the
# program connected ended the program ("could not connect to display").
# -displayfd writes DIR/display once the server listens; the server ends with
# the script, however that ends.
start_xvfb() {
    export XAUTHORITY=$1/xauth DISPLAY=:$TL_DISPLAY
    : >"$XAUTHORITY"
    xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$(mcookie)"
    setpriv --pdeathsig TERM Xvfb "$DISPLAY" -displayfd 3 -noreset -auth "$XAUTHORITY" \
        -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" 2>"$2" &
    xvfb=$!
}

size_of() { # WINDOW WIDTH|HEIGHT: 0 for a window that is gone
    local n
    n=$(timeout 5 xdotool getwindowgeometry --shell "$1" 2>/dev/null | sed -n "s/^$2=//p")
    echo "${n:-0}"
}

# main_window PID: its main window, into $wid. A library read that takes long
# shows a window of the same caption first, which counts the tracks (380
# pixels wide); it goes before the main window (640) shows.
main_window() {
    local w
    for w in $(timeout 5 xdotool search --all --onlyvisible --pid "$1" \
        --name '^Tonlaterne($| >> )' 2>/dev/null); do
        (($(size_of "$w" WIDTH) >= 500)) && wid=$w && return 0
    done
    return 1
}
