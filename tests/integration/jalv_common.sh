# Shared by the jalv scripts: a private Xvfb and a dummy JACK server, both started
# here and stopped by their process ids, and helpers to find and drive the editor.

vf_pids=()

vf_cleanup() {
  local pid
  for pid in "${vf_pids[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for pid in "${vf_pids[@]}"; do
    wait "$pid" 2>/dev/null
  done
  [ -n "${vf_tmp:-}" ] && rm -rf "$vf_tmp"
}
trap vf_cleanup EXIT

vf_require() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is not installed"
      exit 77
    fi
  done
}

vf_start_xvfb() {
  vf_tmp=$(mktemp -d /tmp/vf-jalv.XXXXXX)
  mkfifo "$vf_tmp/displayfd"
  Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$vf_tmp/displayfd" >/dev/null 2>&1 &
  vf_pids+=($!)
  local number=""
  read -r -t 15 number <"$vf_tmp/displayfd"
  if [ -z "$number" ]; then
    echo "Xvfb did not start"
    exit 1
  fi
  export DISPLAY=":$number"
}

vf_start_jackd() {
  export JACK_DEFAULT_SERVER="vf-smoke-$$"
  jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 512 >"$vf_tmp/jackd.log" 2>&1 &
  vf_jackd_pid=$!
  vf_pids+=($vf_jackd_pid)
  sleep 1.5
  if ! kill -0 "$vf_jackd_pid" 2>/dev/null; then
    echo "jackd did not start:"
    cat "$vf_tmp/jackd.log"
    exit 1
  fi
}

# The stereo plug-in's URI as the host sees it.
vf_plugin_uri() {
  lv2ls 2>/dev/null | grep '#stereo$' | head -n 1
}

# Starts jalv with the plug-in; sets vf_jalv_pid.
vf_start_jalv() {
  jalv.gtk3 "$vf_uri" </dev/null >>"$vf_tmp/jalv.log" 2>&1 &
  vf_jalv_pid=$!
}

# Prints the id of the innermost window of the given size (e.g. 365x650), waiting up to
# $2 seconds; prints nothing when there is none.
vf_find_window() {
  local size=$1 timeout=${2:-20} id i
  for ((i = 0; i < timeout * 10; i++)); do
    # The host nests the editor in wrappers of the same size: take the innermost.
    id=$(xwininfo -root -tree 2>/dev/null | awk -v s="$size" '$0 ~ " "s"\\+" {id = $1} END {print id}')
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    if [ -n "${vf_jalv_pid:-}" ] && ! kill -0 "$vf_jalv_pid" 2>/dev/null; then
      return 1
    fi
    sleep 0.1
  done
  return 1
}

# Absolute position of a window's top-left corner: sets vf_x, vf_y, vf_w, vf_h.
vf_window_geometry() {
  local info
  info=$(xwininfo -id "$1" 2>/dev/null) || return 1
  vf_x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  vf_y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  vf_w=$(awk '/Width:/ {print $NF}' <<<"$info")
  vf_h=$(awk '/Height:/ {print $NF}' <<<"$info")
}

# Like vf_window_geometry, once the host has finished laying out its window: a
# freshly found editor may still move (the host adds its menu bar after mapping it),
# so wait until the position holds for half a second (5 s at most).
vf_settled_geometry() {
  local i last="" now
  for ((i = 0; i < 50; i++)); do
    vf_window_geometry "$1" || return 1
    now="$vf_x,$vf_y,$vf_w,$vf_h"
    if [ "$now" = "$last" ]; then
      return 0
    fi
    last=$now
    sleep 0.5
  done
  return 0
}

# Stops jalv with SIGINT (its clean shutdown, which closes the editor) and waits up to
# 15 s.  Returns 0 on a clean exit, 2 on a hang, 3 on a crash.
vf_stop_jalv() {
  local i status
  kill -INT "$vf_jalv_pid" 2>/dev/null
  for ((i = 0; i < 150; i++)); do
    kill -0 "$vf_jalv_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$vf_jalv_pid" 2>/dev/null; then
    kill -KILL "$vf_jalv_pid" 2>/dev/null
    wait "$vf_jalv_pid" 2>/dev/null
    return 2
  fi
  wait "$vf_jalv_pid"
  status=$?
  # 128 + SIGSEGV / SIGABRT / SIGBUS / SIGFPE / SIGILL mean a crash.
  case $status in
    132|134|135|136|139) return 3 ;;
  esac
  return 0
}
