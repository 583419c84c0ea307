#!/bin/sh
# The plug-in library must export exactly its three entry points and depend only
# on libraries every Linux desktop has.
set -eu
lib="$1"

exported=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWwDdBbRrVvIi]$/ { print $3 }' | sort | tr '\n' ' ')
expected="GenerateManifestFromClient lv2_descriptor lv2ui_descriptor "
if [ "$exported" != "$expected" ]; then
    echo "unexpected exports: $exported"
    echo "expected:           $expected"
    exit 1
fi

allowed="libc.so.6 libstdc++.so.6 libgcc_s.so.1 libm.so.6 libpthread.so.0 libX11.so.6 libXext.so.6 ld-linux-x86-64.so.2"
# Sanitizer builds also pull in their runtimes.
allowed="$allowed libasan.so.8 libubsan.so.1 libtsan.so.2 libdl.so.2"
for needed in $(readelf -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    case " $allowed " in
        *" $needed "*) ;;
        *) echo "unexpected runtime dependency: $needed"; exit 1 ;;
    esac
done

if readelf -d "$lib" | grep -q TEXTREL; then
    echo "library has text relocations"
    exit 1
fi
echo "exports and dependencies OK"
