#!/usr/bin/env bash
# Search while typing over a 100,000-entry library, next to a grep pipeline.
# Usage: bench/search.sh BUILD_DIR (a release build)
set -euo pipefail
# The offscreen platform warns about size hints on every relayout of the window.
QT_QPA_PLATFORM=offscreen "$1/bench/bench_search" 2> >(grep -v 'This plugin does not support' >&2)
