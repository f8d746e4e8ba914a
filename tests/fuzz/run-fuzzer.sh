#!/usr/bin/env bash
# Runs one fuzzer for a bounded time from its seed inputs; a crash leaves its
# input beside the work folder and fails the run.
# Usage: run-fuzzer.sh FUZZER SECONDS WORK_DIR SEED_DIR
set -euo pipefail
fuzzer=$1 seconds=$2 work=$3 seeds=$4
mkdir -p "$work"
exec "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=4096 -max_len=4096 \
  -artifact_prefix="$work-" -print_final_stats=1 "$work" "$seeds"
