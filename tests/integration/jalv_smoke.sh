#!/bin/bash
# A real host keeps the editor alive: jalv (GTK) under a dummy JACK server gets
# hundreds of rapid gestures, then is started and stopped 50 times (jalv cannot be
# told to close and reopen only its editor, so every cycle restarts it).
# Exit 77 when a tool is missing or this build has no editor.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/jalv_common.sh"
vf_require Xvfb jackd jalv.gtk3 xdotool xwininfo lv2ls import compare
gestures=${VF_GESTURES:-300}
cycles=${VF_CYCLES:-50}

vf_uri=$(vf_plugin_uri)
if [ -z "$vf_uri" ]; then
  echo "SKIP: no Velmorin-Free bundle in LV2_PATH=${LV2_PATH:-}"
  exit 77
fi
vf_start_xvfb
vf_start_jackd
failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

vf_start_jalv
editor=$(vf_find_window 365x650 20)
if [ -z "$editor" ]; then
  if kill -0 "$vf_jalv_pid" 2>/dev/null; then
    vf_stop_jalv
    echo "SKIP: jalv shows no plug-in editor for $vf_uri (no editor in this build)"
    exit 77
  fi
  fail "jalv exited before showing the editor"
  cat "$vf_tmp/jalv.log"
  exit 1
fi
echo "ok   jalv shows the editor (window $editor)"
vf_settled_geometry "$editor"
ox=$vf_x
oy=$vf_y

# Knob centres and switch centres of the editor at 365 x 650.
targets=("113 151" "263 151" "113 498" "265 498" "112 294" "259 294")
for ((g = 0; g < gestures; g++)); do
  t=(${targets[$((g % ${#targets[@]}))]})
  x=$((ox + t[0]))
  y=$((oy + t[1]))
  dy=$(((g % 7) * 6 - 18))
  xdotool mousemove "$x" "$y" mousedown 1 mousemove "$x" $((y + dy / 2)) mousemove "$x" $((y + dy)) mouseup 1
  if ((g % 50 == 49)) && ! kill -0 "$vf_jalv_pid" 2>/dev/null; then
    break
  fi
done
# Wheel and keys too, on the editor.
xdotool mousemove $((ox + 113)) $((oy + 151)) click 4 click 5 key q key Up key Escape
if kill -0 "$vf_jalv_pid" 2>/dev/null; then
  echo "ok   jalv is alive after $gestures gestures"
else
  fail "jalv died during the gestures"
fi

# Still responsive: a click on the Edge switch changes the picture.  A busy machine
# may still be working through the gesture backlog, so poll for the change.
switch_click_changes_picture() {
  vf_settled_geometry "$editor"
  ox=$vf_x
  oy=$vf_y
  xdotool mousemove $((ox + 300)) $((oy + 620))
  sleep 0.7
  import -window "$editor" "$vf_tmp/before.png" 2>/dev/null
  xdotool mousemove $((ox + 112)) $((oy + 294)) click 1 mousemove $((ox + 300)) $((oy + 620))
  changed=0
  for ((try = 0; try < 10; try++)); do
    sleep 0.5
    import -window "$editor" "$vf_tmp/after.png" 2>/dev/null
    changed=$(compare -metric AE "$vf_tmp/before.png" "$vf_tmp/after.png" null: 2>&1 | cut -d' ' -f1)
    [ "${changed:-0}" != "0" ] && return 0
  done
  return 1
}
if switch_click_changes_picture; then
  echo "ok   the editor still repaints ($changed pixels changed)"
else
  cp "$vf_tmp/before.png" "$vf_tmp/after.png" "${VF_ARTIFACT_DIR:-.}/" 2>/dev/null
  fail "the editor did not repaint after a switch click (before.png and after.png saved)"
fi

vf_stop_jalv
case $? in
  0) echo "ok   jalv closes cleanly" ;;
  2) fail "jalv hung while closing" ;;
  *) fail "jalv crashed while closing" ;;
esac

for ((c = 1; c <= cycles; c++)); do
  vf_start_jalv
  editor=$(vf_find_window 365x650 20)
  if [ -z "$editor" ]; then
    fail "cycle $c: no editor"
    vf_stop_jalv
    continue
  fi
  vf_window_geometry "$editor"
  xdotool mousemove $((vf_x + 113)) $((vf_y + 151)) mousedown 1 mousemove $((vf_x + 113)) $((vf_y + 140)) mouseup 1
  vf_stop_jalv
  case $? in
    0) ;;
    2) fail "cycle $c: jalv hung while closing" ;;
    *) fail "cycle $c: jalv crashed while closing" ;;
  esac
done
echo "ok   $cycles open/close cycles done"

if ((failures > 0)); then
  echo "---- jalv log"
  tail -n 40 "$vf_tmp/jalv.log"
  exit 1
fi
echo PASSED
