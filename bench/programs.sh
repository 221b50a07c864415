#!/usr/bin/env bash
# Measures both programs from outside at 1920x1080 (medians of several runs),
# on a bare server and under picom, the Windows builds under Wine beside them,
# the instructions of one frame, and the size of every program, and writes
# the results to docs/performance.md.
#
#   bench/programs.sh [RUNS]     (after ./test.sh has built everything)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
out=docs/performance.md
mkdir -p docs
{
  echo "# Performance"
  echo
  echo "Measured on $(date -u +%Y-%m-%d) on $(nproc) cores of $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"
  echo "$(. /etc/os-release && echo "$PRETTY_NAME"), with \`bench/programs.sh $runs\` (medians of $runs runs), \`bench/frame.sh\`"
  echo "and \`bench/instructions.sh\`."
  echo
  echo "## The programs, measured from outside"
  echo
  echo "On a virtual 1920x1080 X server of each run's own, with no window manager, bare or with picom"
  echo "(\`--backend xrender\`) compositing, where the programs draw through their overlay. Frames are timed by"
  echo "the server's damage reports, CPU time by the scheduler's accounting (/proc/PID/schedstat), memory by"
  echo "VmHWM; under picom the X server's CPU includes the compositing that picom asks of it."
  echo "Under Wine, drawing on the screen device context does not reach the X screen: there a relay trace"
  echo "limited to the notice and the polyline call times the frames, and the X server's share is not measured."
  echo
  echo "| program | start to notice (ms) | dismissal to first frame (ms) | frame period (ms) | overhead beyond the 500 ms pause (ms) | program CPU per frame (ms) | X server CPU per frame (ms) | key release to exit (ms) | peak resident memory (KiB) |"
  echo "|---|---|---|---|---|---|---|---|---|"
  for program in overdraw cleardraw; do
    build/linux/bench/program_bench "build/linux/$program" "$runs"
  done
  for program in overdraw cleardraw; do
    build/linux/bench/program_bench "build/linux/$program" "$runs" picom
  done
  for build in win32 win64; do
    for program in overdraw cleardraw; do
      python3 bench/wine_bench.py "build/$build/$program.exe" "build/$build/tests/post_message.exe" 3
    done
  done
  echo
  echo "On X11 the key is released right after a frame was drawn, so \"key release to exit\" is the worst"
  echo "case: the whole next frame, pause included, runs before the release is read. Under Wine the WM_KEYUP"
  echo "is posted at no particular point of a frame, and the time includes the helper that posts it."
  echo
  echo "## Drawing one frame on the X11 layer, without the pause"
  echo
  echo '```'
  bench/frame.sh 2>&1 | grep -E '^screen:|_median'
  echo '```'
  echo
  echo "## Instructions per frame"
  echo
  echo "Counted by callgrind, so the same for the same build whatever else the machine does: the real"
  echo "DrawFrame on the X11 layer at 1920x1080, without the pause."
  echo
  echo '```'
  bench/instructions.sh
  echo '```'
  echo
  echo "## Program sizes (bytes)"
  echo
  echo "The Linux programs are built with debug information; \"stripped\" is what \`cmake --install --strip\`"
  echo "would install. The Windows programs are built stripped."
  echo
  echo "| program | size | stripped |"
  echo "|---|---|---|"
  for file in build/linux/overdraw build/linux/cleardraw build/win32/overdraw.exe build/win32/cleardraw.exe \
              build/win64/overdraw.exe build/win64/cleardraw.exe; do
    stripped=$(mktemp)
    objcopy --strip-all "$file" "$stripped" 2>/dev/null || x86_64-w64-mingw32-objcopy --strip-all "$file" "$stripped"
    echo "| \`$file\` | $(stat -c %s "$file") | $(stat -c %s "$stripped") |"
    rm -f "$stripped"
  done
} >"$out.new"
mv "$out.new" "$out"
cat "$out"
