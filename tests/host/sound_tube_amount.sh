#!/usr/bin/env bash
# Raising both "Tube amount" controls (ports p2 and p3, normalized) from 0 to 1 raises the
# third harmonic of a 1 kHz sine, through the stereo and the mono plug-in.
source "$(dirname "$0")/soundlib.bash"
require_bundle

for rate in 44100 48000; do
    for layout in stereo mono; do
        channels=2
        [ "$layout" = mono ] && channels=1
        make_sine "$WORK/in.wav" "$rate" "$channels" 0.5 1
        render_host "$layout" "$WORK/in.wav" "$WORK/clean.wav" -p p2:0 -p p3:0
        render_host "$layout" "$WORK/in.wav" "$WORK/tube.wav" -p p2:1 -p p3:1
        clean=$("$PROBE" levels "$rate" "$channels" 1000 "$WORK/clean.wav" | head -n 1)
        tube=$("$PROBE" levels "$rate" "$channels" 1000 "$WORK/tube.wav" | head -n 1)
        echo "$rate $layout tube 0:   $clean"
        echo "$rate $layout tube 100: $tube"
        check "$(field h3_db "$tube") > $(field h3_db "$clean") + 3" "$rate $layout: third harmonic did not rise"
        # Relative to the fundamental as well, so that a plain level change cannot pass.
        check "$(field h3_db "$tube") - $(field h1_db "$tube") > $(field h3_db "$clean") - $(field h1_db "$clean") + 3" \
            "$rate $layout: third harmonic did not rise relative to the fundamental"
    done
done
echo "PASS"
