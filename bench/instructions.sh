#!/usr/bin/env bash
# Instructions the whole process of each program runs per frame at
# 1920x1080, counted by callgrind between two dumps (one on every entry to
# the pause). Deterministic for a given build, unlike times.
# Usage: bench/instructions.sh [build dir]   (default build/linux)
set -euo pipefail
build=${1:-build/linux}
build/linux/bench/program_bench instructions "$build=$build/overdraw" "$build=$build/cleardraw"
