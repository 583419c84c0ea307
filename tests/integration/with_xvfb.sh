#!/bin/bash
# Runs a command on a private virtual X server and stops that server afterwards.
# The server picks a free display number itself, so tests never collide.
# Usage: with_xvfb.sh [--screen WxHxD] COMMAND [ARGS...]
set -u
screen=1280x1200x24
if [ "${1:-}" = "--screen" ]; then
  screen=$2
  shift 2
fi
if ! command -v Xvfb >/dev/null; then
  echo "SKIP: no Xvfb"
  exit 77
fi
fifo=$(mktemp -u /tmp/vf-xvfb.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
number=""
read -r -t 15 number <"$fifo"
rm -f "$fifo"
stop_server() {
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
}
trap stop_server EXIT
if [ -z "$number" ]; then
  echo "Xvfb did not start"
  exit 1
fi
export DISPLAY=":$number"
"$@"
