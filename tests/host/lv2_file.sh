#!/usr/bin/env bash
# A command-line host renders a file through both plug-ins, one control set by symbol.
set -euo pipefail
: "${LV2_PATH:?set LV2_PATH to the folder holding Velmorin-Free.lv2}"
export LV2_PATH
base="https://drevkin.example/velmorin-free/515A504E"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sox -n -r 48000 -c 2 -b 16 "$work/stereo.wav" synth 1.0 sine 220 sine 330 vol 0.5
sox -n -r 44100 -c 1 -b 16 "$work/mono.wav" synth 1.0 sine 440 vol 0.5

render() { # layout input output
    if ! lv2file --ignore-clipping -i "$2" -o "$3" -p p0:0.5 "$base#$1" >"$work/log" 2>&1; then
        grep -v -e lilv_world -e 'failed to open' "$work/log" || true
        echo "lv2file failed for $1"
        exit 1
    fi
    local in_len out_len
    in_len=$(soxi -s "$2")
    out_len=$(soxi -s "$3")
    if [ "$in_len" != "$out_len" ]; then
        echo "$1: output has $out_len frames, input $in_len"
        exit 1
    fi
    local peak
    peak=$(sox "$3" -n stat 2>&1 | sed -n 's/^Maximum amplitude: *//p')
    if awk -v p="$peak" 'BEGIN { exit !(p > 0.0001) }'; then
        echo "$1: rendered, peak $peak"
    else
        echo "$1: output is silent (peak $peak)"
        exit 1
    fi
}

render stereo "$work/stereo.wav" "$work/stereo_out.wav"
render mono "$work/mono.wav" "$work/mono_out.wav"
