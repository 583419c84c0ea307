#!/bin/bash
# Saves screenshots of the editor in jalv at all six sizes into $VF_BUILD_DIR
# (jalv-editor-WxH.png).  The sizes are reached by dragging the editor's own grip;
# jalv's GTK window does not shrink below its allocation, so a size the grip cannot
# reach is set on the editor window directly with xdotool.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/jalv_common.sh"
vf_require Xvfb jackd jalv.gtk3 xdotool xwininfo lv2ls import
out=${VF_BUILD_DIR:-.}

vf_uri=$(vf_plugin_uri)
if [ -z "$vf_uri" ]; then
  echo "SKIP: no Velmorin-Free bundle in LV2_PATH=${LV2_PATH:-}"
  exit 77
fi
vf_start_xvfb
vf_start_jackd
vf_start_jalv
editor=$(vf_find_window 365x650 20)
if [ -z "$editor" ]; then
  echo "SKIP: jalv shows no plug-in editor"
  exit 77
fi

status=0
for size in 237x422 274x488 310x553 365x650 456x813 548x975; do
  w=${size%x*}
  h=${size#*x}
  vf_settled_geometry "$editor"
  # Grab the grip 15 px inside the corner and move it to where the new corner goes.
  gx=$((vf_x + vf_w - 15))
  gy=$((vf_y + vf_h - 15))
  tx=$((gx + w - vf_w))
  ty=$((gy + h - vf_h))
  xdotool mousemove "$gx" "$gy" mousedown 1 \
    mousemove $(((gx + tx) / 2)) $(((gy + ty) / 2)) mousemove "$tx" "$ty" mouseup 1
  sleep 1
  xdotool mousemove 1590 1190
  sleep 0.5
  vf_window_geometry "$editor"
  if [ "${vf_w}x${vf_h}" != "$size" ]; then
    xdotool windowsize "$editor" "$w" "$h"
    sleep 1
    vf_window_geometry "$editor"
  fi
  if [ "${vf_w}x${vf_h}" != "$size" ]; then
    echo "FAIL editor is ${vf_w}x${vf_h}, wanted $size"
    status=1
  fi
  import -window root "$out/jalv-editor-$size.png"
  echo "saved $out/jalv-editor-$size.png (editor ${vf_w}x${vf_h})"
done
vf_stop_jalv
exit $status
