#!/usr/bin/env bash
# Drawing time of one frame on the X11 layer, per program and screen size.
# Usage: bench/frame.sh [build dir]   (default build/linux)
set -euo pipefail
build=${1:-build/linux}
# The test screen, frame_bench's own, then a larger one.
for screen in "" 1920x1080; do
  for program in overdraw cleardraw; do
    "$build/bench/frame_bench_$program" ${screen:+--screen="$screen"} --benchmark_repetitions=5 \
      --benchmark_report_aggregates_only=true --benchmark_min_time=2
  done
done
