#!/bin/bash
# The editor as a user meets it, measured by the LV2 test host on private X servers:
# cold openings (each in a fresh process, 20 times), then reopening, grip steps,
# idle CPU, memory and host automation (EditorTestHost's bench mode).
# Usage: editor_bench.sh TEST_HOST PLUGIN.so [SECONDS_PER_CPU_SAMPLE]
here=$(cd "$(dirname "$0")" && pwd)
with_xvfb="$here/../../tests/integration/with_xvfb.sh"
for _ in $(seq 20); do
  bash "$with_xvfb" "$1" "$2" open | grep -o '[0-9.]* ms$'
done | sort -n | awk '{ v[NR] = $1 } END {
  printf "cold first open, complete frame at 365 x 650: median %.1f ms, worst %.1f ms (%d)\n", v[int(NR / 2) + 1], v[NR], NR }'
exec bash "$with_xvfb" "$1" "$2" bench "${3:-10}"
