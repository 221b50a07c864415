#!/usr/bin/env bash
# Runs a program on a virtual 1024x768 X server of its own, dismisses the
# notice, records its frames into an animated GIF, releases a key to end it
# and prints the GIF's path.
#
#   scripts/record-demo.sh PROGRAM SECONDS [OUTPUT.gif]
set -euo pipefail
program=$1
seconds=$2
name=$(basename "$program")
output=${3:-$PWD/build/$name-demo.gif}
work=$(mktemp -d)
server=""
pid=""
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

"$program" &
pid=$!
# The notice box is the first window the program maps.
xdotool search --sync --name '^test$' >/dev/null
sleep 0.3
xwd -root -silent >"$work/frame-000.xwd"
xdotool key Return

# Two pictures a frame, for as long as asked.
count=$((seconds * 4))
for i in $(seq 1 "$count"); do
  sleep 0.25
  xwd -root -silent >"$work/frame-$(printf %03d "$i").xwd"
done

xdotool key Escape
status=0
wait "$pid" || status=$?
pid=""
if [ "$status" -ne 0 ]; then
  echo "$name exited with $status" >&2
  exit "$status"
fi

mkdir -p "$(dirname "$output")"
convert -delay 25 -loop 0 "$work"/frame-*.xwd "$output"
echo "$output"
