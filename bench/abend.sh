#!/usr/bin/env bash
# A scripted evening on a library of 1,000,000 files with the window's thread
# watched by a 10 ms timer: the longest stall of its event loop, step by step.
# Usage: bench/abend.sh BUILD_DIR (a release build)   (TL_BENCH_FILES=N for N files)
set -euo pipefail
build=$(realpath "${1:-build/release}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/bench/gentree" "$tmp/Musik" "${TL_BENCH_FILES:-1000000}" >/dev/null
# GStreamer's plugin registry is built once, by the recordings below, as on a
# machine that has run GStreamer before: the evening starts warm.
export GST_REGISTRY="$tmp/registry.bin"
gst-launch-1.0 -q audiotestsrc num-buffers=20 samplesperbuffer=4410 \
  ! audio/x-raw,rate=44100,channels=2 ! wavenc ! filesink location="$tmp/ton.wav"
gst-launch-1.0 -q audiotestsrc freq=660 num-buffers=20 samplesperbuffer=4410 \
  ! audio/x-raw,rate=44100,channels=2 ! lamemp3enc ! xingmux ! filesink location="$tmp/ton.mp3"
# The index and covers go to a cache of their own, not the user's.
XDG_CACHE_HOME="$tmp/cache" QT_QPA_PLATFORM=offscreen \
  "$build/bench/bench_abend" "$tmp/Musik" "$tmp/ton.wav" "$tmp/ton.mp3" \
  2> >(grep -v 'This plugin does not support' >&2)
