# Shared helpers of the sound_*.sh host tests (sourced, not run).
# Needs: LV2_PATH (the build folder), VF_BUNDLE_DIR, and the sound probe as $1 of the test.

set -euo pipefail

PROBE=${1:?usage: $0 path/to/sound_probe}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Exit 77 (skipped) when the bundle or a tool is missing.
require_bundle() {
    local tool
    for tool in lv2file lv2ls sox; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed"; exit 77; }
    done
    [ -f "${VF_BUNDLE_DIR:?}/manifest.ttl" ] || { echo "SKIP: no bundle at $VF_BUNDLE_DIR"; exit 77; }
    [ -x "$PROBE" ] || fail "sound probe $PROBE missing"
}

# plugin_uri mono|stereo
plugin_uri() {
    local uri
    # lilv reports every non-bundle entry of the build folder on stderr; only stdout matters.
    uri=$(lv2ls 2>/dev/null | grep -E "#$1\$" | grep -i 'velmorin\|515A504E' | head -n 1 || true)
    [ -n "$uri" ] || fail "no $1 plug-in found in LV2_PATH=$LV2_PATH"
    echo "$uri"
}

# make_sine FILE RATE CHANNELS AMPLITUDE SECONDS: a 1 kHz sine as 32-bit float WAV.
make_sine() {
    sox -n -r "$2" -c "$3" -b 32 -e floating-point "$1" synth "$5" sine 1000 vol "$4"
}

# to_raw WAV RAW: interleaved 32-bit float samples (sox clips beyond full scale: only for
# inputs; the probe reads float WAV files directly).
to_raw() {
    sox "$1" -t raw -e floating-point -b 32 "$2"
}

# render_host LAYOUT IN.wav OUT.wav [lv2file parameter options...]
render_host() {
    local layout=$1 in=$2 out=$3
    shift 3
    lv2file --ignore-clipping -b 512 "$@" -i "$in" -o "$out" "$(plugin_uri "$layout")" >"$WORK/lv2file.log" 2>&1 ||
        { cat "$WORK/lv2file.log" >&2; fail "lv2file failed for $layout"; }
    [ -s "$out" ] || fail "lv2file wrote no output for $layout"
}

# field NAME LINE: the value of NAME=value in a probe output line.
field() {
    echo "$2" | tr ' ' '\n' | sed -n "s/^$1=//p"
}

# check EXPRESSION MESSAGE: a floating-point comparison evaluated by awk.
check() {
    awk "BEGIN { exit !($1) }" || fail "$2 ($1)"
}
