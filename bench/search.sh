#!/usr/bin/env bash
# Search while typing over a 1,000,000-entry library, next to a grep pipeline.
# Usage: bench/search.sh BUILD_DIR (a release build)   (TL_BENCH_FILES=N for N entries)
set -euo pipefail
# The library's index goes to a cache of its own, not the user's.
cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
# The offscreen platform warns about size hints on every relayout of the window.
XDG_CACHE_HOME=$cache QT_QPA_PLATFORM=offscreen "$1/bench/bench_search" \
  2> >(grep -v 'This plugin does not support' >&2)
