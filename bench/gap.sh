#!/usr/bin/env bash
# Records what the player plays into a private PulseAudio null sink and
# measures its track changes:
#  - wav, mp3, mixed (wav, mp3, wma): one 441 Hz sine cut into pieces of odd
#    sample counts; bench_gaps compares each join with the pieces decoded one
#    by one (goal: no join broken, no sample lost or added);
#  - film and wav in turn: tones of differing pitch, where bench_gaps finds
#    the silence between tracks (goal: median <= 30 ms).
# Usage: bench/gap.sh BUILD_DIR [PROGRAM] (PROGRAM defaults to BUILD_DIR/tonlaterne)
set -euo pipefail
build=$(realpath "$1")
program=$(realpath "${2:-$build/tonlaterne}")
tmp=$(mktemp -d)
pids=()
cleanup() {
  # The recorder and the keep-alive stream first, then the server they use.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  rm -rf "$tmp"
}
trap cleanup EXIT

mkdir -p "$tmp/run"
chmod 700 "$tmp/run"
export XDG_RUNTIME_DIR=$tmp/run PULSE_RUNTIME_PATH=$tmp/run/pulse HOME=$tmp/run
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
  -L module-native-protocol-unix -L "module-null-sink sink_name=rec" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink rec
# An idle null sink starts each new stream late; a silent stream keeps it awake.
pacat -p --raw --format=s16le --rate=44100 --channels=2 --latency-msec=5 </dev/zero &
pids+=($!)

# Plays the folder $1 from its first track for $2 seconds into $1.rec.
record() {
  local music=$1 seconds=$2 work
  work=$(mktemp -d "$tmp/work.XXXX")
  printf '%s;\r\n' "$music" >"$work/Quellpfad.wob"
  printf '00100\r\n' >"$work/Einstellungen.wob" # play a track at start
  parec -d rec.monitor --raw --format=s16le --rate=44100 --channels=1 --latency-msec=10 \
    >"$music.rec" &
  local recorder=$!
  (cd "$work" && QT_QPA_PLATFORM=offscreen exec "$program" >/dev/null 2>&1) &
  local player=$!
  sleep "$seconds"
  kill -TERM "$player"
  wait "$player" 2>/dev/null || true
  kill "$recorder"
  wait "$recorder" 2>/dev/null || true
}

# Writes samples FROM to FROM+COUNT of the sine as a mono wav.
sine() {
  python3 - "$@" <<'PY'
import math, struct, sys, wave
path, start, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
w = wave.open(path, "wb")
w.setnchannels(1); w.setsampwidth(2); w.setframerate(44100)
w.writeframes(b"".join(struct.pack("<h", round(12000 * math.sin(2 * math.pi * n / 100)))
                       for n in range(start, start + count)))
w.close()
PY
}

# Cuts the sine into pieces in the formats named, one piece each, plays them
# and compares each join.
joins() {
  local name=$1
  shift
  local music=$tmp/$name from=0 k=0 joins=() seconds=3
  mkdir -p "$music"
  : >"$music.ref"
  for ext in "$@"; do
    local count=$((50000 + 7919 * k)) piece=$music/$k
    sine "$piece.wav" "$from" "$count"
    case $ext in
    mp3) lame --quiet "$piece.wav" "$piece.mp3" && rm "$piece.wav" ;;
    wma)
      gst-launch-1.0 -q filesrc location="$piece.wav" ! wavparse ! audioconvert \
        ! avenc_wmav2 ! asfmux ! filesink location="$piece.wma" && rm "$piece.wav"
      ;;
    esac
    gst-launch-1.0 -q filesrc location="$piece.$ext" ! decodebin ! audioconvert \
      ! audio/x-raw,format=S16LE,channels=1,rate=44100 ! filesink location="$tmp/piece.raw"
    ((k > 0)) && joins+=($(($(stat -c %s "$music.ref") / 2)))
    cat "$tmp/piece.raw" >>"$music.ref"
    from=$((from + count))
    seconds=$((seconds + count / 44100 + 1))
    k=$((k + 1))
  done
  record "$music" "$seconds"
  echo "-- $name"
  "$build/bench/bench_gaps" joins "$music.rec" "$music.ref" "${joins[@]}" | tail -n 1
}

# Films and wav tracks in turn, each a tone of its own pitch: no gapless
# change is possible between them, and bench_gaps finds the silence.
tones() {
  local music=$tmp/film
  mkdir -p "$music"
  local hz=(440 660 880 660)
  for k in 0 1 2 3 4 5 6 7; do
    local audio="audiotestsrc freq=${hz[k % 4]} volume=0.5 num-buffers=$((12 + k)) samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=2 ! audioconvert"
    if ((k % 2)); then
      gst-launch-1.0 -q $audio ! wavenc ! filesink location="$music/$k.wav"
    else
      gst-launch-1.0 -q videotestsrc num-buffers=$((12 + k)) \
        ! video/x-raw,width=320,height=240,framerate=10/1 ! jpegenc ! queue ! avimux name=m \
        ! filesink location="$music/$k.avi" $audio ! queue ! m.
    fi
  done
  record "$music" 20
  echo "-- film and wav in turn"
  "$build/bench/bench_gaps" tones "$music.rec" | tail -n 1
}

joins wav wav wav wav wav wav wav wav wav
joins mp3 mp3 mp3 mp3 mp3 mp3 mp3 mp3 mp3
joins mixed wav mp3 wma wav mp3 wma wav mp3 wma
tones
