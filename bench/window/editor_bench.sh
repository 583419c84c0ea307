#!/bin/bash
# Idle CPU of an open editor over 10 s and time to its first full frame, measured by
# the LV2 test host on a private X server.
# Usage: editor_bench.sh TEST_HOST PLUGIN.so [IDLE_SECONDS]
here=$(cd "$(dirname "$0")" && pwd)
exec bash "$here/../../tests/integration/with_xvfb.sh" "$1" "$2" bench "${3:-10}"
