#!/usr/bin/env bash
# Where hostip can and cannot open its window, and how it looks there, with
# the real program in the resolver sandbox: natively on Wayland (weston,
# headless), on Wayland without Qt's Wayland plugin (masked by a bind mount),
# on X (Xvfb) with its pictures in OUT_DIR (at 100 % and 200 %, a message box,
# GTK's settings from tests/gtk/ read by Qt's GTK platform theme), and with an
# X display that is not there. docs/testing.md says what each part checks.
#
#   tests/displays.sh HOSTIP_BINARY WINDOW_TESTS OUT_DIR QT_PLUGIN_DIR
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

[ "${1:-}" = --inside ] || exec "$here/sandbox.sh" "$0" --inside "$@"
hostip=$2 window_tests=$3 out=$4 plugins=$5/platforms
mkdir -p "$out"
rm -f "$out"/{wayland,window*,message}.png # no picture of an earlier run may pass for this one's
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; umount "$plugins" 2>/dev/null; rm -rf "$work"' EXIT
. "$here/lib.sh"
title="HOST <-> IP {hostip}"
stopped() { kill "$1" 2>/dev/null; wait "$1" 2>/dev/null; } # stopped PID: the process ended

# --- Wayland, with Qt's Wayland plugin
weston --backend=headless-backend.so --use-pixman --socket=wl-test --width=480 --height=200 \
    --debug >"$work/weston.log" 2>&1 &
pids+=($!)
check "weston is up" waitfor "${pids[0]}" test -S "$XDG_RUNTIME_DIR/wl-test"
# westonshot FILE: what weston shows
westonshot() {
    (cd "$work" && rm -f wayland-screenshot-*.png && WAYLAND_DISPLAY=wl-test weston-screenshooter &&
        mv wayland-screenshot-*.png "$1") >/dev/null 2>&1
}
# drawn: at least half the window's 282x57 pixels differ from the empty screen
# (compare exits 1 when the pictures differ, which is the point here)
drawn() {
    westonshot "$work/now.png" &&
        { compare -metric AE "$work/empty.png" "$work/now.png" null: 2>&1 || true; } |
        awk '{ exit !($1 > 8000) }' # ImageMagick 7 adds the share in brackets: "35928 (0.37)"
}
# the screen without hostip, once the shell has drawn it (two shots alike)
settled() { westonshot "$work/empty.png" && westonshot "$work/again.png" && cmp -s "$work/empty.png" "$work/again.png"; }
check "weston's shell has drawn" waitfor "${pids[0]}" settled
# opens LOG [NAME=VALUE...]: hostip started on weston ($app), with these, its requests in LOG
opens() {
    env WAYLAND_DISPLAY=wl-test WAYLAND_DEBUG=client "${@:2}" "$hostip" localhost 2>"$1" &
    app=$!
}
titled() { grep -qF "set_title(\"$title\")" "$1"; } # titled LOG: it asked for its title (natively)
log=$work/wl.log # the requests' arguments read alike in every libwayland's log
opens "$log"
check "on Wayland: the window carries its title" waitfor "$app" titled "$log"
check "on Wayland: equal minimum and maximum size" \
    bash -c "grep -q 'set_min_size(282, 57)' '$log' && grep -q 'set_max_size(282, 57)' '$log'"
check "on Wayland: it draws (weston's screen shows it)" waitfor "$app" drawn
cp "$work/now.png" "$out/wayland.png" && echo "displays: $out/wayland.png"
check "on Wayland: still running" kill -0 "$app"
stopped "$app"
# Maximise asked for as Qt's own title bar asks it (from Qt 6.7 on the window
# must decline the compositor's maximised size). Leaks are the window suite's
# to find: Qt 6.8's Wayland integration leaves one of its own at exit.
check "on Wayland: maximise leaves the window 282x57, drawing and working" \
    env QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=wl-test \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$window_tests" \
    --gtest_filter=Window.FixedSizeWindowRefusesToBeMaximised

# --- Wayland without the plugin: a copy of the platform plugins without it
cp -r "$plugins" "$work/platforms"
mkdir "$work/bundled"
mv "$work"/platforms/libqwayland* "$work/bundled" # libqwayland-generic.so and -egl.so up to Qt 6.10, libqwayland.so since
mount --bind "$work/platforms" "$plugins"
WAYLAND_DISPLAY=wl-test bounded "$hostip" localhost 2>"$work/masked.err"
status=$?
echo "  status $status: $(cat "$work/masked.err")"
check "Wayland without its plugin: exit 1, naming qt6-wayland" \
    bash -c "[ $status = 1 ] && grep -q 'install the package qt6-wayland' '$work/masked.err' && [ \$(wc -l <'$work/masked.err') = 1 ]"
# ... but bundled where QT_QPA_PLATFORM_PLUGIN_PATH says, as a deployment may have it
opens "$work/bundled.log" QT_QPA_PLATFORM_PLUGIN_PATH="$work/bundled"
check "Wayland with its plugin in QT_QPA_PLATFORM_PLUGIN_PATH: it opens there" waitfor "$app" titled "$work/bundled.log"
stopped "$app"

# A display number of Xvfb's own choosing, so no other test's server is in the way;
# -noreset, so the checks' own connections coming and going do not reset it.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 800x400x24 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
waitfor "${pids[1]}" test -s "$work/display"
x=:$(head -n 1 "$work/display")
onx() { xwininfo -display "$x" -root -tree | grep -F "\"$1\""; } # onx TITLE: a window so titled is on X
waitfor "${pids[1]}" xwininfo -display "$x" -root
WAYLAND_DISPLAY=wl-test DISPLAY=$x "$hostip" localhost 2>"$work/fallback.err" &
app=$!
check "Wayland without its plugin, with X: the window opens on X" waitfor "$app" onx "$title"
cat "$work/fallback.err" >&2
stopped "$app"
umount "$plugins"

# --- natively, both displays set: on another desktop than GNOME (GNOME's own is
# the desktop suite's), and on GNOME where no X server answers
for row in "weston $x" "GNOME :99"; do
    desktop=${row% *} display=${row#* }
    opens "$work/on-$desktop.log" DISPLAY="$display" XDG_CURRENT_DESKTOP="$desktop"
    check "$desktop, DISPLAY=$display: opens on Wayland" waitfor "$app" titled "$work/on-$desktop.log"
    stopped "$app"
done

# --- pictures on X
# shot NAME TITLE SIZE|- [NAME=VALUE...] -- ARGS...: hostip's picture, trimmed
# to what it drew, in OUT/NAME.png, of SIZE where one is given
shot() {
    local name=$1 want=$2 size=$3 envs=() got
    shift 3
    while [ "$1" != -- ]; do envs+=("$1") && shift; done
    env "${envs[@]}" DISPLAY="$x" "$hostip" "${@:2}" &
    local app=$!
    waitfor "$app" onx "$want" && sleep 0.3 && import -display "$x" -window root "$work/root.png"
    local status=$?
    stopped "$app"
    [ $status = 0 ] && convert "$work/root.png" -trim +repage "$out/$name.png" || return 1
    got=$(identify -format '%wx%h' "$out/$name.png")
    echo "displays: $out/$name.png ($got)"
    [ "$size" = - ] || [ "$got" = "$size" ]
}
# property NAME FX: a figure of a picture, as ImageMagick's fx gives it
property() { convert "$out/$1.png" -colorspace Gray -format "%[fx:$2]" info:; }
check "X: the window, 282x57" shot window "$title" 282x57 -- localhost
check "X: the window at 200 %, 564x114" shot window-200 "$title" 564x114 QT_SCALE_FACTOR=2 -- localhost
check "X: the start-up's 9001" shot message 9001 - -- nowhere.test
for theme in large dark; do # larger than drawn, in the form's 282:57
    check "X: GTK's $theme settings, the form scaled up" eval 'shot "window-gtk-$theme" "$title" - \
        XDG_CONFIG_HOME="$here/gtk/$theme" QT_QPA_PLATFORMTHEME=gtk3 -- localhost &&
        [ "$(property "window-gtk-$theme" "w > 282 && abs(w / h - 282 / 57) < 0.1")" = 1 ]'
done
check "X: the dark theme gives a dark window" \
    eval '[ "$(property window "mean > 0.6")$(property window-gtk-dark "mean < 0.4")" = 11 ]'

# --- an X display that is not there
DISPLAY=:99 bounded "$hostip" localhost 2>"$work/x99.err"
status=$?
echo "  status $status: $(cat "$work/x99.err")"
check "DISPLAY=:99 with nothing there: exit 1 and a message" \
    bash -c "[ $status = 1 ] && grep -q 'cannot open the X display \":99\"' '$work/x99.err'"

finish displays
