#!/usr/bin/env bash
# Changes tracks CHANGES times (default 2000) through the engine with the real
# sinks and the video window, under Xvfb and under Weston: wav tracks of 0.3 s
# and 320x240 MJPEG films of 0.8 s in turn. Prints the resident memory as it
# goes. Then runs a tenth of that under LeakSanitizer (a sanitizer build of
# bench_soak in BUILD_DIR/soak-asan) with GStreamer's leaks tracer on: neither
# may find anything.
# Usage: bench/soak.sh BUILD_DIR [CHANGES]
set -euo pipefail
build=$(realpath "$1")
changes=${2:-2000}
here=$(dirname "$(realpath "$0")")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

gst-launch-1.0 -q audiotestsrc num-buffers=3 samplesperbuffer=4410 \
  ! audio/x-raw,rate=44100,channels=2 ! wavenc ! filesink location="$tmp/a.wav"
gst-launch-1.0 -q videotestsrc num-buffers=8 ! video/x-raw,width=320,height=240,framerate=10/1 \
  ! jpegenc ! queue ! avimux name=m ! filesink location="$tmp/v.avi" \
  audiotestsrc num-buffers=8 samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=2 \
  ! audioconvert ! queue ! m.
echo "-- X11 (Xvfb)"
QT_QPA_PLATFORM=xcb xvfb-run -a "$build/bench/bench_soak" "$tmp/a.wav" "$tmp/v.avi" "$changes" \
  2>/dev/null

echo "-- Wayland (headless Weston)"
mkdir -m 700 "$tmp/run"
XDG_RUNTIME_DIR=$tmp/run weston --backend=headless-backend.so --use-pixman --socket=tl-soak \
  --idle-time=0 >"$tmp/weston.log" 2>&1 &
weston=$!
for _ in $(seq 100); do [ -S "$tmp/run/tl-soak" ] && break; sleep 0.1; done
XDG_RUNTIME_DIR=$tmp/run WAYLAND_DISPLAY=tl-soak QT_QPA_PLATFORM=wayland \
  "$build/bench/bench_soak" "$tmp/a.wav" "$tmp/v.avi" "$changes" 2>/dev/null
kill "$weston" && wait "$weston" 2>/dev/null || true

echo "-- under LeakSanitizer, $((changes / 10)) changes"
asan=$build/soak-asan
cmake -S "$here/.." -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTL_SANITIZE=ON >/dev/null
cmake --build "$asan" --target bench_soak >/dev/null
# Every GObject gets its own malloc block, so that a lost one shows; slow
# unwinding gives whole stacks through libraries built without frame pointers.
G_SLICE=always-malloc ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0 LSAN_OPTIONS=suppressions=$here/lsan.supp \
  GST_TRACERS=leaks GST_DEBUG=GST_TRACER:7 GST_DEBUG_FILE="$tmp/tracer.log" \
  xvfb-run -a "$asan/bench/bench_soak" "$tmp/a.wav" "$tmp/v.avi" $((changes / 10)) \
  2>"$tmp/asan.log" | grep -v resident || { grep -A30 "leak of" "$tmp/asan.log"; exit 1; }
alive=$(grep -c 'object-alive, type-name=(string)[A-Za-z]' "$tmp/tracer.log" || true)
echo "GStreamer objects alive at exit  $alive (goal 0)"
[ "$alive" -eq 0 ]
