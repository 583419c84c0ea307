#!/usr/bin/env bash
# Main job: installs the dependencies, builds the LV2 bundle, then runs the demo
# (scripts/demo.sh) or, without one, renders a short test tone through the stereo
# plug-in.  Runs from any folder.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="${VF_JOBS:-2}"

"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$root/build" -DVF_SANITIZE=
cmake --build "$root/build" --target velmorin_free -j "$jobs"
echo "Bundle: $root/build/Velmorin-Free.lv2"

if [ -x "$root/scripts/demo.sh" ] || [ -f "$root/scripts/demo.sh" ]; then
    BUILD_DIR="$root/build" exec bash "$root/scripts/demo.sh"
fi

out="$root/build/demo"
mkdir -p "$out"
sox -n -r 48000 -c 2 -b 24 "$out/input.wav" synth 2.0 sine 110 sine 165 vol 0.7
LV2_PATH="$root/build" lv2file --ignore-clipping -i "$out/input.wav" -o "$out/output.wav" \
    -p p2:0.6 -p p3:0.4 "https://drevkin.example/velmorin-free/515A504E#stereo" 2>/dev/null
echo "Rendered $out/output.wav (input: $out/input.wav)"
