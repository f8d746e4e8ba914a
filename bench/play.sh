#!/usr/bin/env bash
# Plays a 60-second mp3 (CBR, no Xing header) through the engine and through
# gst-launch-1.0 at the same time and compares their CPU use; also times "play".
# Usage: bench/play.sh BUILD_DIR (a release build)
set -euo pipefail
build=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
gst-launch-1.0 -q audiotestsrc wave=pink-noise volume=0.3 num-buffers=600 samplesperbuffer=4410 \
  ! audio/x-raw,rate=44100,channels=2 ! lamemp3enc target=bitrate cbr=true bitrate=128 \
  ! filesink location="$tmp/minute.mp3"
"$build/bench/bench_play" "$tmp/minute.mp3"
