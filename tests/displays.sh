#!/usr/bin/env bash
# Where hostip can and cannot open its window, with the real program in the
# resolver sandbox:
#   - natively on Wayland (weston's headless backend): it starts, draws and
#     carries its title and its fixed size, and stays so when maximise is asked;
#   - on Wayland without Qt's Wayland plugin (masked by a bind mount inside the
#     sandbox): with no X display it says which package is missing and exits 1,
#     unless QT_QPA_PLATFORM_PLUGIN_PATH names a folder that has it; with an X
#     display (Xvfb) it opens there instead;
#   - with DISPLAY naming an X server that is not there: exit 1 and a message.
# None of these may abort.
#
#   tests/displays.sh HOSTIP_BINARY WINDOW_TESTS OUT_DIR QT_PLUGIN_DIR
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ "${1:-}" != --inside ]; then
    exec "$here/sandbox.sh" "$0" --inside "$@"
fi
shift
hostip=$1
window_tests=$2
out=$3
plugins=$4/platforms
mkdir -p "$out"
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; umount "$plugins" 2>/dev/null; rm -rf "$work"' EXIT
passed=0 failed=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); echo "ok: $what"; else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
# waitfor PID COMMAND...: until the command succeeds, while the process PID
# lives (a busy machine may take its time: up to 5 minutes)
waitfor() {
    local pid=$1
    shift
    for _ in $(seq 6000); do
        "$@" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

# --- Wayland, with Qt's Wayland plugin
weston --backend=headless-backend.so --use-pixman --socket=wl-test --width=480 --height=200 \
    --debug >"$work/weston.log" 2>&1 &
pids+=($!)
check "weston is up" waitfor "${pids[0]}" test -S "$XDG_RUNTIME_DIR/wl-test"
# shot FILE: what weston shows
shot() {
    (cd "$work" && rm -f wayland-screenshot-*.png && WAYLAND_DISPLAY=wl-test weston-screenshooter &&
        mv wayland-screenshot-*.png "$1") >/dev/null 2>&1
}
# drawn: at least half the window's 282x57 pixels differ from the empty screen
# (compare exits 1 when the pictures differ, which is the point here)
drawn() {
    shot "$work/now.png" &&
        { compare -metric AE "$work/empty.png" "$work/now.png" null: 2>&1 || true; } |
        awk '{ exit !($1 > 8000) }' # ImageMagick 7 adds the share in brackets: "35928 (0.37)"
}
# the screen without hostip, once the shell has drawn it (two shots alike)
for _ in $(seq 500); do
    shot "$work/empty.png" && shot "$work/again.png" && cmp -s "$work/empty.png" "$work/again.png" && break
    sleep 0.2
done
WAYLAND_DISPLAY=wl-test WAYLAND_DEBUG=client "$hostip" localhost 2>"$work/wl.log" &
app=$!
# The requests' arguments, which read the same in every libwayland's debug log
# (the object ids around them are written differently from 1.23 on).
log=$work/wl.log
check "on Wayland: the window carries its title" \
    waitfor "$app" grep -qF 'set_title("HOST <-> IP {hostip}")' "$log"
check "on Wayland: equal minimum and maximum size" \
    bash -c "grep -q 'set_min_size(282, 57)' '$log' && grep -q 'set_max_size(282, 57)' '$log'"
check "on Wayland: it draws (weston's screen shows it)" waitfor "$app" drawn
cp "$work/now.png" "$out/wayland.png" && echo "displays: $out/wayland.png"
check "on Wayland: still running" kill -0 "$app"
kill "$app"
wait "$app" 2>/dev/null
# Maximise asked for as Qt's own title bar asks it. From Qt 6.7 on, Qt takes
# the compositor's maximised size as it comes, so the window has to decline;
# Qt 6.4 kept the window to its fixed size by itself.
# (Leaks are not looked for here: Qt 6.8's Wayland integration leaves its
# desktop services object at exit. The window suite looks for hostip's own.)
check "on Wayland: maximise leaves the window 282x57, drawing and working" \
    env QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=wl-test \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$window_tests" \
    --gtest_filter=Window.FixedSizeWindowRefusesToBeMaximised

# --- Wayland without the plugin: a copy of the platform plugins without it
cp -r "$plugins" "$work/platforms"
mkdir "$work/bundled"
mv "$work"/platforms/libqwayland* "$work/bundled" # libqwayland-generic.so and -egl.so up to Qt 6.10, libqwayland.so since
mount --bind "$work/platforms" "$plugins"
WAYLAND_DISPLAY=wl-test "$hostip" localhost 2>"$work/masked.err"
status=$?
echo "  status $status: $(cat "$work/masked.err")"
check "Wayland without its plugin: exit 1, naming qt6-wayland" \
    bash -c "[ $status = 1 ] && grep -q 'install the package qt6-wayland' '$work/masked.err' && [ \$(wc -l <'$work/masked.err') = 1 ]"
# ... but bundled where QT_QPA_PLATFORM_PLUGIN_PATH says, as a deployment may have it
WAYLAND_DISPLAY=wl-test QT_QPA_PLATFORM_PLUGIN_PATH="$work/bundled" WAYLAND_DEBUG=client \
    "$hostip" localhost 2>"$work/bundled.log" &
app=$!
check "Wayland with its plugin in QT_QPA_PLATFORM_PLUGIN_PATH: it opens there" \
    waitfor "$app" grep -qF 'set_title("HOST <-> IP {hostip}")' "$work/bundled.log"
kill "$app" 2>/dev/null
wait "$app" 2>/dev/null

# A display number of Xvfb's own choosing, so no other test's server is in the way;
# -noreset, so the checks' own connections coming and going do not reset it.
Xvfb -displayfd 3 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
waitfor "${pids[1]}" test -s "$work/display"
x=:$(head -n 1 "$work/display")
waitfor "${pids[1]}" xwininfo -display "$x" -root >/dev/null 2>&1
WAYLAND_DISPLAY=wl-test DISPLAY=$x "$hostip" localhost 2>"$work/fallback.err" &
app=$!
check "Wayland without its plugin, with X: the window opens on X" \
    waitfor "$app" bash -c "xwininfo -display $x -root -tree | grep -qF '\"HOST <-> IP {hostip}\"'"
cat "$work/fallback.err" >&2
kill "$app" 2>/dev/null
wait "$app" 2>/dev/null
umount "$plugins"

# --- Qt's own options are no options here: the whole command line is the name
for line in "-platform bogus" "-reverse"; do
    # shellcheck disable=SC2086 # the words are the point
    DISPLAY=$x "$hostip" $line 2>/dev/null &
    app=$!
    check "\"hostip $line\" looks \"$line\" up and says 9001" \
        waitfor "$app" bash -c "xwininfo -display $x -root -tree | grep -qF '\"9001\"' && kill -0 $app"
    kill "$app" 2>/dev/null
    wait "$app" 2>/dev/null
done

# --- an X display that is not there
DISPLAY=:99 "$hostip" localhost 2>"$work/x99.err"
status=$?
echo "  status $status: $(cat "$work/x99.err")"
check "DISPLAY=:99 with nothing there: exit 1 and a message" \
    bash -c "[ $status = 1 ] && grep -q 'cannot open the X display \":99\"' '$work/x99.err'"

echo "displays: $passed passed, $failed failed"
[ "$failed" = 0 ]
