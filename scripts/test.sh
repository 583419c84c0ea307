#!/usr/bin/env bash
# The project's test command: installs the build and test dependencies, builds and
# runs every test in build/, then the unit tests under ASan+UBSan (build-asan) and
# the threaded tests under TSan (build-tsan).  Idempotent; runs from any folder.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="${VF_JOBS:-2}"

"$root/scripts/install-deps.sh" || exit 1

failed=()
summaries=()

# stage <name> <build dir> <ctest args...> -- <cmake args...>
stage() {
    local name="$1" dir="$2"
    shift 2
    local ctest_args=()
    while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do
        ctest_args+=("$1")
        shift
    done
    shift
    echo "=== $name: configure and build in $dir"
    if ! cmake -S "$root" -B "$dir" -DVF_BUILD_BENCHMARKS=ON "$@"; then
        failed+=("$name (configure)")
        return
    fi
    if ! cmake --build "$dir" -j "$jobs"; then
        failed+=("$name (build)")
        return
    fi
    echo "=== $name: ctest ${ctest_args[*]}"
    local log="$dir/ctest-summary.log"
    ctest --test-dir "$dir" --output-on-failure "${ctest_args[@]}" 2>&1 | tee "$log"
    local rc="${PIPESTATUS[0]}"
    summaries+=("$name: $(grep -E 'tests passed|No tests were found' "$log" | tail -n 1)")
    if [ "$rc" != 0 ]; then
        failed+=("$name (tests)")
    fi
}

stage "default" "$root/build" -- -DVF_SANITIZE=
# Host tools such as lv2file cannot load a sanitized library: those tests carry the
# label "host" and run only in the default build, as do the checks over every float
# (label "exhaustive"), which prove arithmetic rather than memory safety.
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}" \
UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
    stage "asan+ubsan" "$root/build-asan" -LE "host|exhaustive" -- -DVF_SANITIZE=address
TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}" \
    stage "tsan" "$root/build-tsan" -L threads -- -DVF_SANITIZE=thread

echo
echo "=== Summary"
for line in "${summaries[@]}"; do
    echo "$line"
done
if [ "${#failed[@]}" -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All stages passed."
