#!/usr/bin/env bash
# The start of the real program under a hostile machine. Each row gives the
# data files before and after, the exit status and the time to end, and fails
# when a byte of user data is lost or a process is left behind.
# Usage: faults_start.sh, with TL_BIN and TL_LOGS (each failed row's folder).
set -euo pipefail
export LC_ALL=C.UTF-8

source "$(dirname "$0")/common.sh"

dir=$(mktemp -d "${TMPDIR:-/tmp}/tl-faults.XXXXXX")
pids=()
cleanup() {
    local p
    exec 2>/dev/null # no notice of each process ended here
    for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null && kill -KILL "$p" 2>/dev/null || true; done
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' TERM INT
mkdir -p "$TL_LOGS"
table=() failed=0

# A tree of links whose paths double at each level: d0 … d17, each dI with
# tI.wav and links a and b to dI+1, gives 2^17 paths and a read of seconds.
mkdir "$dir/baum"
for i in $(seq 0 17); do
    mkdir "$dir/baum/d$i" && : >"$dir/baum/d$i/t$i.wav"
    ((i == 17)) || { ln -s "../d$((i + 1))" "$dir/baum/d$i/a" && ln -s "../d$((i + 1))" "$dir/baum/d$i/b"; }
done

# A session bus of the suite's own, for the rows that use one.
dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$dir/bus" 2>/dev/null &
pids+=($!)
poll 10 grep -qs . "$dir/bus"
bus=$(head -n 1 "$dir/bus") nobus=unix:path=$dir/no-bus

# fresh ROW SOURCES SETTINGS QUEUE: data, cache and runtime folders of the
# row's own; the files as they are into $before.
fresh() {
    row=$1 w=$dir/$1 verdict=''
    mkdir -p "$w/work" "$w/cache" "$w/home" && mkdir -m 700 "$w/run"
    data_files "$w/work" "$2" "$3" "$4"
    before=$(files)
}

# start BUS ARG...: the program in the row's data folder, its number into $pid.
start() {
    local b=$1
    shift
    (cd "$w/work" && exec env HOME="$w/home" XDG_CACHE_HOME="$w/cache" XDG_RUNTIME_DIR="$w/run" \
        XDG_CONFIG_HOME="$w/home" GST_REGISTRY="$dir/gst.registry" DBUS_SESSION_BUS_ADDRESS="$b" \
        QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "$TL_BIN" "$@" \
        >>"$w/out.log" 2>>"$w/err.log") &
    pid=$!
    pids+=("$pid")
}

socket_there() { socket=$(compgen -G "$w/run/tonlaterne-*[0-9a-f]") && test -S "$socket"; }
locked() { compgen -G "$w/run/tonlaterne-*.lock" >/dev/null; }

# The session is restored: the media controls are on the bus.
restored() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.mpris.MediaPlayer2.tonlaterne 2>/dev/null |
        grep -q true
}
export DBUS_SESSION_BUS_ADDRESS=$bus

# The queue and the settings as they read, and every file's size and checksum.
files() {
    (cd "$w/work" && printf '%s %s ' "$(tr -d '\r\n' <Warteliste.wob)" "$(tr -d '\r\n' <Einstellungen.wob)" &&
        cat Warteliste.wob Einstellungen.wob Quellpfad.wob | md5sum | cut -c1-8)
}

# stop SIGNAL: sends it, and waits up to five seconds for the end, into $ms and $rc.
stop() {
    local t0
    t0=$(now_ms)
    kill "-$1" "$pid"
    poll 5 gone "$pid" || kill -KILL "$pid"
    ms=$(($(now_ms) - t0))
    rc=0 && wait "$pid" 2>/dev/null || rc=$?
}

fault() { verdict+="${verdict:+; }$1"; }

# row CASE: a line of the table, with the files now, $rc, $ms and the faults found.
row() {
    table+=("$(printf '| %s | %s | %s | %s | %s | %s |' "$1" "$before" "$(files)" "$rc" "$ms" \
        "${verdict:-ok}")")
    [[ -z $verdict ]] || {
        failed=1 && cp -r "$w" "$TL_LOGS/$row" && echo "FAIL $1: $verdict" >&2
    }
}

# end_row CASE: ends the player as a logout does, with status 0 and not a
# byte of the files changed.
end_row() {
    stop TERM
    ((rc == 0)) || fault "status $rc"
    [[ $(files) == "$before" ]] || fault "data files changed"
    row "$1"
}

# A signal at a moment of the read ends the process within a second, with
# status 0 or as the signal ends it, and changes no byte of the three files;
# once the session is restored (on a small tree), it saves them anew as Quit does.
signal_at() { # SIGNAL SECONDS|restored
    local inode tree=d0 queue=t0.wav/t1.wav/t17.wav/ fall="$1 after $2 s"
    [[ $2 != restored ]] || tree=d10 queue=t10.wav/t11.wav/t17.wav/ fall="$1 once restored"
    fresh "signal-$1-$2" "$dir/baum/$tree;" 10000 "$queue"
    inode=$(stat -c %i "$w/work/Warteliste.wob")
    start "$bus"
    if [[ $2 == restored ]]; then
        poll 30 restored || fault "not restored within 30 s"
    else
        sleep "$2" # the moment of the signal, not a wait for anything
    fi
    stop "$1"
    ((ms <= 1000)) || fault "ended after $ms ms"
    ((rc == 0 || rc == 128 + $(kill -l "$1"))) || fault "status $rc"
    [[ $(files) == "$before" ]] || fault "data files changed"
    [[ $2 != restored || $(stat -c %i "$w/work/Warteliste.wob") != "$inode" ]] ||
        fault "the queue was not saved"
    row "$fall"
}

for moment in TERM:0.3 HUP:1 INT:2 TERM:3.5 HUP:5 TERM:8 TERM:restored HUP:restored; do
    signal_at "${moment%:*}" "${moment#*:}"
done

# A player stopped with SIGSTOP holds the folder: a later start says so and
# ends with a status not 0, without a window; after SIGCONT one player runs and
# saves as before. Over the bus and over the socket alike.
stopped() { # BUS NAME
    local first again=0
    fresh "stopped-$2" "$dir/baum/d17;" 10000 t17.wav/
    start "$1"
    first=$pid
    poll 20 locked || fault "no lock"
    # The door is there once a later start is handed on.
    start "$1"
    poll 20 gone "$pid" && wait "$pid" || fault "a later start on a running player stays"
    kill -STOP "$first"
    start "$1"
    poll 40 gone "$pid" || { kill -KILL "$pid" && fault "a second player runs beside a stopped one"; }
    wait "$pid" || again=$?
    kill -CONT "$first"
    ((again != 0)) || fault "the start beside a stopped player ended with status 0"
    grep -q 'läuft schon' "$w/err.log" || fault "the start beside a stopped player said nothing"
    pid=$first
    end_row "second start beside a stopped player ($2) ended with $again; the first:"
}

stopped "$bus" bus
stopped "$nobus" socket

# A player killed outright leaves its lock behind: the next start takes it
# over and becomes the player.
fresh dead-holder "$dir/baum/d17;" 10000 t17.wav/
start "$bus"
poll 20 restored || fault "no start"
kill -KILL "$pid" && wait "$pid" 2>/dev/null || true
start "$bus"
poll 20 restored || fault "the lock of a dead player was not taken over"
end_row "lock of a killed player"

# A queue of a source folder that is not there (a drive not mounted) survives
# the next save behind the live queue; with the folder back it plays again;
# a file gone from a folder that is there leaves the queue as before.
drive() {
    local step
    mkdir -p "$dir/platte/A"
    : >"$dir/platte/A/a.wav"
    fresh drive "$dir/platte/A;$dir/platte/B;" 10000 b.wav/a.wav/
    for step in "missing:a.wav/b.wav/" "back:a.wav/b.wav/" "file-gone:a.wav/"; do
        verdict=''
        case ${step%%:*} in
        back) mkdir "$dir/platte/B" && : >"$dir/platte/B/b.wav" ;;
        file-gone) rm "$dir/platte/B/b.wav" ;;
        esac
        before=$(files)
        start "$bus"
        poll 20 restored || fault "no start"
        stop TERM
        [[ $(tr -d '\r\n' <"$w/work/Warteliste.wob") == "${step#*:}" ]] ||
            fault "the queue is not ${step#*:}"
        row "source folder B ${step%%:*}"
    done
}
drive

# Idle connections to the socket: those over the cap are closed at once, the
# others once their time to speak is up, and a later start is still taken.
connections() {
    local socket counts self rss
    fresh connections "$dir/baum/d17;" 10000 t17.wav/
    start "$nobus"
    poll 20 socket_there || fault "no socket"
    rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
    # Prints how many stay open once those over the cap are closed, and the
    # milliseconds until the last one is closed, or "never".
    counts=$(/usr/bin/python3 - "$socket" <<'EOF' || echo 150 0
import select, socket, sys, time
offen = set()
for _ in range(150):
    s = socket.socket(socket.AF_UNIX)
    s.connect(sys.argv[1])
    offen.add(s)
beginn = time.monotonic()
def bis(fertig, sekunden):
    while not fertig() and time.monotonic() < beginn + sekunden:
        for s in select.select(list(offen), [], [], 0.1)[0]:
            if s.recv(1) == b"":
                offen.discard(s)
bis(lambda: len(offen) <= 16, 5)
print(len(offen), end=" ")
bis(lambda: not offen, 30)
print("never" if offen else round(1000 * (time.monotonic() - beginn)))
EOF
    )
    rss="$rss → $(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")"
    read -r held closed <<<"$counts"
    ((held <= 16)) || fault "$held of 150 idle connections held"
    [[ $closed != never ]] || fault "idle connections held for good"
    self=$pid
    start "$nobus"
    poll 40 gone "$pid" && wait "$pid" || fault "a later start is not taken"
    pid=$self
    end_row "150 idle connections: $held held, all closed after $closed ms, RSS $rss kB"
}
connections

printf '%s\n' "| case | files before: queue, settings, checksum of all three | after | status | ms to end | verdict |" \
    "|---|---|---|---|---|---|" "${table[@]}"
exit $failed
