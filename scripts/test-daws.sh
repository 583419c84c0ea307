#!/usr/bin/env bash
# Drives the stereo plug-in's editor in real hosts on a private Xvfb: Ardour (dummy
# backend, Touch automation on two parameters, transport rolling), Qtractor, jalv.qt5
# and jalv.gtk3 (each on its own dummy JACK server; jalv.gtk3 gets the grip steps and
# a few drags only).  Knob drags, switch clicks, grip
# resizes and close/reopen cycles go through xdotool; afterwards the host must be
# alive, no Xlib/xcb error may have been printed, the saved session must hold the
# values the editor was last set to, and the host window must have followed every
# grip step.  Prints one PASS/FAIL line per host; exits 1 on any failure.
# Not part of scripts/test.sh: the hosts are large installs.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
support="$root/tests/daws"
out="${VF_DAWS_OUT:-$root/build/daws}"
drags="${VF_DRAGS:-300}"
clicks="${VF_CLICKS:-50}"
grips="${VF_GRIPS:-10}"
reopens="${VF_REOPENS:-25}"
hosts="${VF_HOSTS:-ardour qtractor jalv jalv-gtk3}"
touch_ports="${VF_ARDOUR_TOUCH-2 3}"  # empty: a control run without automation
follow_tenths=$(awk -v s="${VF_FOLLOW_SECONDS:-1}" 'BEGIN {print int(s * 10 + 0.5)}')
uri='https://drevkin.example/velmorin-free/515A504E#stereo'

# ---- packages (a fresh machine has none of the hosts)
missing=()
want() { command -v "$1" >/dev/null || missing+=("$2"); }
command -v ardour7 >/dev/null || want ardour ardour
want ardour7-lua ardour
want qtractor qtractor
want jalv.qt5 jalv
want jalv.gtk3 jalv
want lv2ls lilv-utils
want xdotool xdotool
want xwininfo x11-utils
want xprop x11-utils
want import imagemagick
want Xvfb xvfb
want jackd jackd2
want gcc gcc
want cmake cmake
[ -f /usr/include/X11/Xlib.h ] || missing+=(libx11-dev)
[ -f /usr/include/X11/extensions/XShm.h ] || missing+=(libxext-dev)
if [ "${#missing[@]}" -gt 0 ]; then
    echo "=== installing ${missing[*]}"
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" || exit 1
fi
ardour_bin=$(command -v ardour7 || command -v ardour)

# ---- the bundle
bundle="${VF_BUNDLE_DIR:-}"
if [ -z "$bundle" ]; then
    bundle="$root/build/Velmorin-Free.lv2"
    if [ ! -f "$root/build/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$root/build" -DVF_BUILD_TESTS=OFF -DVF_BUILD_BENCHMARKS=OFF || exit 1
    fi
    cmake --build "$root/build" -j "${VF_JOBS:-2}" --target velmorin_free || exit 1
fi
[ -f "$bundle/manifest.ttl" ] || { echo "no bundle at $bundle"; exit 1; }

mkdir -p "$out"
out=$(cd "$out" && pwd)
source "$root/tests/integration/jalv_common.sh"
vf_start_xvfb
echo "=== Xvfb on $DISPLAY, output in $out"
# The bundle alone in LV2_PATH: lilv would read every other folder of build/ as a bundle.
mkdir -p "$vf_tmp/lv2"
ln -s "$(cd "$bundle" && pwd)" "$vf_tmp/lv2/Velmorin-Free.lv2"
export LV2_PATH="$vf_tmp/lv2"
gcc -O2 -o "$vf_tmp/wm_delete" "$support/wm_delete.c" -lX11 || exit 1
gcc -O2 -shared -fPIC -o "$vf_tmp/fake_alsa_seq.so" "$support/fake_alsa_seq.c" || exit 1

# ---- the editor, whatever host holds it
sizes=(237x422 274x488 310x553 365x650 456x813 548x975)
knobs=("73 458 153 538" "73 111 153 191" "223 111 303 191" "225 458 305 538") # p0 p2 p3 p5
switches=("80 279 145 309" "227 279 292 309")                                  # p1 p4

# The editor's X window: the innermost window as tall as one of the six sizes.
find_editor() {
    local i id pattern
    pattern=$(printf ' [0-9]+x%s\\+|' "${sizes[@]#*x}")
    for ((i = 0; i < ${1:-100}; i++)); do
        id=$(xwininfo -root -tree 2>/dev/null | grep -E "${pattern%|}" | awk '{id = $1} END {print id}')
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# The size last asked for through the grip: the editor draws no larger than that,
# also in a host window that stays larger.  A fresh plug-in instance asks for 365x650.
asked=365x650

# Sets ex ey ew eh (the editor's window) and cx cy cw ch (what the editor draws: the
# largest of its sizes that fits both the window and the size asked for, centred).
editor_layout() {
    vf_window_geometry "$editor" || return 1
    ex=$vf_x ey=$vf_y ew=$vf_w eh=$vf_h cw=$vf_w ch=$vf_h
    local s
    for s in "${sizes[@]}"; do
        if ((${s%x*} <= ew && ${s#*x} <= eh && ${s%x*} <= ${asked%x*} && ${s#*x} <= ${asked#*x})); then
            cw=${s%x*} ch=${s#*x}
        fi
    done
    cx=$((ex + (ew - cw) / 2)) cy=$((ey + (eh - ch) / 2))
}

# Sets px py: the screen position of the design-size point ($1, $2).
at() { px=$((cx + $1 * cw / 365)) py=$((cy + $2 * ch / 650)); }

# Drags knob $1 (index into knobs) vertically by $2 design pixels, in four moves,
# $3 seconds apart (default: at once).  A host that takes the gesture on its idle
# calls sees an instant drag as one step; a hand's drag spans several.
drag_knob() {
    local b=(${knobs[$1]}) i args=()
    at $(((b[0] + b[2]) / 2)) $(((b[1] + b[3]) / 2))
    local dy=$(($2 * ch / 650))
    for i in 1 2 3 4; do
        [ -n "${3:-}" ] && args+=(sleep "$3")
        args+=(mousemove "$px" $((py + dy * i / 4)))
    done
    xdotool mousemove "$px" "$py" mousedown 1 "${args[@]}" mouseup 1
}

click_switch() {
    local b=(${switches[$1]})
    at $(((b[0] + b[2]) / 2)) $(((b[1] + b[3]) / 2))
    xdotool mousemove "$px" "$py" click 1
}

# The host's rectangles around the editor, innermost first: "x y w h" per line.
host_frames() {
    local id=$editor parent root
    while :; do
        read -r parent root < <(xwininfo -children -id "$id" 2>/dev/null |
            awk '/Parent window id/ {p = $4} /Root window id/ {r = $4} END {print p, r}')
        [ -z "$parent" ] || [ "$parent" = "$root" ] && break
        id=$parent
        vf_window_geometry "$id" && echo "$vf_x $vf_y $vf_w $vf_h"
    done
    host_top=$id
}

# Sets visible="WxH": the part of the editor's drawing that the host's windows show;
# bare: the host's own area around the editor window (its parent's size), if any.
visible_area() {
    local x0=$cx y0=$cy x1=$((cx + cw)) y1=$((cy + ch)) fx fy fw fh
    bare=""
    while read -r fx fy fw fh; do
        [ -z "$bare" ] && bare=$( ((fw > ew || fh > eh)) && echo "${fw}x${fh}" || echo -)
        ((fx > x0)) && x0=$fx
        ((fy > y0)) && y0=$fy
        ((fx + fw < x1)) && x1=$((fx + fw))
        ((fy + fh < y1)) && y1=$((fy + fh))
    done < <(host_frames)
    visible="$((x1 - x0))x$((y1 - y0))"
    vf_window_geometry "$host_top" && host_size="${vf_w}x${vf_h}"
}

# One grip drag to size $1 (WxH); waits for the editor to draw at that size and the
# host to show all of it, then for the editor to settle (it fills a host window that
# stayed larger after a second) and checks that nothing moves after that.  Prints a
# table row when $2 is set; returns 1 on a miss.
grip_to() {
    local w=${1%x*} h=${1#*x} i gx gy
    editor_layout || return 1
    local inset=$((12 * cw / 365))
    gx=$((cx + cw - inset)) gy=$((cy + ch - inset))
    asked=$1
    xdotool mousemove "$gx" "$gy" mousedown 1 \
        mousemove $((gx + (w - cw) / 2)) $((gy + (h - ch) / 2)) \
        mousemove $((gx + w - cw)) $((gy + h - ch)) mouseup 1
    local ok=1
    for ((i = 0; i <= follow_tenths; i++)); do
        ((i > 0)) && sleep 0.1
        editor_layout || break
        visible_area
        if [ "${cw}x${ch}" = "$1" ] && [ "$visible" = "$1" ]; then ok=0; break; fi
    done
    local verdict="ok $((i * 100)) ms"
    ((ok == 0)) || verdict=MISS
    # A host window of fixed size (minimum = maximum in its hints) cannot follow: the
    # editor must then fit into it within another second, all of it shown.
    if ((ok != 0)) && host_fixed; then
        for ((i = 1; i <= follow_tenths + 5; i++)); do
            sleep 0.1
            editor_layout && visible_area
            if [ "$visible" = "${cw}x${ch}" ] && [ "${bare:--}" = - ]; then
                ok=2 verdict="fixed host window: fits ${cw}x${ch} $((i * 100)) ms later"
                break
            fi
        done
    fi
    if ((ok == 0)); then
        local settled
        sleep "$(((follow_tenths + 3 - i) / 10)).$(((follow_tenths + 3 - i) % 10))"
        editor_layout && visible_area
        settled="${ew}x${eh} ${cw}x${ch} $host_size $visible"
        [ "${cw}x${ch} $visible" = "$1 $1" ] || { ok=1; verdict="MISS: then ${cw}x${ch} shown $visible"; }
        [ "${bare:--}" = - ] || { ok=1; verdict="MISS: host area ${bare} beside the editor"; }
        # A host and editor pulling the window back and forth would still be at it.
        sleep 0.3
        editor_layout && visible_area
        [ "${ew}x${eh} ${cw}x${ch} $host_size $visible" = "$settled" ] || { ok=1; verdict="MISS: still moving"; }
    fi
    if [ "${2:-0}" = 1 ] || ((ok != 0)); then
        printf '  %-9s %-9s editor %-9s draws %-9s host %-9s shows %-9s bare %-9s %s\n' "$host" "$1" \
            "${ew}x${eh}" "${cw}x${ch}" "$host_size" "$visible" "${bare:--}" "$verdict"
    fi
    return $ok
}

host_fixed() {
    xprop -id "$host_top" WM_NORMAL_HINTS 2>/dev/null | awk '/minimum size/ {lo = $(NF - 2) "x" $NF}
        /maximum size/ {hi = $(NF - 2) "x" $NF} END {exit !(lo != "" && lo == hi)}'
}

# ---- one host's run; the host_* functions are defined per host below
problems=()
problem() { problems+=("$*"); echo "  problem: $*"; }

alive() { kill -0 "$host_pid" 2>/dev/null; }

# Sets main_window to the host's first window named like $1, waiting up to $2 tenths
# of a second; fails when the host exits first.
await_main_window() {
    local i
    main_window=""
    for ((i = 0; i < $2; i++)); do
        main_window=$(xdotool search --name "$1" 2>/dev/null | head -n 1)
        [ -n "$main_window" ] && return 0
        alive || { problem "exited while starting"; return 1; }
        sleep 0.1
    done
    problem "main window did not appear"
    return 1
}

stress() {
    local g n=$((drags > clicks ? drags : clicks))
    editor_layout
    for ((g = 0; g < n; g++)); do
        ((g < drags)) && drag_knob $((g % 4)) $(((g * 37) % 161 - 80))
        ((g < clicks)) && click_switch $((g % 2))
        if ((g % 25 == 24)) && ! alive; then
            problem "died during the gestures (after $g)"
            return 1
        fi
    done
    alive || { problem "died during the gestures"; return 1; }
}

grip_cycles() {
    local c s r misses=0 fixed=0 path=(456x813 548x975 456x813 365x650 310x553 274x488 237x422 274x488 310x553 365x650)
    echo "  grip steps (first cycle; later cycles print only misses):"
    for ((c = 1; c <= grips; c++)); do
        for s in "${path[@]}"; do
            grip_to "$s" $((c == 1 ? 1 : 0))
            r=$?
            ((r == 1)) && misses=$((misses + 1))
            ((r == 2)) && fixed=$((fixed + 1))
            ((c == 1)) && [ "$s" = 548x975 ] && import -window root "$out/$host-548x975.png"
            ((c == 1)) && [ "$s" = 237x422 ] && import -window root "$out/$host-237x422.png"
            alive || { problem "died during the grip resizes"; return 1; }
        done
    done
    ((misses > 0)) && problem "$misses of $((grips * ${#path[@]})) grip steps not followed within ${VF_FOLLOW_SECONDS:-1} s"
    ((fixed > 0)) && notes+="; $fixed grip steps beyond its fixed window (the editor fitted)"
    # A miss may leave the editor at another size; the rest expects the design size.
    editor_layout
    [ "${cw}x${ch}" = 365x650 ] || grip_to 365x650 >/dev/null
    return 0
}

reopen_cycles() {
    local c
    for ((c = 1; c <= reopens; c++)); do
        host_close_editor
        sleep 0.3
        host_open_editor || { problem "editor did not reopen (cycle $c)"; return 1; }
        editor_layout
        drag_knob $((c % 4)) -10
        alive || { problem "died in close/reopen cycle $c"; return 1; }
    done
}

# Sets the four knobs to known values: each down to 0, then up by 2..5 half heights
# (a full knob height is a quarter of the range).  Presses are 0.6 s apart: the
# editor takes any two presses within 0.5 s as a double click (reset to default).
knob_halfsteps=(5 2 3 4)
knob_targets=(0.625 0.25 0.375 0.5)  # p0 p2 p3 p5
knob_symbols=(p0 p2 p3 p5)
set_known_values() {
    local k
    editor_layout
    for k in 0 1 2 3; do
        sleep 0.6
        drag_knob "$k" 360 0.05
        sleep 0.6
        drag_knob "$k" $((-40 * knob_halfsteps[k])) 0.05
    done
}

# The editor's picture with the pointer elsewhere (hover highlights differ).
editor_picture() {
    xdotool mousemove 1599 1199
    sleep 1.5
    import -window "$editor" "$1" 2>/dev/null
}

# Checks the saved values $1 (lines "symbol value") against the knob targets.
check_values() {
    local k v bad=""
    for k in 0 1 2 3; do
        v=$(awk -v s="${knob_symbols[$k]}" '$1 == s {print $2}' <<<"$1")
        if [ -z "$v" ] || awk -v a="$v" -v b="${knob_targets[$k]}" 'BEGIN {exit !((a - b) ^ 2 > 1e-6)}'; then
            bad+=" ${knob_symbols[$k]}=${v:-missing} (set ${knob_targets[$k]})"
        fi
    done
    echo "  saved values: $(tr '\n' ' ' <<<"$1")"
    [ -z "$bad" ] || problem "saved values differ from the editor's:$bad"
}

# Closes and reopens the editor and compares its picture with the one before: a fresh
# editor draws what the host holds, the old one what it was set to.
check_reopened_picture() {
    editor_picture "$out/$host-before-reopen.png"
    host_close_editor
    sleep 0.5
    host_open_editor || { problem "editor did not reopen for the picture check"; return; }
    editor_picture "$out/$host-after-reopen.png"
    local diff
    diff=$(compare -metric AE -fuzz 3% "$out/$host-before-reopen.png" "$out/$host-after-reopen.png" null: 2>&1 | cut -d' ' -f1)
    echo "  reopened editor differs from the last picture in ${diff:-?} pixels"
    [ "${diff:-x}" = 0 ] || problem "reopened editor shows other values ($diff pixels differ; $host-*-reopen.png)"
}

x_errors() {
    local n
    n=$(grep -ciE 'x error|xlib|xcb error|\[xcb\]|xio:' "$1")
    ((n == 0)) || problem "$n Xlib/xcb error lines in $(basename "$1")"
}

# Waits for the host to exit after being asked to; a crash signal is a problem.
stop_host() {
    local i status
    for ((i = 0; i < 150; i++)); do alive || break; sleep 0.1; done
    if alive; then
        kill -TERM "$host_pid"
        sleep 2
        alive && kill -KILL "$host_pid"
    fi
    wait "$host_pid" 2>/dev/null
    status=$?
    case $status in 132|134|135|136|139) problem "crashed while closing (exit status $status)" ;; esac
}

run_host() {
    host=$1
    problems=()
    notes=""
    asked=365x650
    # jalv.gtk3 is here for its window's following of the grip: a few drags, no
    # clicks or reopens.
    local drags=$drags clicks=$clicks reopens=$reopens
    if [ "$host" = jalv-gtk3 ]; then
        drags=$((drags < 20 ? drags : 20)) clicks=0 reopens=0
    fi
    echo "=== $host"
    if ! "host_start_$host" || ! host_open_editor; then
        import -window root "$out/$host-no-editor.png"
        problem "editor did not open ($host-no-editor.png)"
    else
        import -window root "$out/$host-open.png"
        stress && grip_cycles && reopen_cycles && "host_check_$host"
        if alive; then
            import -window root "$out/$host-end.png"
        else
            problem "not running at the end"
        fi
    fi
    alive && "host_quit_$host"
    if [ -n "${vf_jackd_pid:-}" ]; then
        kill "$vf_jackd_pid" && wait "$vf_jackd_pid" 2>/dev/null
        vf_jackd_pid=""
    fi
    x_errors "$out/$host.log"
    if [ "${#problems[@]}" -eq 0 ]; then
        results+=("PASS $host: $drags drags, $clicks clicks, $grips grip cycles, $reopens reopens$notes")
    else
        local IFS=';'
        results+=("FAIL $host: ${problems[*]}")
        echo "---- last lines of $out/$host.log"
        grep -v lilv "$out/$host.log" | tail -n 15
    fi
}

# ---- Ardour: a session with Touch automation on p2 and p3, the dummy backend, the
# editor opened from the mixer strip, transport rolling throughout.
host_start_ardour() {
    local home="$vf_tmp/ardour-home"
    mkdir -p "$home/.config/ardour7"
    touch "$home/.config/ardour7/.a7"  # no first-run wizard
    cp "$support/ardour-config.xml" "$home/.config/ardour7/config"
    session="$vf_tmp/ardour-session"
    { echo "vf_dir = '$session'; vf_name = 'vfdaws'; vf_uri = '$uri'; vf_touch = {${touch_ports// /, }}"
      cat "$support/make-session.lua"; } >"$vf_tmp/make.lua"
    if ! HOME=$home XDG_CONFIG_HOME=$home/.config ardour7-lua "$vf_tmp/make.lua" >"$out/ardour-lua.log" 2>&1; then
        problem "ardour7-lua could not build the session (ardour-lua.log)"
        return 1
    fi
    local touches
    touches=$(grep -c 'state="Touch"' "$session/vfdaws.ardour")
    ((touches == $(wc -w <<<"$touch_ports"))) || { problem "$touches Touch automation lists in the session"; return 1; }
    local cmd=("$ardour_bin" -n -a "$session/vfdaws.ardour")
    if [ -n "${VF_GDB:-}" ]; then
        # The wrapper's environment, then the binary under gdb (prints the backtrace).
        local bin
        bin=$(sed -n 's/^exec \$DEBUGGER \([^ ]*\) .*/\1/p' "$ardour_bin")
        eval "$(grep -E '^export (GTK_PATH|LD_LIBRARY_PATH|ARDOUR_[A-Z_]*|VAMP_PATH)=' "$ardour_bin")"
        cmd=(gdb -q -batch -ex 'handle SIGPIPE SIGUSR1 SIGUSR2 SIG32 SIG33 nostop noprint' -ex run -ex 'thread apply all bt 20' --args "$bin" -n -a "$session/vfdaws.ardour")
    fi
    HOME=$home XDG_CONFIG_HOME=$home/.config "${cmd[@]}" </dev/null >"$out/ardour.log" 2>&1 &
    host_pid=$!
    vf_pids+=("$host_pid")
    await_main_window '^vfdaws - Ardour' 600 || return 1
    ardour_main=$main_window
    sleep 3
    # Without a window manager the main window sits at 0,0 at its default size: the
    # "Mix" button, then the plug-in in the track's processor box.
    xdotool mousemove 1325 72 click 1
    sleep 2
    xdotool windowfocus "$ardour_main" key space  # roll
    sleep 0.5
}

host_open_editor() { "host_open_$host"; }
host_close_editor() { "host_close_$host"; }

host_open_ardour() {
    sleep 0.6
    xdotool mousemove 338 207 click --repeat 2 --delay 80 1
    editor=$(find_editor 100) || return 1
    host_frames >/dev/null
    # Keep the processor box clear of the plug-in window.
    xdotool windowmove "$host_top" 700 0
    sleep 0.5
    editor_layout
}

host_close_ardour() { "$vf_tmp/wm_delete" "$host_top"; }

host_check_ardour() {
    set_known_values
    sleep 1
    check_reopened_picture
    xdotool windowfocus "$ardour_main" key ctrl+s
    sleep 3
    local f="$session/vfdaws.ardour" values events k
    values=$(sed -nE 's/.*<Controllable [^>]*value="([^"]*)" parameter="[0-9]+" symbol="(p[0-9])".*/\2 \1/p' "$f")
    # On release a Touch control returns to its list, which holds 0 outside the
    # passes just written: the host (and so the editor) then holds 0.
    local knob_targets=("${knob_targets[@]}")
    for k in 0 1 2 3; do
        [[ " $touch_ports " == *" ${knob_symbols[$k]#p} "* ]] && knob_targets[k]=0
    done
    check_values "$values"
    # A fresh list holds two points (start and end at the default).
    events=$(awk '/automation-id="parameter-[23]"/ {on = 1}
        on && /<events>/ {e = 1; sub(/.*<events>/, "")}
        e && /<\/events>/ {e = 0; on = 0}
        e && NF {n++} END {print n + 0}' "$f")
    echo "  Touch automation points in p2 and p3: $events"
    [ -z "$touch_ports" ] || ((events > 4)) || problem "no automation written (was the transport rolling?)"
    cp "$f" "$out/ardour-session.ardour"
}

host_quit_ardour() {
    xdotool windowfocus "$ardour_main" key ctrl+q
    stop_host
}

# ---- Qtractor: one audio track holding the plug-in, its own JACK server, the ALSA
# sequencer faked.
host_start_qtractor() {
    vf_start_jackd
    local home="$vf_tmp/qtractor-home"
    session="$vf_tmp/qtractor-session"
    mkdir -p "$home" "$session"
    sed "s|@DIR@|$session|" "$support/qtractor-session.qtr" >"$session/vfdaws.qtr"
    HOME=$home XDG_CONFIG_HOME=$home/.config LD_PRELOAD="$vf_tmp/fake_alsa_seq.so" \
        qtractor "$session/vfdaws.qtr" </dev/null >"$out/qtractor.log" 2>&1 &
    host_pid=$!
    vf_pids+=("$host_pid")
    await_main_window 'vfdaws.qtr' 300 || return 1
    qtractor_main=$main_window
    sleep 3
    xdotool windowfocus "$qtractor_main" key space  # roll
    sleep 0.5
}

host_open_qtractor() {
    sleep 0.6
    # The plug-in's entry in the track's plug-in list.
    xdotool mousemove 180 179 click --repeat 2 --delay 80 1
    editor=$(find_editor 100) || return 1
    host_frames >/dev/null
    editor_layout
}

host_close_qtractor() { "$vf_tmp/wm_delete" "$host_top"; }

host_check_qtractor() {
    set_known_values
    sleep 1
    check_reopened_picture
    xdotool windowfocus "$qtractor_main" key ctrl+s
    sleep 3
    local f="$session/vfdaws.qtr"
    # The order of a param's attributes varies from save to save.
    check_values "$(sed -nE 's/.*<param .*index="([0-9]+)".*>([^<]*)<\/param>.*/p\1 \2/p' "$f")"
    cp "$f" "$out/qtractor-session.qtr"
}

host_quit_qtractor() {
    xdotool windowfocus "$qtractor_main" key ctrl+q
    stop_host
}

# ---- jalv.qt5 and jalv.gtk3: their own JACK server; jalv keeps no session and
# cannot close only its editor, so a close/reopen cycle restarts it and the values
# are not checked.
host_start_jalv() { vf_start_jackd; }
host_start_jalv-gtk3() { vf_start_jackd; }

host_open_jalv() { open_jalv jalv.qt5; }
host_open_jalv-gtk3() { open_jalv jalv.gtk3; }

open_jalv() {
    alive 2>/dev/null && host_close_jalv
    asked=365x650
    "$1" "$uri" </dev/null >>"$out/$host.log" 2>&1 &
    host_pid=$!
    vf_pids+=("$host_pid")
    editor=$(find_editor 150) || return 1
    host_frames >/dev/null
    vf_settled_geometry "$editor"
    editor_layout
}

host_close_jalv() {
    kill -INT "$host_pid" 2>/dev/null
    stop_host
}

host_close_jalv-gtk3() { host_close_jalv; }
host_check_jalv() { :; }
host_check_jalv-gtk3() { :; }
host_quit_jalv() { host_close_jalv; }
host_quit_jalv-gtk3() { host_close_jalv; }

results=()
rm -f "$out"/*.log "$out"/*.png
for h in $hosts; do
    host_pid=""
    run_host "$h"
done
echo
echo "=== Summary (screenshots and logs in $out)"
printf '%s\n' "${results[@]}"
printf '%s\n' "${results[@]}" | grep -q '^FAIL' && exit 1
exit 0
