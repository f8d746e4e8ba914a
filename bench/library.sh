#!/usr/bin/env bash
# Library build and start-up on synthetic trees of empty files, 100,000 and
# 1,000,000 of them, with a warm and (as root) a cold page cache.
# Usage: bench/library.sh BUILD_DIR   (TL_BENCH_FILES=N for one tree of N files)
set -euo pipefail
build=$(realpath "${1:-build/release}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for files in ${TL_BENCH_FILES:-100000 1000000}; do
  # Warm runs, cold runs: the big tree takes long enough for fewer.
  runs="5 3"
  [ "$files" -ge 1000000 ] && runs="3 1"
  "$build/bench/gentree" "$tmp/Musik" "$files"
  sync # a tree still being written out would slow the first runs
  # shellcheck disable=SC2086
  "$build/bench/bench_library" "$tmp/Musik" $runs
  rm -rf "$tmp/Musik"
done
