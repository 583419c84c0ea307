#!/usr/bin/env bash
# The project's test command: installs the build and test dependencies, then
#   release:    a GCC Release build (what packagers build) and every test in build/;
#   asan+ubsan: a clang build under ASan+UBSan (build-asan) with the unit tests and a
#               short run of each fuzz target over its corpus;
#   tsan:       the threaded tests under TSan (build-tsan), building only what they run.
# Idempotent; runs from any folder.  VF_JOBS sets the parallelism (default: 2).
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="${VF_JOBS:-2}"

"$root/scripts/install-deps.sh" || exit 1

failed=()
summaries=()
timings=()

# stage <name> <build dir> <build target> <ctest args...> -- <cmake args...>
stage() {
    local name="$1" dir="$2" target="$3"
    shift 3
    local ctest_args=()
    while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do
        ctest_args+=("$1")
        shift
    done
    shift
    local started=$SECONDS
    # A folder configured with another compiler cannot be switched in place.
    local compiler
    compiler=$(printf '%s\n' "$@" | sed -n 's/^-DCMAKE_CXX_COMPILER=//p')
    if [ -n "$compiler" ] && [ -f "$dir/CMakeCache.txt" ] &&
       ! grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=.*$compiler\$" "$dir/CMakeCache.txt"; then
        rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    fi
    echo "=== $name: configure and build $target in $dir"
    if ! cmake -S "$root" -B "$dir" -DVF_WERROR=ON "$@"; then
        failed+=("$name (configure)")
        return
    fi
    if ! cmake --build "$dir" -j "$jobs" --target "$target"; then
        failed+=("$name (build)")
        return
    fi
    local built=$SECONDS
    echo "=== $name: ctest ${ctest_args[*]}"
    local log="$dir/ctest-summary.log"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${ctest_args[@]}" 2>&1 | tee "$log"
    local rc="${PIPESTATUS[0]}"
    summaries+=("$name: $(grep -E 'tests passed|No tests were found' "$log" | tail -n 1)")
    timings+=("$name: build $((built - started)) s, tests $((SECONDS - built)) s")
    if [ "$rc" != 0 ]; then
        failed+=("$name (tests)")
    fi
}

stage "release" "$root/build" all -- -DCMAKE_BUILD_TYPE=Release -DVF_SANITIZE= -DVF_FUZZ=OFF \
    -DVF_BUILD_BENCHMARKS=ON
# The sanitizer builds compile at -O1 with line tables only: a third quicker to build
# than -O2 -g, and their reports still name file and line.
sanitizer_flags="-O1 -DNDEBUG"
# Host tools such as lv2file cannot load a sanitized library: those tests carry the
# label "host" and run only in the release build, as do the checks over every float
# (label "exhaustive"), which prove arithmetic rather than memory safety.
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}" \
UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
    stage "asan+ubsan" "$root/build-asan" all -LE "host|exhaustive" -- \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=$sanitizer_flags -gline-tables-only" \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$sanitizer_flags -gline-tables-only" \
    -DVF_SANITIZE=address -DVF_FUZZ=ON -DVF_BUILD_BENCHMARKS=OFF
TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}" \
    stage "tsan" "$root/build-tsan" threads_tests -L threads -- -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=$sanitizer_flags -g1" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$sanitizer_flags -g1" \
    -DVF_SANITIZE=thread -DVF_FUZZ=OFF -DVF_BUILD_BENCHMARKS=OFF

echo
echo "=== Summary (${SECONDS} s in all)"
for line in "${summaries[@]}" "${timings[@]}"; do
    echo "$line"
done
if [ "${#failed[@]}" -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All stages passed."
