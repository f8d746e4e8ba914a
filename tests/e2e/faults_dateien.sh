#!/usr/bin/env bash
# The saves and the cache of the real program against a hostile machine. Each
# row prints the data files' bytes (size:md5) before and after, the exit status
# and the time from the end's signal to the process being gone, and fails when
# a byte of the user's data is lost, a file outside the player's is touched, or
# a process stays. Needs root (tmpfs mounts, links of another user). With
# TL_BIN, TL_X11, TL_MEDIA, TL_DISPLAY and TL_KILLS (kills in the loop, 50).
# Rows as arguments, or all without.
set -uo pipefail
export LC_ALL=C.UTF-8
exec 4>&2

source "$(dirname "$0")/common.sh"

# To the script's own stderr (4), also from where the shell's notes of
# killed players are silenced.
fail() {
    echo "FAIL [$row]: $*" >&4
    tail -n 5 "$dir/stderr.log" 2>/dev/null | grep -v '^AL lib' >&4
    exit 1
}

# files DIR NAME...: each file's size and checksum, or what stands there instead.
files() {
    local d=$1 f out=()
    shift
    for f; do
        if [[ -f $d/$f && ! -L $d/$f ]]; then
            out+=("$f=$(stat -c %s "$d/$f"):$(md5sum <"$d/$f" | head -c 6)")
        else
            out+=("$f=$(stat -c %F "$d/$f" 2>/dev/null | tr ' ' _ || echo none)")
        fi
    done
    echo "${out[*]}"
}

# start DIR [ARG...]: the player in DIR, through the command in the array vor.
start() {
    local d=$1
    shift
    (cd "$d" && exec "${vor[@]}" env HOME="$dir/home" XDG_CACHE_HOME="$dir/home/.cache" \
        XDG_RUNTIME_DIR="$dir/run" DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-bus" \
        GST_REGISTRY="$TL_MEDIA.registry" QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
        "$TL_BIN" "$@" >>"$dir/stdout.log" 2>>"$dir/stderr.log") &
    pid=$!
    started=$(now_ms)
    poll 30 up || fail "no main window within 30 s"
    up_ms=$(($(now_ms) - started))
}

up() {
    ! gone "$pid" || fail "ended by itself"
    main_window "$pid"
}

# end SIGNAL: sends it and waits for the end; rc and end_ms tell how it went.
end() {
    local t
    t=$(now_ms)
    kill "-$1" "$pid"
    ended
    end_ms=$(($(now_ms) - t))
}

ended() {
    poll 10 gone "$pid" || {
        kill -KILL "$pid"
        fail "still running 10 s after the end"
    }
    rc=0
    { wait "$pid"; } 2>/dev/null || rc=$?
}

# The newest whose caption matches (xdotool's search also takes windows whose
# children match): a question may bear the caption of the window it asks for.
find_window() { # CAPTION [COUNT], into $found
    local w n=0
    found=''
    for w in $(xdotool search --onlyvisible --pid "$pid" --name "$1" 2>/dev/null); do
        [[ $(xdotool getwindowname "$w") =~ $1 ]] && found=$w n=$((n + 1))
    done
    ((n >= ${2:-1}))
}
taller_question_or_gone() { gone "$pid" || { find_window '^Beenden\?$' && (($(size_of "$found" HEIGHT) > $1)); }; }
window_closed() { ! xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -qx "$found"; }

# One line of the table, with what the program told on stderr; with FAULT,
# fails unless AFTER is BEFORE.
report() { # BEFORE AFTER [FAULT]
    [[ -n $told ]] || told=$(sed -n 's/^Tonlaterne: //p' "$dir/stderr.log" | sort -u | paste -sd ';')
    printf '| %s | %s | %s | %s | %s ms | %s |\n' "$row" "$1" "$2" "$rc" "$end_ms" "$told"
    [[ -z ${3:-} || $1 == "$2" ]] || fail "$3"
}

data() { files "$w" "${wob[@]}"; } # the data files of the row's folder $w

# full DIR: a 64 KiB file system at DIR, holding the data files, then filled.
full() {
    mkdir -p "$1" && mount -t tmpfs -o size=64k tmpfs "$1" || fail "no tmpfs"
    mounts+=("$1")
}
fill() { dd if=/dev/zero of="$1/filler" bs=1k 2>/dev/null; }

# The end saves nothing on a full disk, keeps every byte and says why.
full_disk() { # HOW
    local w=$dir/voll before height
    full "$w"
    data_files "$w" "$dir/m;" 10000 a.wav/b.wav/
    fill "$w"
    before=$(data)
    start "$w"
    case $1 in
    TERM) end TERM ;;
    Ja)
        "$TL_X11" close "$wid" || fail "no close request"
        poll 10 find_window '^Beenden\?$' || fail "no question"
        height=$(size_of "$found" HEIGHT)
        end_ms=$(now_ms)
        xdotool windowfocus --sync "$found" key Return
        # The failed save is told in a taller question of the same caption.
        if poll 10 taller_question_or_gone "$height" && ! gone "$pid"; then
            told='a second question "Beenden?"'
            xdotool windowfocus --sync "$found" key Return
        fi
        ended
        end_ms=$(($(now_ms) - end_ms))
        ;;
    Quellpfade)
        xdotool windowfocus --sync "$wid" key alt+q
        poll 10 find_window '^Quellpfade ändern$' || fail "no source-path window"
        "$TL_X11" close "$found"
        # The window and then its question bear the same caption: Return to the newest.
        if poll 10 find_window '^Quellpfade ändern$' 2; then
            xdotool windowfocus --sync "$found" key Return || fail "no key to the question"
            poll 10 window_closed || fail "the question stays open"
        fi
        end TERM
        ;;
    esac
    report "$before" "$(data)" "data lost"
    [[ $told == *Datenträger\ ist\ voll* || $told == *Beenden* ]] || fail "the failed save is not told"
}
row_full_disk_sigterm() { full_disk TERM; }
row_full_disk_ja() { full_disk Ja; }
row_full_disk_source_window() { full_disk Quellpfade; }

# A folder that takes no new file gets its files overwritten in place: never
# cut short on a full disk, never a pipe waited for.
in_place() { # pipe|full
    local w=$dir/nurlesen before names=()
    full "$w"
    for i in $(seq -w 320); do names+=("lied-$i.wav") && : >"$dir/m/lied-$i.wav"; done
    for i in 318 319 320; do ln -sf "$TL_MEDIA/tone.wav" "$dir/m/lied-$i.wav"; done
    # A queue just short of a page, which the files opened make longer.
    data_files "$w" "$dir/m;" 10000 "$(printf '%s/' "${names[@]:0:314}")"
    [[ $1 == full ]] || { rm "$w/Einstellungen.wob" && mkfifo "$w/Einstellungen.wob"; }
    fill "$w"
    chmod 555 "$w"
    before=$(data)
    vor=(setpriv --inh-caps=-dac_override,-dac_read_search
        --bounding-set=-dac_override,-dac_read_search)
    start "$w" "$dir/m/lied-318.wav" "$dir/m/lied-319.wav" "$dir/m/lied-320.wav"
    vor=()
    end TERM
    report "$before" "$(data)" "data lost"
    grep -q 'nicht gespeichert' "$dir/stderr.log" || fail "no reason on stderr"
}
row_in_place_full() { in_place full; }
row_in_place_pipe() { in_place pipe; }

# Another user's link in a shared folder is not written through.
row_planted_link() {
    local w=$dir/geteilt before
    mkdir -m 1777 "$w"
    data_files "$w" "$dir/m;" 10000 a.wav/
    printf 'export A=1\n' >"$dir/home/.bashrc"
    rm "$w/Einstellungen.wob"
    setpriv --reuid=65534 --regid=65534 --clear-groups ln -s "$dir/home/.bashrc" "$w/Einstellungen.wob"
    before="$(data) bashrc=$(files "$dir/home" .bashrc)"
    start "$w"
    end TERM
    report "$before" "$(data) bashrc=$(files "$dir/home" .bashrc)" "written through the link"
    grep -q 'Verweis eines anderen Benutzers' "$dir/stderr.log" || fail "not told"
}

# The index's path, from a first start in DIR.
index_of() {
    local w=$1
    start "$w"
    poll 20 compgen -G "$cache/bibliothek-*-*" >/dev/null || fail "no index written"
    end TERM
    index=$(compgen -G "$cache/bibliothek-*-*")
    rm "$index"
}

row_index_link() {
    local w=$dir/i before
    mkdir "$w" && data_files "$w" "$dir/m;" 10000 a.wav/
    index_of "$w"
    chmod 1777 "$cache"
    printf 'opfer\n' >"$dir/opfer"
    setpriv --reuid=65534 --regid=65534 --clear-groups ln -s "$dir/opfer" "$index"
    before=$(files "$dir" opfer)
    start "$w"
    poll 20 test -f "$index" -a ! -L "$index"
    end TERM
    [[ $(files "$dir" opfer) == "$before" ]] || fail "written through the link"
    report "index=link $before" "index=$(files "$cache" "${index##*/}" | cut -d= -f2) $before"
    [[ -f $index && ! -L $index ]] || fail "the link is not replaced by an index"
}

row_index_pipe() {
    local w=$dir/p
    mkdir "$w" && data_files "$w" "$dir/m;" 10000 a.wav/
    index_of "$w"
    mkfifo "$index"
    start "$w"
    poll 20 test -f "$index"
    end TERM
    report "index=fifo" "index=$(files "$cache" "${index##*/}" | cut -d= -f2) start=${up_ms}ms"
    [[ -f $index ]] || fail "the pipe is not replaced by an index"
}

# A kill at any moment of the end's save: each file whole, old or new.
row_kill_during_save() {
    local w=$dir/k i f old new leftovers=0 neu=0
    mkdir "$w" && data_files "$w" "$dir/m;" 11000 a.wav/b.wav/
    old=$(data)
    start "$w" && end TERM
    new=$(data)
    [[ $new != "$old" ]] || fail "the end changes nothing to tell old from new"
    for ((i = 0; i < ${TL_KILLS:-50}; i++)); do
        data_files "$w" "$dir/m;" 11000 a.wav/b.wav/
        start "$w"
        kill -TERM "$pid"
        sleep "$(printf '0.%03d' $((RANDOM % 31)))"
        kill -KILL "$pid" 2>/dev/null
        ended
        for f in "${wob[@]}"; do
            [[ " $old $new " == *" $(files "$w" "$f")"* ]] || fail "torn: $(files "$w" "$f")"
        done
        ! compgen -G "$w/.*.tl-*" >/dev/null || leftovers=$((leftovers + 1))
        [[ $(data) != "$new" ]] || neu=$((neu + 1))
    done 2>/dev/null
    start "$w" && end TERM
    compgen -G "$w/.*.tl-*" >/dev/null && fail "a temporary file stays after the next start"
    end_ms=0
    report "${TL_KILLS:-50} kills; $old" "all whole: $neu new, the others old; $leftovers left a temporary file until the next start; new: $new"
}

# Indexes of data folders that are gone, or unused for long, go at a start.
row_stale_indexes() {
    local d before
    for d in a b c; do
        mkdir "$dir/$d" && data_files "$dir/$d" "$dir/m;" 10000 a.wav/
        start "$dir/$d"
        end TERM
    done
    # Each start in a folder of its own leaves an index.
    (($(compgen -G "$cache/bibliothek-*-*" | wc -l) == 3)) || fail "not 3 indexes"
    rm -r "$dir/a"
    touch -c -d '40 days ago' "$cache/bibliothek-$(printf %s "$dir/b" | sha256sum | cut -c1-16).ordner"
    before="indexes=$(compgen -G "$cache/bibliothek-*-*" | wc -l) (a: folder gone, b: unused 40 days, c: starts)"
    start "$dir/c"
    poll 10 test "$(compgen -G "$cache/bibliothek-*-*" | wc -l)" -eq 1
    end TERM
    report "$before" "indexes=$(compgen -G "$cache/bibliothek-*-*" | wc -l)"
    (($(compgen -G "$cache/bibliothek-*-*" | wc -l) == 1)) || fail "stale indexes stay: $(ls "$cache")"
}

# Ten megabytes of source folders: the start reads a bounded number and says so.
row_many_source_folders() {
    local w=$dir/q before peak
    mkdir "$w" && data_files "$w" "" 00000 /
    yes /nx | head -c 10000000 | tr '\n' ';' >"$w/Quellpfad.wob"
    before=$(data)
    start "$w"
    peak=$(sed -n 's/^VmHWM:[[:space:]]*//p' "/proc/$pid/status")
    end TERM
    report "$before" "$(data) peak=$peak start=${up_ms}ms"
    grep -q 'nur die ersten' "$dir/stderr.log" || fail "the cut is not told"
    ((${peak% kB} < 600000)) || fail "peak memory $peak"
}

rows=(full_disk_sigterm full_disk_ja full_disk_source_window in_place_full in_place_pipe
    planted_link index_link index_pipe kill_during_save stale_indexes many_source_folders)
(($# == 0)) || rows=("$@")
((EUID == 0)) || {
    echo "needs root: tmpfs mounts and links of another user" >&2
    exit 77
}

top=$(mktemp -d /tmp/tl-faults.XXXXXX)
chmod 755 "$top"
start_xvfb "$top" "$top/xvfb.log"
# A row cut short by a signal may leave its file system mounted.
trap 'kill $xvfb 2>/dev/null; grep -o " $top/[^ ]*" /proc/mounts | xargs -r umount -l; rm -rf "$top"' EXIT
trap 'exit 143' TERM INT
poll 20 grep -qs . "$top/display" || {
    echo "Xvfb did not start" >&2
    exit 1
}

wob=(Quellpfad.wob Einstellungen.wob Warteliste.wob)
echo '| case | files before | files after | exit status | time to end | told |'
echo '|---|---|---|---|---|---|'
failed=0
for row in "${rows[@]}"; do
    dir=$top/$row cache=$top/$row/home/.cache/Tonlaterne pid='' vor=() mounts=() told=''
    mkdir -p "$dir/home" "$dir/m" && mkdir -m 700 "$dir/run"
    : >"$dir/m/a.wav" && : >"$dir/m/b.wav"
    (
        trap 'kill -KILL $pid 2>/dev/null; for m in "${mounts[@]}"; do umount -l "$m"; done' EXIT
        "row_$row"
    ) || failed=1
done
exit $failed
