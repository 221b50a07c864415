#!/usr/bin/env bash
# Instructions the program executes per frame, counted by callgrind: the
# real DrawFrame on the X11 layer at 1920x1080, without the pause.
# Deterministic for a given build, unlike times.
# Usage: bench/instructions.sh [build dir]   (default build/linux)
set -euo pipefail
build=${1:-build/linux}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for program in overdraw cleardraw; do
  valgrind --tool=callgrind --toggle-collect='DrawFrame()' --compress-strings=no --callgrind-out-file="$out" \
    "$build/bench/frame_bench_$program" --screen=1920x1080 --benchmark_min_time=0.2 >/dev/null 2>&1
  # Every frame steps the figure once.
  awk -v program="$program" '
    /^summary:/ { total = $2 }
    /^cfn=StepFigure\(\)/ { step = 1; next }
    step && /^calls=/ { sub("calls=", ""); frames += $1; step = 0 }
    END { printf "%s: %d instructions per frame (%d frames)\n", program, total / frames, frames }' "$out"
done
