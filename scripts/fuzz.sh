#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz, one at a time, each over a working copy of
# its committed corpus, and prints executions and findings.  Builds the fuzz
# configuration (clang, ASan+UBSan) in build-fuzz/ first if needed.
#   scripts/fuzz.sh [--merge] [target|all] [seconds]
# --merge adds the new inputs that reach new code to tests/fuzz/corpus/<target>/.
# Findings are kept in build-fuzz/fuzz-findings/<target>/; the exit status is 1 if any.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
targets=(lv2_instance state_chunk parameter_text image_loader manifest)

merge=0
if [ "${1:-}" = "--merge" ]; then
    merge=1
    shift
fi
which="${1:-all}"
seconds="${2:-60}"
if [ "$which" != all ]; then
    case " ${targets[*]} " in
        *" $which "*) targets=("$which") ;;
        *) echo "unknown target '$which'; one of: ${targets[*]}" >&2; exit 2 ;;
    esac
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DVF_SANITIZE=address -DVF_FUZZ=ON \
        -DVF_BUILD_BENCHMARKS=OFF || exit 1
fi
cmake --build "$build" -j "${VF_JOBS:-2}" --target "${targets[@]/#/fuzz_}" || exit 1

status=0
for t in "${targets[@]}"; do
    corpus="$root/tests/fuzz/corpus/$t"
    work="$build/fuzz-run/$t"
    findings="$build/fuzz-findings/$t"
    rm -rf "$work"
    mkdir -p "$work" "$findings" "$corpus"
    cp -a "$corpus/." "$work/"
    log="$build/fuzz-run/$t.log"
    echo "=== $t: ${seconds}s over $(ls "$work" | wc -l) inputs"
    before=$(ls "$findings" | wc -l)
    "$build/fuzz_$t" -timeout=10 -malloc_limit_mb=512 -print_final_stats=1 -max_total_time="$seconds" \
        -artifact_prefix="$findings/" "$work" >"$log" 2>&1
    rc=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    new=$(($(ls "$findings" | wc -l) - before))
    echo "$t: ${execs:-?} executions, ${rate:-?}/s, corpus $(ls "$work" | wc -l) inputs, $new findings (exit $rc)"
    if [ "$rc" != 0 ] || [ "$new" != 0 ]; then
        status=1
        grep -E "ERROR|SUMMARY|check failed|runtime error" "$log" | head -n 5
        echo "log: $log; findings in $findings"
    elif [ "$merge" = 1 ]; then
        "$build/fuzz_$t" -merge=1 "$corpus" "$work" >"$log.merge" 2>&1 || status=1
        echo "$t: committed corpus now $(ls "$corpus" | wc -l) inputs"
    fi
done
exit $status
