#!/usr/bin/env bash
# Measures the silence between tracks as the user hears it: the real program
# plays a folder of tones (wav and mp3, 440/660/880 Hz, 1.3 to 1.8 s) into a
# private PulseAudio null sink, parec records it, bench_gaps finds the gaps.
# Usage: bench/gap.sh BUILD_DIR [PROGRAM] (PROGRAM defaults to BUILD_DIR/tonlaterne)
set -euo pipefail
build=$(realpath "$1")
program=$(realpath "${2:-$build/tonlaterne}")
seconds=${GAP_SECONDS:-40}
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

mkdir -p "$tmp/music" "$tmp/work" "$tmp/run"
# Sorted by name the tracks change pitch at every step, alternating wav and
# mp3; lengths that are no multiple of the player's 500 ms tick make its ends
# fall at every phase of the tick. The lame encoder writes the encoder delay
# and padding into the mp3, as real files have them, so that the decoder
# trims them: what silence remains is the player's.
hz=(440 660 880)
for k in 0 1 2 3 4 5; do
  wav=$tmp/music/$k-${hz[k % 3]}.wav
  gst-launch-1.0 -q audiotestsrc freq="${hz[k % 3]}" volume=0.5 num-buffers=$((13 + k)) \
    samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=2 ! wavenc ! filesink location="$wav"
  if ((k % 2)); then lame --quiet "$wav" "${wav%.wav}.mp3" && rm "$wav"; fi
done
printf '%s;\r\n' "$tmp/music" >"$tmp/work/Quellpfad.wob"
printf '00100\r\n' >"$tmp/work/Einstellungen.wob" # play a track at start

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
parec -d rec.monitor --raw --format=s16le --rate=44100 --channels=1 --latency-msec=10 \
  >"$tmp/rec.raw" &
pids+=($!)

(cd "$tmp/work" && QT_QPA_PLATFORM=offscreen exec "$program" >/dev/null 2>&1) &
player=$!
sleep "$seconds"
kill -TERM "$player"
wait "$player" 2>/dev/null || true
"$build/bench/bench_gaps" "$tmp/rec.raw"
