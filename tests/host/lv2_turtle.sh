#!/usr/bin/env bash
# The generated manifest is valid Turtle and passes the LV2 schema checks, apart
# from the two known doap:maintainer domain reports (a plug-in is not a doap:Project).
set -euo pipefail
: "${VF_BUNDLE_DIR:?set VF_BUNDLE_DIR to the Velmorin-Free.lv2 folder}"
manifest="$VF_BUNDLE_DIR/manifest.ttl"

rapper -q -i turtle -c "$manifest"

report=$(lv2_validate "$manifest" 2>&1 || true)
errors=$(grep -c '^error:' <<<"$report" || true)
maintainer=$(grep -c '^error: Subject not in domain <http://usefulinc.com/ns/doap#Project>' <<<"$report" || true)
if [ "$errors" != 2 ] || [ "$maintainer" != 2 ] || [ "$(grep -c 'doap#maintainer' <<<"$report")" != 2 ]; then
    echo "$report"
    echo "expected exactly the two doap:maintainer domain errors"
    exit 1
fi
echo "manifest syntax and schema OK"
