#!/usr/bin/env bash
# What a host learns about each plug-in: port count, port symbols, preset, editor.
set -euo pipefail
: "${LV2_PATH:?set LV2_PATH to the folder holding Velmorin-Free.lv2}"
export LV2_PATH
base="https://drevkin.example/velmorin-free/515A504E"
fail=0

check() { # layout ports symbols...
    local uri="$base#$1" ports="$2"
    shift 2
    local info
    info=$(lv2info "$uri" 2>/dev/null)
    local count
    count=$(grep -c '^	Port [0-9]*:' <<<"$info" || true)
    if [ "$count" != "$ports" ]; then
        echo "$uri: $count ports, expected $ports"
        fail=1
    fi
    local symbols
    symbols=$(sed -n 's/^		Symbol: *//p' <<<"$info" | tr '\n' ' ')
    if [ "$symbols" != "$* " ]; then
        echo "$uri: symbols '$symbols', expected '$* '"
        fail=1
    fi
    grep -q '^	         Default$' <<<"$info" || { echo "$uri: preset Default missing"; fail=1; }
    grep -q "$base#ui" <<<"$info" || { echo "$uri: editor missing"; fail=1; }
    grep -q 'Has latency: *yes' <<<"$info" || { echo "$uri: latency port not recognised"; fail=1; }
}

check mono 10 p0 p1 p2 p3 p4 p5 input_6 output_0 latency lv2_events_in
check stereo 12 p0 p1 p2 p3 p4 p5 input_6 input_7 output_0 output_1 latency lv2_events_in
[ "$fail" = 0 ] && echo "lv2info OK"
exit "$fail"
