#!/usr/bin/env bash
# Builds and runs overdraw (or cleardraw). With a display it runs there.
# Without one it runs on a virtual X server of its own, dismisses the notice,
# records a few seconds of frames into an animated GIF, ends the program with
# a key release and prints the picture's path.
#
#   ./run.sh [overdraw|cleardraw] [seconds]
set -euo pipefail
cd "$(dirname "$0")"
program=${1:-overdraw}
seconds=${2:-4}
case "$program" in overdraw|cleardraw) ;; *) echo "usage: $0 [overdraw|cleardraw] [seconds]" >&2; exit 2 ;; esac

source scripts/packages.sh
packages=("${build_packages[@]}")
[ -n "${DISPLAY:-}" ] || packages+=("${run_packages[@]}")
scripts/install-packages.sh "${packages[@]}"
cmake --preset run >/dev/null
# Both programs, so that cpack can package the build folder as it is, and the tools that record them.
cmake --build --preset run >/dev/null

if [ -n "${DISPLAY:-}" ]; then
  exec "build/run/$program"
fi
exec build/run/tools/virtual_screen build/run/tools/record_demo "build/run/$program" "$seconds"
