#!/usr/bin/env bash
# Side-by-side CPU comparison of the stereo plug-in with peer saturators.
#
# Every plug-in processes the same 60 s, 48 kHz, stereo float WAV through lv2file.
# For each one the script keeps the best (minimum) user CPU time of several runs,
# subtracts the best time of a trivial stereo plug-in (lv2file's own start-up, WAV
# reading and writing and host loop) and prints the net seconds, the real-time
# factor and the verdict "ours <= half of Calf Saturator".  A report, not a gate:
# it exits 0 on FAIL and non-zero only when something could not run.
#
# Runs from any folder, as root when packages are missing.  Everything it writes
# stays under <build>/peers/.  Environment: BUILD_DIR (default <repo>/build),
# VF_PEERS_RUNS (runs per plug-in, default 3).
set -euo pipefail

seconds_of_audio=60
sample_rate=48000
block_size=512

# Peers, found by the name lv2ls shows.  The trivial plug-in is a stereo matrix of
# four multiplications per frame: one instance, two channels in and two out, like
# ours and Calf's, so it reads and writes exactly what they do.
trivial_name="MDA Image"
calf_name="Calf Saturator"
zam_name="ZamTube"
ours_name="Velmorin-Free"
# Our defaults leave both tube amounts at 0; the driven row shows a working setting.
ours_driven_params=(-p p2:0.6 -p p3:0.4)

packages=(calf-plugins zam-plugins mda-lv2 lv2file lilv-utils sox)

die() {
    echo "compare-peers: $*" >&2
    exit 2
}

# --- small pure helpers (covered by bench/peers/test-compare-peers.sh) ---------

# Smallest of the numbers given as arguments.
min_of() {
    printf '%s\n' "$@" | awk 'NR == 1 || $1 < m { m = $1 } END { if (NR) printf "%.3f\n", m }'
}

# CPU seconds of a run minus the trivial run; never below zero.
net_of() {
    awk -v a="$1" -v b="$2" 'BEGIN { d = a - b; if (d < 0) d = 0; printf "%.3f\n", d }'
}

# How many times faster than real time: audio seconds / net CPU seconds.
realtime_factor() {
    awk -v s="$1" -v n="$2" 'BEGIN { if (n <= 0) print "n/a"; else printf "%.1f\n", s / n }'
}

# "<ratio> <PASS|FAIL|INCONCLUSIVE>" for ours/Calf against the limit of one half.
verdict() {
    awk -v o="$1" -v c="$2" 'BEGIN {
        if (c <= 0) { print "n/a INCONCLUSIVE"; exit }
        r = o / c
        printf "%.3f %s\n", r, (r <= 0.5 ? "PASS" : "FAIL")
    }'
}

# "<ms> <percent of the longer run> <percent of ref> <OK|WARN>" for two runs a and
# b of the trivial plug-in.  The kernel splits user and system time of so short a
# run only to its scheduler tick, so they rarely agree to a few percent of
# themselves; they agree well enough when the gap is at most 5 % of ref, the
# smallest net time the trivial run is subtracted from.
agreement() {
    awk -v a="$1" -v b="$2" -v r="$3" 'BEGIN {
        d = a - b; if (d < 0) d = -d
        m = (a > b ? a : b)
        pa = (m > 0 ? 100 * d / m : 0)
        pr = (r > 0 ? 100 * d / r : (d > 0 ? 100 : 0))
        printf "%.0f %.1f %.1f %s\n", 1000 * d, pa, pr, (pr <= 5 ? "OK" : "WARN")
    }'
}

# Number of audio input ports in `lv2file -n` output on stdin.
count_audio_inputs() {
    awk '/^==Audio Ports==/ { on = 1; next } /^==/ { on = 0 } on && NF { n++ } END { print n + 0 }'
}

# The URI whose lv2ls name is $1 and which has $2 audio inputs (any count when $2
# is empty).  Reads "uri<TAB>name" lines on stdin; asks audio_inputs_of for ports.
pick_uri() {
    local wanted="$1" inputs="${2:-}" uri name
    while IFS=$'\t' read -r uri name; do
        [ "$name" = "$wanted" ] || continue
        if [ -z "$inputs" ] || [ "$(audio_inputs_of "$uri")" = "$inputs" ]; then
            printf '%s\n' "$uri"
            return 0
        fi
    done
    return 1
}

audio_inputs_of() {
    lv2file -n "$1" 2>/dev/null | count_audio_inputs
}

# --- set-up --------------------------------------------------------------------

install_missing_packages() {
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ "${#missing[@]}" -eq 0 ] && return 0
    [ "$(id -u)" = 0 ] || die "missing packages (${missing[*]}); run as root to install them"
    echo "Installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null || die "apt-get update failed"
    apt-get install -y -q "${missing[@]}" >/dev/null || die "apt-get install ${missing[*]} failed"
}

build_plugin_if_missing() {
    [ -f "$bundle/Velmorin-Free.so" ] && return 0
    echo "Building the plug-in in $build"
    command -v cmake >/dev/null || "$root/scripts/install-deps.sh" || die "installing the build tools failed"
    cmake -S "$root" -B "$build" >/dev/null || die "configure failed"
    cmake --build "$build" --target velmorin_free -j2 || die "build failed"
    [ -f "$bundle/Velmorin-Free.so" ] || die "build did not produce $bundle/Velmorin-Free.so"
}

# A deterministic 60 s stereo signal: two slowly beating chords, two opposite
# sweeps across the spectrum and independent pink noise per channel, peaking at
# -6 dBFS.
make_input() {
    local fmt=(-r "$sample_rate" -c 2 -e floating-point -b 32) parts="$out/parts"
    mkdir -p "$parts"
    sox -R -n "${fmt[@]}" "$parts/a.wav" synth "$seconds_of_audio" sine 110 sine 146.83 tremolo 2.5 60
    sox -R -n "${fmt[@]}" "$parts/b.wav" synth "$seconds_of_audio" sine 164.81 sine 220 tremolo 0.7 40
    sox -R -n "${fmt[@]}" "$parts/c.wav" synth "$seconds_of_audio" sine 60-3000 sine 3000-60 vol 0.3
    sox -R -n "${fmt[@]}" "$parts/d.wav" synth "$seconds_of_audio" pinknoise pinknoise vol 0.4
    sox -R -m "$parts"/{a,b,c,d}.wav "${fmt[@]}" "$input" gain -n -6
    rm -rf "$parts"
    sox -R "$input" "${fmt[@]}" "$short_input" trim 0 1
}

# --- measuring -----------------------------------------------------------------

# run_once <label> <input> <uri> [lv2file options...]: prints the user CPU seconds.
run_once() {
    local label="$1" in="$2" uri="$3" timing rc=0
    shift 3
    local log="$out/$label.log" result="$out/$label.wav"
    timing="$( { TIMEFORMAT=%3U; time lv2file --ignore-clipping -b "$block_size" "$@" \
                   -i "$in" -o "$result" "$uri" >"$log" 2>&1; } 2>&1 )" || rc=$?
    [ "$rc" -eq 0 ] || die "lv2file failed for $label (exit $rc); see $log"
    [ -s "$result" ] || die "lv2file wrote no output for $label; see $log"
    printf '%s\n' "$timing"
}

main() {
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    build="${BUILD_DIR:-$root/build}"
    bundle="$build/Velmorin-Free.lv2"
    out="$build/peers"
    input="$out/input-60s.wav"
    short_input="$out/input-1s.wav"
    local runs="${VF_PEERS_RUNS:-3}"
    [[ "$runs" =~ ^[1-9][0-9]*$ ]] || die "VF_PEERS_RUNS must be a positive whole number, not '$runs'"

    install_missing_packages
    build_plugin_if_missing
    mkdir -p "$out/lv2"
    # Only our bundle, not every file of the build folder, is offered to lilv.
    ln -sfn "$bundle" "$out/lv2/Velmorin-Free.lv2"
    local system_dirs="/usr/lib/lv2"
    [ -d /usr/lib/x86_64-linux-gnu/lv2 ] && system_dirs="$system_dirs:/usr/lib/x86_64-linux-gnu/lv2"
    export LV2_PATH="$out/lv2:$system_dirs"

    local listing
    listing="$(paste <(lv2ls 2>/dev/null) <(lv2ls -n 2>/dev/null))"
    local trivial_uri calf_uri zam_uri ours_uri
    trivial_uri="$(pick_uri "$trivial_name" 2 <<<"$listing")" || die "lv2ls lists no stereo \"$trivial_name\""
    calf_uri="$(pick_uri "$calf_name" 2 <<<"$listing")" || die "lv2ls lists no stereo \"$calf_name\""
    zam_uri="$(pick_uri "$zam_name" <<<"$listing")" || die "lv2ls lists no \"$zam_name\""
    ours_uri="$(pick_uri "$ours_name" 2 <<<"$listing")" || die "lv2ls lists no stereo \"$ours_name\""
    local binary
    binary="$(lv2info "$ours_uri" 2>/dev/null | awk '$1 == "Binary:" { print $2; exit }')"
    [ "$(readlink -f "${binary#file://}")" = "$(readlink -f "$bundle/Velmorin-Free.so")" ] ||
        die "\"$ours_uri\" loads ${binary:-nothing}, not $bundle (another copy installed?)"

    make_input

    # Rows: label, display name, URI, extra lv2file options.  The trivial plug-in
    # runs twice per round to show that its cost is stable enough to subtract.
    local labels=(trivial calf ours ours-driven zamtube trivial-again)
    declare -A names=([trivial]="$trivial_name (trivial)" [trivial-again]="$trivial_name (again)"
                      [calf]="$calf_name (defaults)" [ours]="$ours_name (defaults)"
                      [ours-driven]="$ours_name (tube 0.6/0.4)" [zamtube]="$zam_name (mono x2)")
    declare -A uris=([trivial]="$trivial_uri" [trivial-again]="$trivial_uri" [calf]="$calf_uri"
                     [ours]="$ours_uri" [ours-driven]="$ours_uri" [zamtube]="$zam_uri")
    declare -A times=()
    local round label t
    # Rounds interleave the plug-ins so that a busy moment on the machine spreads
    # over all of them instead of spoiling one.
    for ((round = 1; round <= runs; round++)); do
        for label in "${labels[@]}"; do
            if [ "$label" = ours-driven ]; then
                t="$(run_once "$label" "$input" "${uris[$label]}" "${ours_driven_params[@]}")"
            else
                t="$(run_once "$label" "$input" "${uris[$label]}")"
            fi
            times[$label]="${times[$label]:-} $t"
        done
        t="$(run_once trivial-1s "$short_input" "$trivial_uri")"
        times[trivial-1s]="${times[trivial-1s]:-} $t"
    done

    declare -A best=()
    for label in "${labels[@]}" trivial-1s; do
        # shellcheck disable=SC2086 # the list of times is meant to split
        best[$label]="$(min_of ${times[$label]})"
    done
    local base="${best[trivial]}"

    echo
    echo "lv2file --ignore-clipping -b $block_size -i <60 s, 48 kHz, stereo float WAV> -o <out.wav> [-p ...] <URI>"
    echo "LV2_PATH=$LV2_PATH"
    echo "Plug-in under test: $bundle/Velmorin-Free.so, built $(date -u -r "$bundle/Velmorin-Free.so" '+%F %T UTC')"
    echo "User CPU seconds, best of $runs; net = minus the trivial plug-in; RT factor = $seconds_of_audio s / net."
    echo
    printf '%-28s %10s %10s %10s\n' "plug-in" "user CPU s" "net s" "RT factor"
    local net
    for label in "${labels[@]}"; do
        net="$(net_of "${best[$label]}" "$base")"
        if [[ "$label" == trivial* ]]; then
            printf '%-28s %10s %10s %10s\n' "${names[$label]}" "${best[$label]}" "-" "-"
        else
            printf '%-28s %10s %10s %10s\n' "${names[$label]}" "${best[$label]}" "$net" \
                "$(realtime_factor "$seconds_of_audio" "$net")"
        fi
    done
    echo
    echo "URIs:"
    for label in trivial calf ours zamtube; do
        printf '  %-22s %s\n' "${names[$label]%% (*}" "${uris[$label]}"
    done
    echo "  $ours_name (tube 0.6/0.4) adds: ${ours_driven_params[*]}"
    echo "  $zam_name is mono: lv2file runs one instance per channel and writes a mono file."
    echo

    local calf_net ours_net driven_net agree
    calf_net="$(net_of "${best[calf]}" "$base")"
    ours_net="$(net_of "${best[ours]}" "$base")"
    driven_net="$(net_of "${best[ours-driven]}" "$base")"
    read -r -a agree <<<"$(agreement "${best[trivial]}" "${best[trivial-again]}" "$calf_net")"
    echo "Sanity: trivial run twice: ${best[trivial]} s and ${best[trivial-again]} s, ${agree[0]} ms apart" \
         "(${agree[1]} % of the trivial run, ${agree[2]} % of Calf's net time): ${agree[3]}."
    echo "Sanity: trivial on a 1 s file ${best[trivial-1s]} s (start-up), so WAV I/O and host loop for 60 s" \
         "= $(net_of "$base" "${best[trivial-1s]}") s."

    local v d
    read -r -a v <<<"$(verdict "$ours_net" "$calf_net")"
    read -r -a d <<<"$(verdict "$driven_net" "$calf_net")"
    echo
    echo "ours/Calf (defaults): ${v[0]}; ours/Calf (tube 0.6/0.4): ${d[0]}"
    if [ "${v[1]}" = PASS ] && [ "${d[1]}" = PASS ]; then
        echo "PASS: ours <= half of Calf Saturator"
    elif [ "${v[1]}" = INCONCLUSIVE ]; then
        echo "INCONCLUSIVE: Calf Saturator's net time is not above the trivial plug-in's"
    else
        echo "FAIL: ours > half of Calf Saturator"
    fi
    # The processed files only served the timing; the input and the logs stay.
    for label in "${labels[@]}" trivial-1s; do
        rm -f "$out/$label.wav"
    done
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    main "$@"
fi
