#!/usr/bin/env bash
# Renders the 31 MIDI files of openttd-openmsx through the engine and prints
# their peak and RMS levels; none may reach full scale.
# Usage: bench/midi.sh BUILD_DIR (a release build)
set -euo pipefail
build=$(realpath "$1")
"$build/bench/bench_midi" /usr/share/games/openttd/baseset/openmsx/*.mid
