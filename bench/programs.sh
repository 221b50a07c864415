#!/usr/bin/env bash
# Measures two builds of the Linux programs in the same run at 1920x1080,
# bare and under picom, runs alternating between them, and the after build
# on native sway at 1280x800 and 3840x2160, and writes the
# results to docs/performance.md: timings are medians of RUNS runs of 20
# frames each; instructions are counted by callgrind, the same every run.
#
#   bench/programs.sh BEFORE AFTER [RUNS]    build directories holding overdraw and cleardraw,
#                                            e.g. build/run of two checkouts (cmake --preset run)
#   needs build/linux/bench/program_bench of this checkout
set -euo pipefail
cd "$(dirname "$0")/.."
before=$1
after=$2
runs=${3:-5}
bench=build/linux/bench/program_bench
out=docs/performance.md
# The programs' pause in every frame, as the text below names it.
pause="500 ms"
pairs=(before="$before/overdraw" after="$after/overdraw" before="$before/cleardraw" after="$after/cleardraw")
profile() {
  echo "X server, $1 $2:"
  echo '```'
  "$bench" $2 profile "$1" 10
  echo '```'
}
{
  echo "# Performance"
  echo
  echo "Measured on $(date -u +%Y-%m-%d) on $(nproc) cores of $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"
  echo "$(. /etc/os-release && echo "$PRETTY_NAME"), shared with other work, with"
  echo
  echo "    bench/programs.sh $before $after $runs"
  echo
  echo "before: $before ($(git -C "$before" rev-parse --short HEAD 2>/dev/null || echo '?')),"
  echo "after: $after ($(git -C "$after" rev-parse --short HEAD 2>/dev/null || echo '?'))."
  echo
  echo "## Instructions per frame"
  echo
  echo "The whole process, counted by callgrind between two dumps, one on every entry to the pause; median"
  echo "of 12 frames (\`program_bench [picom] instructions\`). The same for the same build whatever else the"
  echo "machine does."
  echo
  echo "| program | build | instructions per frame |"
  echo "|---|---|---|"
  "$bench" instructions "${pairs[@]}"
  "$bench" picom instructions "${pairs[@]}"
  echo
  echo "## Time and memory"
  echo
  echo "Each run on a virtual 1920x1080 X server of its own, with no window manager, bare or with picom"
  echo "(\`--backend xrender\`). Frames are timed by the server's damage reports over 20 frames. CPU time is"
  echo "the scheduler's accounting (/proc/PID/schedstat deltas) over 20 further frames, counted by the"
  echo "program's pauses with the damage reports stopped, divided by 20; memory is VmHWM. Medians of"
  echo "$runs runs; the runs alternate between the builds. The timings are noisy on a shared machine;"
  echo "under picom the X server's CPU includes the compositing that picom asks of it."
  echo
  echo "| program | build | overhead beyond the $pause pause (ms) | program CPU per frame (ms) | X server CPU per frame (ms) | picom CPU per frame (ms) | peak resident memory (KiB) | start to notice (ms) | dismissal to first frame (ms) | key release to exit (ms) |"
  echo "|---|---|---|---|---|---|---|---|---|---|"
  "$bench" "$runs" "${pairs[@]}"
  "$bench" picom "$runs" "${pairs[@]}"
  echo
  read -r paced backToBack < <("$bench" fill "$runs")
  echo "References, medians of $runs runs:"
  echo
  echo "- One XFillRectangle of the whole 1920x1080 root on a bare server costs the X server $paced ms of CPU"
  echo "  when it comes after a $pause pause, as a clearing frame's does (20 fills), and $backToBack ms back to"
  echo "  back (200 fills), while the screen's memory stays in the caches (\`program_bench fill $runs\`)."
  read -r sleeping drawing < <("$bench" pause "$runs")
  echo "- A process that does nothing but sleep $pause at a time spends $sleeping ms of CPU on each pause, the"
  echo "  cost of waking up on this machine; one that also sends an X server one small request after each"
  echo "  spends $drawing ms, the least any program drawing once a pause can (\`program_bench pause $runs\`)."
  echo
  native=(after="$after/overdraw" after="$after/cleardraw")
  echo "## Native Wayland: sway"
  echo
  echo "The after build alone (the before build has no Wayland backend), on sway 1.7 headless with"
  echo "\`xwayland disable\` and the pixman renderer, so with no X server at all, run as the unprivileged user"
  echo "\`overdraw-test\`, one sway per run with one output of the size given. Instructions as above, the"
  echo "whole process between two dumps at the pause, median of 12 frames (\`program_bench sway instructions\`):"
  echo
  echo "| program | output | build | instructions per frame |"
  echo "|---|---|---|---|"
  "$bench" sway instructions "${native[@]}"
  echo
  echo "CPU time is the scheduler's accounting over 20 frames past the first three, counted by the program's"
  echo "pauses, divided by 20; sway's CPU includes compositing and the headless output's repaints. Memory is"
  echo "VmHWM after those frames. Medians of $runs runs (\`program_bench sway $runs\`):"
  echo
  echo "| program | output | build | program CPU per frame (ms) | sway CPU per frame (ms) | peak resident memory (KiB) |"
  echo "|---|---|---|---|---|---|"
  "$bench" sway "$runs" "${native[@]}"
  echo
  echo "## Where the X server's time goes"
  echo
  echo "perf samples of the X server on the software clock over 10 s of frames, by library"
  echo "(\`program_bench [picom] profile PROGRAM 10\`): pixman composites and fills, libc's memmove"
  echo "copies, the kernel switches and moves the requests."
  echo
  for build in "$before" "$after"; do
    profile "$build/cleardraw" ""
    profile "$build/cleardraw" picom
  done
  echo
  echo "## Program sizes (bytes)"
  echo
  echo "| program | size | stripped |"
  echo "|---|---|---|"
  for file in "$before/overdraw" "$before/cleardraw" "$after/overdraw" "$after/cleardraw"; do
    stripped=$(mktemp)
    objcopy --strip-all "$file" "$stripped"
    echo "| \`$file\` | $(stat -c %s "$file") | $(stat -c %s "$stripped") |"
    rm -f "$stripped"
  done
} >"$out.new"
mv "$out.new" "$out"
cat "$out"
