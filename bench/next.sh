#!/usr/bin/env bash
# Next press to the next track playing, through the real engine.
# Usage: bench/next.sh BUILD_DIR (a release build)
set -euo pipefail
build=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for f in 440 550 660 770; do
  gst-launch-1.0 -q audiotestsrc freq=$f num-buffers=40 samplesperbuffer=4410 \
    ! audio/x-raw,rate=44100,channels=2 ! lamemp3enc ! xingmux ! filesink location="$tmp/t$f.mp3"
  gst-launch-1.0 -q audiotestsrc freq=$f num-buffers=40 samplesperbuffer=4410 \
    ! audio/x-raw,rate=44100,channels=2 ! wavenc ! filesink location="$tmp/t$f.wav"
done
"$build/bench/bench_next" "$tmp"/*
