#!/usr/bin/env bash
# Library build and start-up on a synthetic tree of empty files.
# Usage: bench/library.sh BUILD_DIR   (TL_BENCH_FILES=N for another tree size)
set -euo pipefail
build=$(realpath "${1:-build/release}")
files=${TL_BENCH_FILES:-100000}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/bench/gentree" "$tmp/Musik" "$files"
"$build/bench/bench_library" "$tmp/Musik"
