#!/usr/bin/env bash
# Opening files from outside into a library of 1,000,000 entries with the main
# window on screen: one file of the library, one from outside, a folder of
# 1,000 new files and the same folder again.
# Usage: bench/open.sh BUILD_DIR   (TL_BENCH_FILES=N for a library of N files)
set -euo pipefail
build=$(realpath "${1:-build/release}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/bench/gentree" "$tmp/Musik" "${TL_BENCH_FILES:-1000000}" >/dev/null
# The index of the first start goes with the tree.
export XDG_CACHE_HOME="$tmp/cache"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_open" "$tmp/Musik" \
  2> >(grep -v 'This plugin does not support' >&2)
