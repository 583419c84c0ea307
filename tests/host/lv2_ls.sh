#!/usr/bin/env bash
# A host scanning the build's bundle sees exactly our two plug-ins.
set -euo pipefail
: "${LV2_PATH:?set LV2_PATH to the folder holding Velmorin-Free.lv2}"
export LV2_PATH
# lilv reports every non-bundle entry of the folder on stderr; only stdout matters.
found=$(lv2ls 2>/dev/null | sort)
expected=$(printf '%s\n' \
    "https://drevkin.example/velmorin-free/515A504E#mono" \
    "https://drevkin.example/velmorin-free/515A504E#stereo")
if [ "$found" != "$expected" ]; then
    printf 'lv2ls listed:\n%s\nexpected:\n%s\n' "$found" "$expected"
    exit 1
fi
echo "lv2ls OK"
