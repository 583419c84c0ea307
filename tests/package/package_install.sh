#!/usr/bin/env bash
# Builds both packages with cpack into a temporary folder, checks what the Debian
# package declares and holds, then unpacks each the way a user installs it and runs
# the host checks of tests/host on the unpacked bundle.
set -euo pipefail
: "${VF_BUILD_DIR:?set VF_BUILD_DIR to the build folder}"
: "${VF_VERSION:?set VF_VERSION to the project version}"
host_tests="$(cd "$(dirname "$0")/../host" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$VF_BUILD_DIR/CPackConfig.cmake" -B "$work/out" >"$work/log" 2>&1 || { cat "$work/log"; fail "cpack failed"; }
deb="$work/out/velmorin-free_${VF_VERSION}_$(dpkg --print-architecture).deb"
tgz=$(echo "$work/out/"*.tar.gz)
[ -f "$deb" ] && [ -f "$tgz" ] || fail "expected $(basename "$deb") and one .tar.gz; cpack wrote: $(ls "$work/out")"

info=$(dpkg-deb -I "$deb") # Depends comes from dpkg-shlibdeps
for field in "Version: $VF_VERSION" "Depends: .*libc6.*libx11-6" "Maintainer: [^<]+ <[^@>]+@[^>]+>" \
    "Homepage: https?://" "Section: sound" "Priority: optional"; do
    grep -Eq "^ $field" <<<"$info" || { echo "$info"; fail "dpkg-deb -I shows no '$field'"; }
done
bundle=usr/lib/lv2/Velmorin-Free.lv2
doc=usr/share/doc/velmorin-free
[ "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' | sort -k 3)" = "$(printf -- '-rw-r--r-- root/root ./%s\n' \
    "$bundle/Velmorin-Free.so" "$bundle/manifest.ttl" "$doc/changelog.gz" "$doc/copyright")" ] ||
    { dpkg-deb -c "$deb"; fail "the .deb must hold the bundle and its doc files only, root's and not executable"; }
[ "$(tar -tzf "$tgz" | sort)" = "$(printf 'Velmorin-Free.lv2/%s\n' '' Velmorin-Free.so manifest.ttl)" ] ||
    { tar -tvzf "$tgz"; fail "the archive must hold Velmorin-Free.lv2/ only"; }

mkdir "$work/deb" "$work/tgz"
dpkg-deb -x "$deb" "$work/deb"
tar -xzf "$tgz" -C "$work/tgz"
zcat "$work/deb/$doc/changelog.gz" | head -n 1 | grep -qF "($VF_VERSION)" || fail "the changelog's latest entry is not $VF_VERSION"
for tree in deb/usr/lib/lv2 tgz; do
    file "$work/$tree/Velmorin-Free.lv2/Velmorin-Free.so" | grep -q ', stripped' || fail "$tree: library not stripped"
    for check in lv2_ls lv2_info lv2_file; do
        LV2_PATH="$work/$tree" bash "$host_tests/$check.sh" >"$work/log" 2>&1 ||
            { cat "$work/log"; fail "tests/host/$check.sh failed on the unpacked $tree"; }
    done
    echo "$tree: lv2ls, lv2info and lv2file OK"
done
echo "PASS: $(basename "$deb") and $(basename "$tgz")"
