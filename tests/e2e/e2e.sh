#!/usr/bin/env bash
# End-to-end tests of the built player, used the way a person uses it: every
# scenario starts the real program on a virtual X screen of its own, in a fresh
# working directory with data files and music of its own, presses keys through
# xdotool, closes the window as its close button does (closewindow sends the
# request a window manager would), and reads back what a person sees (the
# window caption) and what the program leaves behind (the data files).
#
# Usage: e2e.sh SCENARIO      run one scenario or table (see the end of this file)
# A scenario needs TL_BIN (the program), TL_CLOSE (the closewindow helper),
# TL_MEDIA (the recordings that makemedia writes) and TL_LOGS (its log folder).
set -euo pipefail
export LC_ALL=C.UTF-8

readonly main_window='^Tonlaterne($| >> )'
readonly question='^Beenden\?$'
# The caption while a track plays: its title (the entry text without the
# number, so it ends in three blanks), two blanks, and the percentage played.
readonly caption_re='^Tonlaterne >> (.*)     ([0-9]+ %)?$'

# ---------------------------------------------------------------- time ------

now_ms() {
    local t=${EPOCHREALTIME//[.,]/}
    echo $((t / 1000))
}

# poll SECONDS COMMAND...: runs COMMAND every 100 ms until it succeeds; fails
# when it has not succeeded within SECONDS.
poll() {
    local deadline=$(($(now_ms) + $1 * 1000))
    shift
    until "$@"; do
        (($(now_ms) < deadline)) || return 1
        sleep 0.1
    done
}

# xdotool waits without end when a window never takes the focus.
xdo() { timeout 5 xdotool "$@"; }

# ---------------------------------------------------------------- cases -----
# Every case runs in a subshell of its own, with a fresh directory $dir that
# holds the program's working directory $work, its HOME and its music $music,
# and with a log folder $log that keeps the program's output and, when the
# case fails, a screenshot and the data files.

fail() {
    echo "FAIL [$case]: $*" >&2
    exit 1
}

# run_case NAME LOG_DIR FUNCTION [ARGS...]: counts the cases in $cases and
# the failed ones in $failures. It must not run as a condition (if, ||, &&),
# where bash would ignore set -e inside the case.
cases=0 failures=0
run_case() {
    local rc=0
    set +e
    (case_body "$@")
    rc=$?
    set -e
    cases=$((cases + 1))
    if ((rc == 0)); then
        echo "ok   $1"
    else
        failures=$((failures + 1))
        echo "FAIL $1 (screenshot, data files and the program's output: $2)"
    fi
}

case_body() {
    set -e
    case=$1 log=$2
    shift 2
    rm -rf "$log"
    mkdir -p "$log"
    dir=$(mktemp -d "${TMPDIR:-/tmp}/tl-e2e.XXXXXX")
    work=$dir/work music=$dir/Müsik pid='' watcher=''
    mkdir "$work" "$dir/home" "$music"
    trap end_case EXIT
    trap 'exit 143' TERM INT
    "$@"
}

end_case() {
    local rc=$?
    if ((rc != 0)); then
        import -window root "$log/screen.png" || echo "(no screenshot)" >&2
        cp "$work"/*.wob "$log/" 2>/dev/null || true
        grep -v '^AL lib' "$log/stderr.log" 2>/dev/null | tail -n 20 >&2 || true
    fi
    stop_process "$pid"
    stop_process "$watcher"
    chmod -R u+rwx "$dir" || true
    rm -rf "$dir"
}

# stop_process PID: ends a process of this case, by force when it will not go.
stop_process() {
    [ -n "$1" ] && kill -0 "$1" 2>/dev/null || return 0
    kill -TERM "$1" 2>/dev/null || true
    poll 5 gone "$1" || kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

gone() { ! kill -0 "$1" 2>/dev/null; }

# ---------------------------------------------------------------- set-up ----

# library NAME=RECORDING...: copies recordings into the music folder.
library() {
    local pair
    for pair; do
        cp "$TL_MEDIA/${pair#*=}" "$music/${pair%%=*}"
    done
}

# data_files SOURCE_LINE SETTINGS_LINE QUEUE_LINE: the three data files.
data_files() {
    printf '%s\r\n' "$1" >"$work/Quellpfad.wob"
    printf '%s\r\n' "$2" >"$work/Einstellungen.wob"
    printf '%s\r\n' "$3" >"$work/Warteliste.wob"
}

# Every byte value from 255 down, sixteen times: the first line holds bytes
# that are no UTF-8, and ";" and "/" among them.
garbage() {
    local i bytes=''
    for ((i = 255; i >= 0; i--)); do bytes+=$(printf '\\0%03o' "$i"); done
    for i in {1..16}; do printf '%b' "$bytes"; done
}

# ten_mb CHAR: a line of ten mebibytes without a line end.
ten_mb() { head -c 10485760 /dev/zero | tr '\0' "$1"; }

# What the working directory holds, down to each file's inode, time and checksum.
snapshot() {
    (cd "$work" && find . -mindepth 1 -maxdepth 1 -printf '%f inode %i mtime %T@ size %s\n' |
        sort && find . -mindepth 1 -maxdepth 1 -type f -exec md5sum {} + | sort)
}

# ---------------------------------------------------------------- the program

start_player() {
    (cd "$work" && exec env HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" \
        XDG_CACHE_HOME="$dir/home/.cache" XDG_DATA_HOME="$dir/home/.local/share" \
        QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 "$TL_BIN") \
        >>"$log/stdout.log" 2>>"$log/stderr.log" &
    pid=$!
    poll 10 find_main_window || fail "no main window within 10 s"
}

find_main_window() {
    check_alive
    wid=$(xdo search --all --onlyvisible --pid "$pid" --name "$main_window" | head -n 1)
    [ -n "$wid" ]
}

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

# The window manager's close button.
request_close() { "$TL_CLOSE" "$wid" || fail "close request not sent"; }

# The menu "Datei" through its access key, then its only item "Beenden".
menu_beenden() {
    focus "$wid"
    xdo key alt+d Return
}

visible_question() { xdo search --all --onlyvisible --pid "$pid" --name "$question" | head -n 1; }

find_question() {
    check_alive
    question_id=$(visible_question)
    [ -n "$question_id" ]
}

question_closed() { [ "$(visible_question)" != "$question_id" ]; }

# answer KEY: waits for the question "Wirklich beenden?" and answers it.
answer() {
    poll 10 find_question || fail "no question \"Beenden?\" within 10 s"
    focus "$question_id"
    xdo key "$1"
    poll 10 question_closed || fail "the question stays open after $1"
}

ended() {
    [ -z "$(visible_question)" ] || fail "asked \"Wirklich beenden?\" once more after Ja"
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

# add_to_queue POSITION...: in the window "Warteliste", selects the entry at
# each POSITION of the available tracks and presses ".... Hinzufügen".
add_to_queue() {
    local position keys k
    focus "$wid"
    xdo key alt+w
    poll 10 find_window '^Warteliste$' || fail "no window \"Warteliste\" within 10 s"
    focus "$found"
    for position; do
        keys=(Home)
        for ((k = 0; k < position; k++)); do keys+=(Down); done
        xdo key "${keys[@]}" Tab space shift+Tab
    done
}

find_window() {
    check_alive
    found=$(xdo search --all --onlyvisible --pid "$pid" --name "$1" | head -n 1)
    [ -n "$found" ]
}

# ---------------------------------------------------------------- captions --
# sample reads the caption once. A new track goes on showing the percentage of
# the one before until its own first tick, so a title counts as played once
# the caption shows it with a percentage above 0 other than the one it
# inherited. Titles matching the pattern $passable are kept apart in $passed.

watch_from_now() { # PASSABLE
    passable=$1 current='' inherited='' current_played=0 last_caption=''
    # Unknown until the caption changes: what it shows now may be inherited.
    last_pct='?'
    shown=() played=() passed=()
}

sample() {
    local cap title pct
    check_alive
    cap=$(xdo getwindowname "$wid") || fail "cannot read the caption"
    [[ $cap == "$last_caption" ]] || echo "$(now_ms) $cap" >>"$log/captions.log"
    last_caption=$cap
    if ! [[ $cap =~ $caption_re ]]; then
        last_pct=''
        return 0
    fi
    title=${BASH_REMATCH[1]} pct=${BASH_REMATCH[2]}
    if [[ $title != "$current" ]]; then
        current=$title current_played=0 inherited=$last_pct
        [[ $inherited != '?' ]] || inherited=$pct
        if [[ -n $passable && $title =~ ^($passable)$ ]]; then
            passed+=("$title")
        else
            shown+=("$title")
        fi
    fi
    last_pct=$pct
    if ((!current_played)) && [[ -n $pct && $pct != "0 %" && $pct != "$inherited" ]]; then
        current_played=1
        [[ -n $passable && $title =~ ^($passable)$ ]] || played+=("$title")
    fi
}

played_count_reaches() { # N
    sample
    ((${#played[@]} >= $1))
}

distinct_played_reaches() { # N
    sample
    (($(printf '%s\n' "${played[@]}" | sort -u | grep -c .) >= $1))
}

titles() { printf '"%s" ' "$@"; }

# expect_played SECONDS PASSABLE TITLE...: from now on the caption plays the
# titles in this order, with nothing in between but titles matching PASSABLE.
expect_played() {
    local seconds=$1
    watch_from_now "$2"
    shift 2
    poll "$seconds" played_count_reaches $# ||
        fail "expected $(titles "$@")to play within $seconds s; played: $(titles "${played[@]}")shown: $(titles "${shown[@]}")"
    [[ "${played[*]}" == "$*" && "${shown[*]}" == "$*" ]] ||
        fail "expected $(titles "$@")to play in this order; played: $(titles "${played[@]}")shown: $(titles "${shown[@]}")"
}

# expect_distinct SECONDS N: from now on N different titles play.
expect_distinct() {
    watch_from_now ''
    poll "$1" distinct_played_reaches "$2" ||
        fail "expected $2 different titles to play within $1 s; played: $(titles "${played[@]}")"
}

# ---------------------------------------------------------------- files -----

# expect_content FILE LINE: FILE holds exactly LINE and a CR LF.
expect_content() {
    cmp -s "$work/$1" <(printf '%s\r\n' "$2") ||
        fail "$1 holds \"$(cat -A "$work/$1" 2>&1)\" instead of \"$2^M\$\""
}

# Watches the working directory for every change, from now on.
start_watch() {
    inotifywait -m -e modify,attrib,close_write,moved_from,moved_to,create,delete \
        --format '%e %f' "$work" >"$log/changes.log" 2>"$log/watch.log" &
    watcher=$!
    poll 10 grep -qs 'Watches established' "$log/watch.log" || fail "inotifywait did not start"
}

# The data files written since start_watch, in the order they were finished.
written() {
    awk '$1 ~ /MOVED_TO|CLOSE_WRITE/ && $2 ~ /\.wob$/ { print $2 }' "$log/changes.log" |
        uniq | paste -sd ' '
}

written_is() { [ "$(written)" == "$1" ]; }

# expect_written FILE...: these data files were written, in this order.
expect_written() {
    poll 5 written_is "$*" || fail "expected \"$*\" written in this order, saw \"$(written)\""
}

expect_unchanged() { # SNAPSHOT_FILE
    snapshot | diff -u "$1" - >&2 || fail "the working directory changed"
    [ ! -s "$log/changes.log" ] || fail "the program changed files: $(paste -sd ' ' "$log/changes.log")"
}

# ---------------------------------------------------------------- scenarios -

# Play at start: every format in the order of the sorted list, around again.
scenario_play_at_start() {
    library a.wav=tone.wav b.mp3=tone.mp3 c.wma=tone.wma d.avi=clip.avi e.mpg=clip.mpg \
        f.mid=chord.mid
    data_files "$music;" 00100 /
    start_player
    expect_played 40 '' a.wav b.mp3 c.wma d.avi e.mpg f.mid a.wav
}

# The close button: Nein changes nothing, Ja writes the queue, then the settings.
scenario_close_button() {
    library a.wav=tone.wav b.mp3=tone.mp3 c.wma=tone.wma
    data_files "$music;" 10100 /
    start_player
    expect_played 20 '' a.wav
    snapshot >"$log/before"
    start_watch
    request_close
    answer Escape
    expect_distinct 20 2
    expect_unchanged "$log/before"
    request_close
    answer Return
    expect_exit
    expect_written Warteliste.wob Einstellungen.wob
    expect_content Warteliste.wob /
    expect_content Einstellungen.wob 10100
}

# With the first option off, Ja writes the settings only.
scenario_close_keeps_queue_file() {
    library a.wav=tone.wav b.mp3=tone.mp3
    data_files "$music;" 00100 b.mp3/
    start_player
    expect_played 20 '' a.wav
    start_watch
    request_close
    answer Return
    expect_exit
    expect_written Einstellungen.wob
    expect_content Einstellungen.wob 00100
    expect_content Warteliste.wob b.mp3/
}

# "Datei" -> "Beenden": Nein changes nothing; Ja ends without writing a file.
scenario_menu_beenden() {
    library a.wav=tone.wav b.mp3=tone.mp3
    data_files "$music;" 10100 /
    start_player
    expect_played 20 '' a.wav
    snapshot >"$log/before"
    start_watch
    menu_beenden
    answer alt+n
    expect_distinct 20 1
    menu_beenden
    answer Return
    expect_exit
    expect_unchanged "$log/before"
}

# A queue made in the window "Warteliste" survives the close and plays first
# at the next start, ahead of the random pick.
scenario_queue_roundtrip() {
    library a.wav=tone.wav b.mp3=tone.mp3 c.wma=tone.wma d.avi=clip.avi e.mpg=clip.mpg \
        f.mid=chord.mid
    data_files "$music;" 10000 /
    start_player
    add_to_queue 2 4
    request_close
    answer Return
    expect_exit
    expect_content Warteliste.wob c.wma/e.mpg/
    expect_content Einstellungen.wob 10000
    printf '11100\r\n' >"$work/Einstellungen.wob"
    start_player
    expect_played 20 '' c.wma e.mpg
    request_close
    answer Return
    expect_exit
    expect_content Warteliste.wob /
}

# Files that cannot be played are passed over; the good ones go on playing.
scenario_bad_files() {
    library "a gut.wav=tone.wav" "c bild.mp3=picture.jpg" "f weg.wav=tone.wav" \
        "g gut.mid=chord.mid" "h gut.mp3=tone.mp3"
    echo 'Milch, Brot, Kerzen' >"$music/b notiz.txt"
    head -c 2000 "$TL_MEDIA/tone.mp3" >"$music/d kaputt.mp3"
    : >"$music/e leer.wav"
    data_files "$music;" 00100 /
    start_player
    rm "$music/f weg.wav"
    expect_played 40 'b notiz\.txt|c bild\.mp3|d kaputt\.mp3|e leer\.wav|f weg\.wav' \
        "a gut.wav" "g gut.mid" "h gut.mp3" "a gut.wav"
}

# ---------------------------------------------------------------- hostile ---
# Each case spoils one thing of a working set-up (music a.wav, b.mp3 and
# Lärm.wav; play at start; an empty queue). The window must appear, nothing
# may crash, no data file may change before the close, and the expected
# titles must play: "-" none, "*" any one, "=N" N different ones, or the
# titles in this order.

hostile_case() { # WHAT KIND EXPECTED
    library a.wav=tone.wav b.mp3=tone.mp3 Lärm.wav=tone.wav
    data_files "$music;" 00100 /
    spoil "$1" "$2"
    snapshot >"$log/before"
    start_player
    case $3 in
    -) ;;
    \*) expect_distinct 20 1 ;;
    =*) expect_distinct 30 "${3#=}" ;;
    *) read -ra expected <<<"$3" && expect_played 20 '' "${expected[@]}" ;;
    esac
    snapshot | diff -u "$log/before" - >&2 || fail "a data file changed at start"
    request_close
    answer Return
    expect_exit
    grep -qaxE '[0-9]{5}'$'\r' "$work/Einstellungen.wob" ||
        fail "Einstellungen.wob is no line of five digits: $(head -c 40 "$work/Einstellungen.wob" | cat -A)"
}

spoil() { # WHAT KIND
    local file=$work/$1
    case $1:$2 in
    *:missing) rm "$file" ;;
    *:empty) : >"$file" ;;
    *:garbage) garbage >"$file" ;;
    Quellpfad.wob:one_byte) printf . >"$file" ;;
    Einstellungen.wob:one_byte) printf 1 >"$file" ;;
    Warteliste.wob:one_byte) printf x >"$file" ;;
    Quellpfad.wob:10mb_line) { printf '%s;' "$music" && ten_mb x; } >"$file" ;;
    Einstellungen.wob:10mb_line) ten_mb 1 >"$file" ;;
    Warteliste.wob:10mb_line) { printf 'Lärm.wav/' && ten_mb x; } >"$file" ;;
    Quellpfad.wob:cp1252) printf '%s/M\374sik;\r\n' "$dir" >"$file" ;;
    Einstellungen.wob:cp1252) printf '00100\344\366\374\r\n' >"$file" ;;
    Warteliste.wob:cp1252) printf 'L\344rm.wav/\r\n' >"$file" ;;
    Quellpfad.wob:missing_home_music)
        rm "$file"
        mkdir "$dir/home/Music"
        cp "$TL_MEDIA/tone.wav" "$dir/home/Music/heim.wav"
        ;;
    Quellpfad.wob:missing_folder) printf '%s/gibtsnicht;%s;\r\n' "$dir" "$music" >"$file" ;;
    Quellpfad.wob:unreadable)
        mkdir "$dir/gesperrt" "$music/gesperrt"
        cp "$TL_MEDIA/tone.wav" "$dir/gesperrt/0 zu.wav"
        cp "$TL_MEDIA/tone.wav" "$music/gesperrt/0 auch zu.wav"
        chmod 000 "$dir/gesperrt" "$music/gesperrt"
        printf '%s/gesperrt;%s;\r\n' "$dir" "$music" >"$file"
        ;;
    Quellpfad.wob:symlink_loop)
        ln -s . "$music/kreis"
        ln -s .. "$music/hoch"
        ln -s selbst "$music/selbst"
        ln -s schleife "$dir/schleife"
        printf '%s/schleife;%s;\r\n' "$dir" "$music" >"$file"
        ;;
    Quellpfad.wob:1000_files)
        local k
        mkdir "$dir/viele"
        cp "$TL_MEDIA/tone.wav" "$dir/viele/t0001.wav"
        for k in $(seq -w 2 1000); do ln "$dir/viele/t0001.wav" "$dir/viele/t$k.wav"; done
        printf '%s/viele;\r\n' "$dir" >"$file"
        ;;
    Quellpfad.wob:odd_names)
        local odd="$dir/Ordner #3# äö 🎵" name
        mkdir "$odd"
        for name in '#1#.wav' 'Lied #7# Mitte.wav' ' zwei  Blanks .wav' 'Größe Übel.mp3' \
            '🎵 Lied.wav' $'\xff\xfe Bytes.wav'; do
            cp "$TL_MEDIA/tone.${name##*.}" "$odd/$name"
        done
        printf '%s;\r\n' "$odd" >"$file"
        ;;
    *) fail "no such case: $1 $2" ;;
    esac
}

# hostile_table < TABLE: runs every line "WHAT KIND EXPECTED" as a case.
hostile_table() {
    local what kind expected name
    while read -r what kind expected; do
        name=${what%.wob}_$kind
        # The table is on stdin; nothing of the case may read from it.
        run_case "$name" "$TL_LOGS/$name" hostile_case "$what" "$kind" "$expected" </dev/null
    done
    echo "$((cases - failures)) passed, $failures failed"
}

table_hostile_quellpfad() {
    hostile_table <<EOF
Quellpfad.wob missing_home_music heim.wav
Quellpfad.wob empty -
Quellpfad.wob one_byte -
Quellpfad.wob garbage -
Quellpfad.wob 10mb_line a.wav
Quellpfad.wob cp1252 a.wav
EOF
}

table_hostile_einstellungen() {
    hostile_table <<EOF
Einstellungen.wob missing -
Einstellungen.wob empty -
Einstellungen.wob one_byte -
Einstellungen.wob garbage -
Einstellungen.wob 10mb_line *
Einstellungen.wob cp1252 a.wav
EOF
}

table_hostile_warteliste() {
    hostile_table <<EOF
Warteliste.wob missing a.wav b.mp3
Warteliste.wob empty a.wav b.mp3
Warteliste.wob one_byte a.wav b.mp3
Warteliste.wob garbage a.wav b.mp3
Warteliste.wob 10mb_line a.wav Lärm.wav
Warteliste.wob cp1252 a.wav Lärm.wav
EOF
}

table_hostile_folders() {
    hostile_table <<EOF
Quellpfad.wob missing_folder a.wav
Quellpfad.wob unreadable *
Quellpfad.wob symlink_loop a.wav
Quellpfad.wob 1000_files t0001.wav t0002.wav
Quellpfad.wob odd_names =6
EOF
}

# ---------------------------------------------------------------- X server --
# Each scenario has a virtual screen of its own. With -displayfd the server
# picks a free display itself, so tests running side by side never race for
# one; a cookie keeps other local clients out.

start_x() {
    xdir=$(mktemp -d "${TMPDIR:-/tmp}/tl-e2e-x.XXXXXX")
    trap stop_x EXIT
    trap "exit 143" TERM INT
    export XAUTHORITY=$xdir/auth
    : >"$XAUTHORITY"
    cookie=$(mcookie)
    xauth -q -f "$XAUTHORITY" add :0 . "$cookie"
    Xvfb -displayfd 3 -auth "$XAUTHORITY" -screen 0 1024x768x24 -nolisten tcp \
        3>"$xdir/display" 2>"$xdir/xvfb.log" &
    xvfb=$!
    poll 10 grep -qs . "$xdir/display" || fail "Xvfb did not start: $(cat "$xdir/xvfb.log")"
    DISPLAY=:$(cat "$xdir/display")
    export DISPLAY
    xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$cookie"
}

stop_x() {
    stop_process "${xvfb:-}"
    rm -rf "$xdir"
}

# ---------------------------------------------------------------- main ------

case=${1:-}
if [[ $# -eq 1 ]] && declare -F "table_$case" >/dev/null; then
    start_x
    "table_$case"
elif [[ $# -eq 1 ]] && declare -F "scenario_$case" >/dev/null; then
    start_x
    run_case "$case" "$TL_LOGS" "scenario_$case"
else
    echo "usage: $0 SCENARIO" >&2
    exit 2
fi
((failures == 0))
