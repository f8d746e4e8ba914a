#!/usr/bin/env bash
# End-to-end scenarios: the real program on a screen of its own (Xvfb, or
# Weston for Wayland) in a fresh working directory with data files and music
# of its own, driven as a person does: keys through xdotool, the close button
# (x11 close), media-control clients; x11 captions logs every caption change.
# Usage: e2e.sh SCENARIO, with TL_BIN, TL_X11 (x11), TL_MEDIA
# (makemedia's recordings), TL_DISPLAY and TL_LOGS (each run's logs).
set -euo pipefail
export LC_ALL=C.UTF-8

readonly question='^Beenden\?$'
# While a track plays: its title (ending in three blanks), two blanks, the percentage.
readonly caption_re='^Tonlaterne >> (.*)     ([0-9]+ %)?$'

source "$(dirname "$0")/common.sh"

# xdotool waits without end when a window never takes the focus.
xdo() { timeout 5 xdotool "$@"; }

# The reason goes into the kept logs too, which outlive the test's output.
fail() {
    echo "FAIL [$scenario]: $*" | tee -a "$log/reason.log" >&2
    exit 1
}

# stop_process PID: ends a process of this scenario, by force when it will not go.
stop_process() {
    [ -n "$1" ] && kill -0 "$1" 2>/dev/null || return 0
    kill -TERM "$1" 2>/dev/null || true
    poll 5 gone "$1" || kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

start_x() {
    start_xvfb "$dir" "$log/xvfb.log"
    poll 20 x_listens || fail "Xvfb did not start on $DISPLAY within 20 s"
    xdo getdisplaygeometry >/dev/null || fail "Xvfb on $DISPLAY takes no connection"
    # The log is there before the first look at it, not once the spy runs.
    : >"$log/captions.log"
    "$TL_X11" captions >>"$log/captions.log" 2>"$log/captions-errors.log" &
    spy=$!
}

x_listens() {
    ! gone "$xvfb" || fail "Xvfb on $DISPLAY ended: $(tail -n 5 "$log/xvfb.log")"
    grep -qs . "$dir/display"
}

# A run that passed leaves its logs in TL_LOGS/passed, in place of the last
# one's; a run that failed keeps them in a folder of its own.
finish() {
    local rc=$? p
    if ((rc != 0)); then
        import -window root "$log/screen.png" || echo "(no screenshot)" >&2
        cp "$work"/*.wob "$log/" 2>/dev/null || true
        grep -v '^AL lib' "$log/stderr.log" 2>/dev/null | tail -n 20 >&2 || true
    fi
    for p in "$pid" "$spy" "$bus" "$xvfb" "$weston"; do stop_process "$p"; done
    rm -rf "$dir"
    if ((rc == 0)); then
        rm -rf "$TL_LOGS/passed" && mv "$log" "$TL_LOGS/passed"
        echo "ok   $scenario"
    else
        echo "FAIL $scenario (screenshot, data files and the program's output: $log)"
    fi
}

# library NAME=RECORDING...: copies recordings into the music folder.
library() { local p && for p; do cp "$TL_MEDIA/${p#*=}" "$music/${p%%=*}"; done; }

# What the working directory holds, down to each file's inode, time and checksum.
snapshot() {
    (cd "$work" && find . -mindepth 1 -maxdepth 1 -printf '%f inode %i mtime %T@ size %s\n' |
        sort && find . -mindepth 1 -maxdepth 1 -type f -exec md5sum {} + | sort)
}

# player DIR ARG...: becomes the program, started in DIR with a home of the
# scenario's own. The scenarios share GStreamer's plugin registry, which a
# fresh home would otherwise rebuild at every start.
player() {
    cd "$1" && shift
    exec env HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" \
        XDG_CACHE_HOME="$dir/home/.cache" XDG_DATA_HOME="$dir/home/.local/share" \
        GST_REGISTRY="$TL_MEDIA.registry" QT_QPA_PLATFORM=$platform ASAN_OPTIONS=detect_leaks=0 "$TL_BIN" "$@" \
        >>"$log/stdout.log" 2>>"$log/stderr.log"
}

# The first expectation after a start looks at the captions from the start on.
start_player() { # ARG...
    from_line=$(($(wc -l <"$log/captions.log") + 1))
    player "$work" "$@" &
    pid=$!
    poll 30 main_window_found || fail "no main window within 30 s"
}

main_window_found() { check_alive && main_window "$pid"; }

# visible PATTERN: the first visible window of the program whose caption matches.
visible() { xdo search --all --onlyvisible --pid "$pid" --name "$1" | head -n 1; }

find_window() { check_alive && found=$(visible "$1") && [ -n "$found" ]; } # PATTERN, into $found

sanitizer_report() {
    grep -qsE 'ERROR: [A-Za-z]+Sanitizer|runtime error:|SUMMARY: [A-Za-z]+Sanitizer' \
        "$log/stderr.log"
}

check_alive() {
    local rc=0
    ! sanitizer_report || fail "sanitizer report in $log/stderr.log"
    kill -0 "$pid" 2>/dev/null && return 0
    wait "$pid" || rc=$?
    pid=''
    fail "the program ended by itself with status $rc"
}

focus() { xdo windowfocus --sync "$1" || fail "window $1 does not take the focus"; }

ended() {
    [ -z "$(visible "$question")" ] || fail "asked \"Wirklich beenden?\" once more after Ja"
    gone "$pid"
}

# After Ja: the program ends on its own, cleanly.
expect_exit() {
    local rc=0
    poll 10 ended || fail "still running 10 s after Ja"
    wait "$pid" || rc=$?
    pid=''
    ! sanitizer_report || fail "sanitizer report in $log/stderr.log"
    ((rc == 0)) || fail "ended with status $rc"
}

# The window manager's close button, and Ja to the question.
close_with_ja() {
    "$TL_X11" close "$wid" || fail "close request not sent"
    poll 10 find_window "$question" || fail "no question \"Beenden?\" within 10 s"
    question_id=$found
    focus "$question_id" && xdo key Return
    poll 10 question_closed || fail "the question stays open after Return"
    expect_exit
}

question_closed() { [ "$(visible "$question")" != "$question_id" ]; }

# sample: the main window's captions that captions.log got since it last
# looked, from the program's start on, into shown and played. A new track
# shows the percentage of the one before until its own first tick, so a title
# counts as played once it shows a percentage other than 0 % and the one it
# inherited. Titles matching $passable count as neither.
sample() {
    local window cap title pct
    check_alive
    # A line still being written is read at the next look.
    while IFS=$'\t' read -r window cap; do
        next_line=$((next_line + 1))
        [[ $window == "$wid" ]] || continue
        [[ $cap =~ $caption_re ]] || { last_pct='' && continue; }
        title=${BASH_REMATCH[1]} pct=${BASH_REMATCH[2]}
        if [[ $title != "$current" ]]; then
            current=$title current_played=0 inherited=$last_pct
            [[ $title =~ ^($passable)$ ]] || shown+=("$title")
        fi
        last_pct=$pct
        if ((!current_played)) && [[ -n $pct && $pct != "0 %" && $pct != "$inherited" ]]; then
            current_played=1
            [[ $title =~ ^($passable)$ ]] || played+=("$title")
        fi
    done < <(tail -n "+$next_line" "$log/captions.log")
}

watch_captions() { # PASSABLE
    passable=$1 next_line=$from_line current='' last_pct='' shown=() played=()
}

played_count_reaches() { # N
    sample
    ((${#played[@]} >= $1))
}

titles() { printf '"%s" ' "$@"; }

seen() { echo "played: $(titles "${played[@]}")shown: $(titles "${shown[@]}")"; }

# expect_played SECONDS PASSABLE TITLE...: from the start on, the caption plays
# the titles in this order, with nothing in between but titles matching PASSABLE.
expect_played() {
    local seconds=$1
    watch_captions "$2"
    shift 2
    poll "$seconds" played_count_reaches $# ||
        fail "expected $(titles "$@")to play within $seconds s; $(seen)"
    [[ "${played[*]}" == "$*" && "${shown[*]}" == "$*" ]] ||
        fail "expected $(titles "$@")to play in this order; $(seen)"
}

# Play at start: every format in the order of the sorted list, around again;
# files that cannot be played are passed over. A queue file of every byte
# value from 255 down, sixteen times (lines that are no UTF-8, with ";" and "/"
# among them) queues nothing, and no data file changes.
scenario_play_at_start() {
    local i bytes=''
    library "a gut.wav=tone.wav" b.mp3=tone.mp3 "d bild.mp3=picture.jpg" e.wma=tone.wma \
        "h weg.wav=tone.wav" i.avi=clip.avi j.mpg=clip.mpg k.mid=chord.mid
    echo 'Milch, Brot, Kerzen' >"$music/c notiz.txt"
    head -c 2000 "$TL_MEDIA/tone.mp3" >"$music/f kaputt.mp3"
    : >"$music/g leer.wav"
    data_files "$work" "$music;" 00100 /
    for ((i = 255; i >= 0; i--)); do bytes+=$(printf '\\0%03o' "$i"); done
    for i in {1..16}; do printf '%b' "$bytes"; done >"$work/Warteliste.wob"
    snapshot >"$log/before"
    start_player
    rm "$music/h weg.wav"
    expect_played 60 'c notiz\.txt|d bild\.mp3|f kaputt\.mp3|g leer\.wav|h weg\.wav' \
        "a gut.wav" b.mp3 e.wma i.avi j.mpg k.mid "a gut.wav"
    snapshot | diff -u "$log/before" - >&2 || fail "a data file changed"
}

start_bus() {
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$dir/bus" \
        2>"$log/bus.log" &
    bus=$!
    poll 10 grep -qs . "$dir/bus" || fail "no session bus: $(cat "$log/bus.log")"
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$dir/bus")
}

# start_again DIR ARG...: a start while the player runs must end at once.
start_again() {
    local again rc=0
    player "$@" &
    again=$!
    poll 20 gone "$again" || { stop_process "$again" && fail "a second start still runs after 20 s"; }
    wait "$again" || rc=$?
    ((rc == 0)) || fail "a second start ended with status $rc"
}

# A later start hands its files to the running player, here without a session
# bus and started as the application menu does (the data files in the user's
# data folder, the later start from another folder): the first plays at once,
# the others next, and the list goes on after them. A missing one is passed
# over; a folder gives its files as the library takes them: walked with its
# subfolders (A/d.mp3 before c.wav), by the extension rule (no e.txt), in the
# library's order.
scenario_open_in_running() {
    library a.wav=tone.wav b.mp3=tone.mp3
    mkdir -p "$dir/Draußen/A" "$dir/home/.local/share/Tonlaterne"
    cp "$TL_MEDIA/tone.wav" "$dir/Draußen/c.wav"
    cp "$TL_MEDIA/tone.mp3" "$dir/Draußen/A/d.mp3"
    echo 'Milch' >"$dir/Draußen/e.txt"
    data_files "$dir/home/.local/share/Tonlaterne" "$music;" 00001 /
    start_player --datenordner
    start_again "$music" --datenordner b.mp3 "$dir/fehlt.mp3" "$dir/Draußen"
    expect_played 20 '' b.mp3 c.wav d.mp3 a.wav
}

# What a screen reader sees: with every window opened through its menu entry,
# each is a frame or a dialog named by its caption, and every control a person
# can use has a name.
scenario_accessibility() {
    library a.wav=tone.wav b.mp3=tone.mp3
    data_files "$work" "$music;" 00000 /
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 DBUS_SESSION_BUS_ADDRESS
    # The bus for assistive technology starts from the session bus, into the log.
    start_bus >"$log/atspi.log"
    start_player
    /usr/bin/python3 "$(dirname "$0")/accessible.py" "$pid" >"$log/tree.txt" \
        2>"$log/faults.txt" || fail "$(cat "$log/faults.txt")"
    close_with_ja
}

# mpris ARG...: playerctl, a real client of the desktop's media controls.
mpris() { timeout 5 playerctl -p tonlaterne "$@"; }
press() { mpris "$@" || fail "playerctl $* was refused"; }
shows() { [ "$(mpris "${@:2}")" == "$1" ]; }
expect_mpris() { poll 10 shows "$@" || fail "playerctl ${*:2} gives $(mpris "${@:2}"), not $1"; }
beyond() { local p; p=$(mpris position) && ((10#${p/./} > 10#${1/./})); }
known_at_start() {
    [[ $(mpris metadata xesam:url) == file://*/a.mp3 && $(mpris metadata mpris:length) -gt 0 ]] 2>/dev/null
}

players_are() { [ "$(timeout 5 playerctl -l 2>/dev/null | sort | paste -sd ' ')" == "$1" ]; }

# What only the real program shows to a client of the media controls: with
# play at start it knows the track, its length once the engine opened the
# file, its tags, and its cover as a file in the cache folder; it sets the
# position. A file without tags shows its name, and the cover before goes. A
# second player on other data files is there under the name with its process
# number. Quit ends as Ja does: no question, the data files saved anew.
scenario_mpris() {
    local cover second saved format='{{xesam:title}}|{{xesam:artist}}|{{xesam:album}}'
    start_bus
    # Ten minutes, so that it never ends while the scenario looks.
    gst-launch-1.0 -q audiotestsrc samplesperbuffer=8000 num-buffers=600 \
        ! audio/x-raw,rate=8000,channels=1 ! wavenc ! filesink location="$music/b.wav"
    lame --quiet --tt Abendlied --ta Anna --tl 'Lieder für später' --tn 3 --tg Folk \
        --tv TPE2=Chor --ti "$TL_MEDIA/picture.jpg" "$music/b.wav" "$music/a.mp3"
    data_files "$work" "$music;" 10100 /
    mkdir "$dir/zwei" && data_files "$dir/zwei" "$music;" 00000 /
    start_player
    poll 10 known_at_start || fail "metadata at start: $(mpris metadata)"
    expect_mpris 'Abendlied|Anna|Lieder für später|Chor|3|Folk' metadata --format \
        "$format|{{xesam:albumArtist}}|{{xesam:trackNumber}}|{{xesam:genre}}"
    cover=$(mpris metadata mpris:artUrl)
    [[ $cover == "file://$dir/home/.cache/"* ]] || fail "the cover is at \"$cover\""
    cmp "${cover#file://}" "$TL_MEDIA/picture.jpg" || fail "the cover is not the file's picture"
    press position 5
    poll 10 beyond 5.000000 || fail "the position stays at $(mpris position) s"
    press next
    expect_mpris b.wav metadata xesam:title
    expect_mpris '' metadata mpris:artUrl
    [ ! -e "${cover#file://}" ] || fail "the cover of the track before stays"
    player "$dir/zwei" &
    second=$!
    poll 20 players_are "tonlaterne tonlaterne.instance$second" ||
        { stop_process "$second" && fail "playerctl -l gives: $(playerctl -l 2>&1 | paste -sd ' ')"; }
    stop_process "$second"
    saved=$(stat -c '%n %i' "$work"/{Einstellungen,Warteliste}.wob)
    dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.tonlaterne \
        /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Quit
    expect_exit
    ! grep -Fx "$saved" <(stat -c '%n %i' "$work"/{Einstellungen,Warteliste}.wob) >&2 ||
        fail "not saved anew"
}

# formats_played N: until N titles played, the length the media controls
# give for the title they show, into lengths[TITLE].
formats_played() {
    local m
    m=$(mpris metadata --format '{{xesam:title}}={{mpris:length}}') && [[ $m == *=?* ]] &&
        lengths[${m%%=*}]=${m#*=}
    played_count_reaches "$1"
}

# FLAC, Ogg Vorbis, Opus and M4A of four seconds from outside the library,
# handed over as a file manager does: each plays to its end (its last
# percentage shown at least 70, as a tick may go unseen) with its length known
# to the media controls, which offer what the desktop entry offers.
scenario_formats() {
    local f t pct type
    declare -gA lengths=()
    start_bus
    mkdir "$dir/Draußen"
    for f in "a.flac=flacenc" "b.ogg=vorbisenc ! oggmux" "c.opus=opusenc ! oggmux" \
        "d.m4a=avenc_aac ! mp4mux"; do
        gst-launch-1.0 -q audiotestsrc num-buffers=40 samplesperbuffer=4800 \
            ! audio/x-raw,rate=48000,channels=2 ! audioconvert ! ${f#*=} \
            ! filesink location="$dir/Draußen/${f%%=*}" || fail "cannot make ${f%%=*}"
    done
    library z.wav=tone.wav
    data_files "$work" "$music;" 00001 /
    start_player
    start_again "$work" "$dir"/Draußen/*
    watch_captions ''
    poll 40 formats_played 5 && [[ "${played[*]}" == "a.flac b.ogg c.opus d.m4a z.wav" ]] ||
        fail "$(seen)"
    dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.tonlaterne \
        /org/mpris/MediaPlayer2 org.freedesktop.DBus.Properties.Get \
        string:org.mpris.MediaPlayer2 string:SupportedMimeTypes | grep -o '"[^"]*"' |
        tr -d '"' | sort >"$dir/offered"
    grep ^MimeType= "$(dirname "$0")/../../dist/de.tonlaterne.Tonlaterne.desktop" | cut -d= -f2 |
        tr ';' '\n' | grep . | sort | diff "$dir/offered" - >&2 ||
        fail "the media controls offer other kinds than the desktop entry"
    for t in a.flac b.ogg c.opus d.m4a; do
        # The last caption of its first play: the list plays on from the top.
        pct=$(awk -v t=">> $t " 'index($0, ">> ") { if (index($0, t)) { s = $0 } else if (s) exit }
            END { print s }' "$log/captions.log" | grep -o '[0-9]* %$')
        ((${pct% %} >= 70)) || fail "$t stopped at $pct"
        ((${lengths[$t]:-0} > 3900000 && ${lengths[$t]} < 4100000)) ||
            fail "$t lasts ${lengths[$t]:-no} µs"
        type=$(gio info -a standard::content-type "$dir/Draußen/$t" | sed -n 's/.*type: //p')
        grep -qx "$type" "$dir/offered" || fail "$t is $type (for a file manager), not offered"
    done
}

# A film of a minute, longer than any wait for it, in a blue that turns orange
# when red and blue are swapped. It plays at start, and its window opens over
# the main window.
film_set_up() {
    gst-launch-1.0 -q videotestsrc num-buffers=600 pattern=solid-color foreground-color=0xff2060c0 \
        ! video/x-raw,width=160,height=120,framerate=10/1 ! jpegenc ! avimux \
        ! filesink location="$music/b.avi"
    data_files "$work" "$music;" 00100 /
}

# Most of the film's 160 by 120 pixels show its blue.
film_in() { # PNG
    (($(convert "$1" -fuzz 10% -fill black +opaque 'rgb(32,96,192)' -fill white \
        -opaque 'rgb(32,96,192)' -format '%[fx:round(mean*w*h)]' info:) > 15000))
}

video_window_shows_film() {
    find_window '^Tonlaterne - Video$' && import -window "$found" "$dir/shot.png" &&
        film_in "$dir/shot.png"
}

scenario_video_x11() {
    film_set_up
    start_player
    poll 20 video_window_shows_film || fail "the window \"Tonlaterne - Video\" does not show the film"
    close_with_ja
}

# What the compositor shows, as the screen would.
output_shows_film() {
    check_alive
    rm -f "$dir"/wayland-screenshot-*.png
    (cd "$dir" && timeout 5 weston-screenshooter) >/dev/null 2>&1 &&
        cp "$dir"/wayland-screenshot-*.png "$log/screen.png" && film_in "$log/screen.png"
}

# The same under a Wayland compositor without a screen, and without X.
scenario_video_wayland() {
    film_set_up
    export WAYLAND_DISPLAY=tl-wl
    unset DISPLAY
    platform=wayland
    weston --backend=headless-backend.so --use-pixman --debug --socket=tl-wl --idle-time=0 \
        --width=1280 --height=960 >"$log/weston.log" 2>&1 &
    weston=$!
    poll 10 test -S "$XDG_RUNTIME_DIR/tl-wl" || fail "weston did not start"
    player "$work" &
    pid=$!
    poll 20 output_shows_film || fail "the screen does not show the film (last: $log/screen.png)"
}

# The queue window's "&Zurück" brings the main window to the front, over the
# search window that was opened over it. No window manager runs: xwininfo
# lists the screen's windows from the top down.
stacked_above() { # UPPER LOWER
    local order && order=$(xwininfo -root -children | grep -o '^ *0x[0-9a-f]*' | tr -d ' ')
    local upper lower && upper=$(printf '0x%x' "$1") lower=$(printf '0x%x' "$2")
    [[ $(grep -n "^$upper\$" <<<"$order" | cut -d: -f1) -lt \
        $(grep -n "^$lower\$" <<<"$order" | cut -d: -f1) ]]
}
scenario_back_raises() {
    library a.wav=tone.wav
    data_files "$work" "$music;" 00000 /
    start_player
    focus "$wid" && xdo key alt+w
    poll 10 find_window '^Warteliste$' || fail "the queue window does not open"
    local queue=$found
    focus "$wid" && xdo key alt+s
    poll 10 find_window '^Suchen$' || fail "the search window does not open"
    local search=$found
    poll 5 stacked_above "$search" "$wid" || fail "the search window is not over the main window"
    focus "$queue" && xdo key alt+z
    poll 10 stacked_above "$wid" "$search" || fail "Zurück leaves the main window under the search"
}

scenario=${1:-}
if [[ $# -ne 1 ]] || ! declare -F "scenario_$scenario" >/dev/null; then
    echo "usage: $0 SCENARIO" >&2
    exit 2
fi
log=$TL_LOGS/$(date +%Y%m%d-%H%M%S)-$$
mkdir -p "$log"
dir=$(mktemp -d "${TMPDIR:-/tmp}/tl-e2e.XXXXXX")
work=$dir/work music=$dir/Müsik pid='' spy='' from_line='' bus='' xvfb='' weston='' platform=xcb
trap finish EXIT
trap 'exit 143' TERM INT
mkdir "$work" "$dir/home" "$music"
# Sockets of the scenario's own, also for what a bus of its own starts.
export XDG_RUNTIME_DIR=$dir/home/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
# No session bus unless the scenario starts one of its own.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/no-bus
start_x
"scenario_$scenario"
