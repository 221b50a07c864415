#!/usr/bin/env bash
# Where the X server's time goes while a program draws at 1920x1080, bare or
# under picom: perf samples of the server on the software clock (no hardware
# counters needed), by library, over SECONDS of frames.
#
#   bench/server_profile.sh PROGRAM [picom] [SECONDS]
set -euo pipefail
program=$1
compositor=${2:-}
seconds=${3:-10}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait || true; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
server=$!
until [ -s "$work/display" ]; do sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
if [ "$compositor" = picom ]; then
  picom --backend xrender --config /dev/null 2>/dev/null &
  # Its window of its own appears as it takes the compositor's selection; it redirects the windows a moment later.
  xdotool search --sync --name '^picom$' >/dev/null
  sleep 1
fi
"$program" >/dev/null 2>&1 &
# The notice, captioned "test", is dismissed.
xdotool search --sync --onlyvisible --name "^test$" >/dev/null
sleep 0.2
xdotool key Return
sleep 2
perf record -q -e cpu-clock -p "$server" -o "$work/perf.data" -- sleep "$seconds" 2>/dev/null
perf report -i "$work/perf.data" --stdio --sort dso 2>/dev/null | grep -v "^#" | grep -v "^$" | head -8
