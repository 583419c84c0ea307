#!/usr/bin/env bash
# Demo of the plug-in's sound: renders a short guitar-like and drum-like signal through the
# stereo plug-in with a command-line LV2 host at a few settings, and writes the WAV files,
# spectrograms, a harmonic-level plot and a table of levels into $BUILD_DIR/demo.
#
#   scripts/demo.sh            (BUILD_DIR defaults to "build"; build the bundle first)
set -euo pipefail

cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
BUILD_DIR=$(cd "$BUILD_DIR" 2>/dev/null && pwd) || { echo "demo: no build folder '${BUILD_DIR}'" >&2; exit 1; }
BUNDLE="$BUILD_DIR/Velmorin-Free.lv2"
OUT="$BUILD_DIR/demo"
RATE=48000

for tool in sox lv2file lv2ls gnuplot; do
    command -v "$tool" >/dev/null || { echo "demo: $tool is not installed" >&2; exit 1; }
done
[ -f "$BUNDLE/manifest.ttl" ] || { echo "demo: no bundle at $BUNDLE; build it first (scripts/run.sh)" >&2; exit 1; }

# The level and harmonic measurements come from the sound probe of the test suite.
PROBE="$BUILD_DIR/sound_probe"
if [ ! -x "$PROBE" ]; then
    cmake --build "$BUILD_DIR" --target sound_probe -j2 >/dev/null ||
        { echo "demo: cannot build sound_probe in $BUILD_DIR (configure with tests on)" >&2; exit 1; }
fi

export LV2_PATH="$BUILD_DIR"
# lilv reports every non-bundle entry of the build folder on stderr: keep only the URI.
URI=$(lv2ls 2>/dev/null | grep -E '#stereo$' | head -n 1 || true)
[ -n "$URI" ] || { echo "demo: the stereo plug-in is not visible to LV2 hosts in $BUILD_DIR" >&2; exit 1; }

mkdir -p "$OUT"
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
synth() { sox -n -r "$RATE" -c 1 -b 32 -e floating-point "$@"; }

# --- The demo signal -------------------------------------------------------------------
# A strummed E major chord (plucked strings, 12 ms apart), a kick-and-snare pattern, then a
# rising sine sweep: low notes, transients and a clean tone that shows the harmonics grow.
notes=(E2 B2 E3 G#3 B3 E4)
parts=()
for i in "${!notes[@]}"; do
    synth "$TMP/note$i.wav" synth 2.6 pluck "${notes[$i]}" fade 0 2.6 1.2 pad "0.0$((i * 12 / 10))" 0
    parts+=("$TMP/note$i.wav")
done
sox -m "${parts[@]}" "$TMP/chord.wav" trim 0 2.6
synth "$TMP/kick.wav" synth 0.25 sine 110-40 fade 0 0.25 0.2 pad 0 0.25
synth "$TMP/snare.wav" synth 0.12 whitenoise fade 0 0.12 0.1 vol 0.5 pad 0.25 0.13
sox -m "$TMP/kick.wav" "$TMP/snare.wav" "$TMP/beat.wav"
sox "$TMP/beat.wav" "$TMP/beats.wav" repeat 5 trim 0 2.6
sox -m -v 0.8 "$TMP/chord.wav" -v 0.7 "$TMP/beats.wav" "$TMP/partA.wav"
synth "$TMP/partB.wav" synth 2 sine 80-5000 vol 0.5 fade 0.05 2 0.1
sox "$TMP/partA.wav" "$TMP/partB.wav" "$TMP/mono.wav" gain -n -3
sox "$TMP/mono.wav" -c 2 "$OUT/input.wav"

# --- Renders ----------------------------------------------------------------------------
# name | lv2file control options (ports take normalized values) | description
settings=(
    "defaults||defaults (input -4 dB, tube 0 %, brilliance on)"
    "tube50|-p p2:0.5 -p p3:0.5|both tube amounts 50 %"
    "tube100|-p p2:1 -p p3:1|both tube amounts 100 %"
    "edge|-p p1:1|edge on"
)

render() { # render NAME OPTIONS IN OUT
    # shellcheck disable=SC2086
    lv2file --ignore-clipping -b 512 $2 -i "$3" -o "$4" "$URI" >"$TMP/lv2file.log" 2>&1 ||
        { cat "$TMP/lv2file.log" >&2; echo "demo: rendering $1 failed" >&2; exit 1; }
}

field() { echo "$2" | tr ' ' '\n' | sed -n "s/^$1=//p"; }

spectrogram() { # spectrogram WAV PNG TITLE: scaled by the probe first, since sox clips floats above 1
    "$PROBE" scale 0.25 "$1" "$TMP/scaled.f32"
    sox -t raw -r "$RATE" -c 2 -e floating-point -b 32 "$TMP/scaled.f32" -n remix 1 \
        spectrogram -x 900 -y 400 -z 100 -t "$3" -c "Velmorin-Free demo (shown 12 dB down)" -o "$2"
}

spectrogram "$OUT/input.wav" "$OUT/input.png" "demo signal before the plug-in"

sox -n -r "$RATE" -c 2 -b 32 -e floating-point "$TMP/sine.wav" synth 1 sine 1000 vol 0.5
printf '%-9s %-48s %9s %9s %9s %9s\n' "render" "setting" "peak dB" "rms dB" "H1 dB" "H3 dB" >"$OUT/levels.txt"
inputSummary=$("$PROBE" summary "$OUT/input.wav")
printf '%-9s %-48s %9s %9s %9s %9s\n' "input" "demo signal" "$(field peak_db "$inputSummary")" \
    "$(field rms_db "$inputSummary")" "-" "-" >>"$OUT/levels.txt"
: >"$TMP/harmonics.dat"
for entry in "${settings[@]}"; do
    IFS='|' read -r name options description <<<"$entry"
    render "$name" "$options" "$OUT/input.wav" "$OUT/$name.wav"
    spectrogram "$OUT/$name.wav" "$OUT/$name.png" "$description"
    render "$name" "$options" "$TMP/sine.wav" "$TMP/sine_$name.wav"
    summary=$("$PROBE" summary "$OUT/$name.wav")
    [ "$(field finite "$summary")" = 1 ] || { echo "demo: $name produced non-finite samples" >&2; exit 1; }
    harmonics=$("$PROBE" levels "$RATE" 2 1000 "$TMP/sine_$name.wav" | head -n 1)
    printf '%s' "$name" >>"$TMP/harmonics.dat"
    for h in 1 2 3 4 5; do printf ' %s' "$(field "h${h}_db" "$harmonics")" >>"$TMP/harmonics.dat"; done
    echo >>"$TMP/harmonics.dat"
    printf '%-9s %-48s %9s %9s %9s %9s\n' "$name" "$description" "$(field peak_db "$summary")" \
        "$(field rms_db "$summary")" "$(field h1_db "$harmonics")" "$(field h3_db "$harmonics")" >>"$OUT/levels.txt"
done
cp "$TMP/harmonics.dat" "$OUT/harmonics.dat"

# Harmonic levels of a 1 kHz sine at -6 dBFS for each setting (floored at -120 dB).
gnuplot <<GNUPLOT
set terminal pngcairo size 900,500 noenhanced
set output "$OUT/harmonics.png"
set title "Harmonics of a 1 kHz sine at -6 dBFS through Velmorin-Free"
set style data histogram
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set ylabel "level (dBFS)"
# Bars rise from the -120 dB floor: values are drawn 120 dB up and the axis relabelled.
set yrange [0:135]
set ytics ("-120" 0, "-100" 20, "-80" 40, "-60" 60, "-40" 80, "-20" 100, "0" 120)
set grid ytics
set key outside right
plot for [h=2:6] "$OUT/harmonics.dat" using (column(h) < -120 ? 0 : column(h) + 120):xtic(1) title sprintf("H%d", h-1)
GNUPLOT

echo "Demo written to $OUT:"
echo "  input.wav + input.png (the demo signal) and, per setting, <name>.wav + <name>.png"
echo "  harmonics.png (harmonic levels of a 1 kHz sine), harmonics.dat, levels.txt"
echo "  (renders are 32-bit float WAV and may exceed 0 dBFS, as the plug-in's output does)"
echo
cat "$OUT/levels.txt"
