#!/usr/bin/env bash
# Renders a 1 kHz sine through the stereo and mono plug-in with a command-line LV2 host at
# 44.1 and 48 kHz: the output is finite and, at the default preset, matches the engine run
# directly on the same samples (up to the down-converter's random offset).
source "$(dirname "$0")/soundlib.bash"
require_bundle

for rate in 44100 48000; do
    for layout in stereo mono; do
        channels=2
        [ "$layout" = mono ] && channels=1
        make_sine "$WORK/in.wav" "$rate" "$channels" 0.5 1
        render_host "$layout" "$WORK/in.wav" "$WORK/out.wav"
        to_raw "$WORK/in.wav" "$WORK/in.f32"
        "$PROBE" render "$rate" "$channels" "$WORK/in.f32" "$WORK/engine.f32"

        levels=$("$PROBE" levels "$rate" "$channels" 1000 "$WORK/out.wav")
        echo "$rate $layout host: $levels"
        if echo "$levels" | grep -q 'finite=0'; then fail "$rate $layout: non-finite output"; fi
        while read -r line; do
            check "$(field rms_db "$line") > -20" "$rate $layout: output level too low: $line"
        done <<<"$levels"

        cmp=$("$PROBE" compare "$channels" "$WORK/out.wav" "$WORK/engine.f32") ||
            fail "$rate $layout: host and engine outputs differ in length"
        echo "$rate $layout host vs engine: $cmp"
        a=$(field rms_a_db "$cmp")
        b=$(field rms_b_db "$cmp")
        check "$(field max_abs_diff "$cmp") < 1e-4" "$rate $layout: host output differs from the engine"
        check "($a - $b) < 0.01 && ($b - $a) < 0.01" "$rate $layout: levels differ"
    done
done
echo "PASS"
