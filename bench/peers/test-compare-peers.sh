#!/usr/bin/env bash
# Checks the arithmetic and the look-ups of scripts/compare-peers.sh without
# running any plug-in: sources the script (which then defines only functions) and
# feeds its helpers fixed inputs.  Exits non-zero on the first mismatch.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source-path=SCRIPTDIR source=../../scripts/compare-peers.sh
source "$here/../../scripts/compare-peers.sh"

failures=0
expect() {
    local what="$1" want="$2" got="$3"
    if [ "$want" != "$got" ]; then
        echo "FAIL $what: want '$want', got '$got'"
        failures=$((failures + 1))
    fi
}

# Best of several runs, whatever their order and digit count.
expect "min of unordered" "0.412" "$(min_of 0.446 0.412 0.5)"
expect "min of one" "1.687" "$(min_of 1.687)"
expect "min compares numbers, not text" "9.000" "$(min_of 10.0 9.0 11)"

# Net time never goes negative when a run is cheaper than the trivial one.
expect "net" "0.378" "$(net_of 0.446 0.068)"
expect "net clamps at zero" "0.000" "$(net_of 0.060 0.068)"

# A zero net time has no real-time factor instead of a division by zero.
expect "rt factor" "150.0" "$(realtime_factor 60 0.4)"
expect "rt factor of zero net" "n/a" "$(realtime_factor 60 0)"

# The verdict's limit is inclusive, and a Calf time of zero cannot judge anything.
expect "exactly half passes" "0.500 PASS" "$(verdict 0.2 0.4)"
expect "above half fails" "4.278 FAIL" "$(verdict 1.617 0.378)"
expect "zero Calf time" "n/a INCONCLUSIVE" "$(verdict 0.1 0)"

# Agreement is judged against the smallest net time, not against the tiny run itself.
expect "close runs" "4 5.6 1.3 OK" "$(agreement 0.072 0.068 0.300)"
expect "gap too large for the net time" "20 16.7 6.7 WARN" "$(agreement 0.120 0.100 0.300)"
expect "order does not matter" "20 16.7 6.7 WARN" "$(agreement 0.100 0.120 0.300)"
expect "identical zero runs" "0 0.0 0.0 OK" "$(agreement 0 0 0)"
expect "any gap against no net time" "1 100.0 100.0 WARN" "$(agreement 0.001 0 0)"

# Port listing as lv2file -n prints it: only the audio section counts.
listing_stereo=$'==Audio Ports==\nin_l: In L\nin_r: In R\n==Control Ports==\nbypass: Bypass\ndrive: Saturation'
listing_mono=$'==Audio Ports==\nin: In\n==Control Ports==\ngain: Gain'
expect "stereo inputs" "2" "$(count_audio_inputs <<<"$listing_stereo")"
expect "mono inputs" "1" "$(count_audio_inputs <<<"$listing_mono")"
expect "no listing" "0" "$(count_audio_inputs </dev/null)"

# Two URIs share one name; the port count picks the stereo one, whichever comes first.
audio_inputs_of() {
    case "$1" in
        *#mono) echo 1 ;;
        *) echo 2 ;;
    esac
}
plugins=$'urn:x#mono\tVelmorin-Free\nurn:x#stereo\tVelmorin-Free\nurn:calf\tCalf Saturator'
expect "stereo variant" "urn:x#stereo" "$(pick_uri Velmorin-Free 2 <<<"$plugins")"
expect "mono variant" "urn:x#mono" "$(pick_uri Velmorin-Free 1 <<<"$plugins")"
expect "any variant" "urn:x#mono" "$(pick_uri Velmorin-Free <<<"$plugins")"
expect "name with a space" "urn:calf" "$(pick_uri "Calf Saturator" 2 <<<"$plugins")"
expect "name is matched whole" "missing" "$(pick_uri Velmorin <<<"$plugins" || echo missing)"
expect "no such port count" "missing" "$(pick_uri "Calf Saturator" 1 <<<"$plugins" || echo missing)"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "All compare-peers checks passed"
