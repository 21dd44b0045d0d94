#!/usr/bin/env bash
# Where hostip can and cannot open its window, with the real program in the
# resolver sandbox:
#   - natively on Wayland (weston's headless backend): it starts, draws and
#     carries its title and its fixed size;
#   - on Wayland without Qt's Wayland plugin (masked by a bind mount inside the
#     sandbox): with no X display it says which package is missing and exits 1,
#     with an X display (Xvfb) it opens there instead;
#   - with DISPLAY naming an X server that is not there: exit 1 and a message.
# None of these may abort.
#
#   tests/displays.sh HOSTIP_BINARY OUT_DIR QT_PLUGIN_DIR
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ "${1:-}" != --inside ]; then
    for tool in weston weston-screenshooter Xvfb xwininfo; do
        command -v "$tool" >/dev/null || { echo "displays: $tool is missing; skipping" >&2; exit 77; }
    done
    exec "$here/sandbox.sh" "$0" --inside "$@"
fi
shift
hostip=$1
out=$2
plugins=$3/platforms
mkdir -p "$out"
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; umount "$plugins" 2>/dev/null; rm -rf "$work"' EXIT
passed=0 failed=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); echo "ok: $what"; else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
# waitfor SECONDS COMMAND...: until the command succeeds
waitfor() {
    local tries=$(($1 * 20))
    shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.05; done
    return 1
}
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)

# --- Wayland, with Qt's Wayland plugin
weston --backend=headless-backend.so --use-pixman --socket=wl-test --width=480 --height=200 \
    --debug >"$work/weston.log" 2>&1 &
pids+=($!)
check "weston is up" waitfor 10 test -S "$XDG_RUNTIME_DIR/wl-test"
"${nodisplay[@]}" WAYLAND_DISPLAY=wl-test WAYLAND_DEBUG=client "$hostip" localhost 2>"$work/wl.log" &
app=$!
log=$work/wl.log
check "on Wayland: the window carries its title" \
    waitfor 10 grep -qF 'set_title("HOST <-> IP {hostip}")' "$log"
check "on Wayland: equal minimum and maximum size" \
    bash -c "grep -q 'set_min_size(282, 57)' '$log' && grep -q 'set_max_size(282, 57)' '$log'"
check "on Wayland: it draws (a buffer attached and committed)" \
    waitfor 10 bash -c "grep -q 'wl_surface@.*attach(wl_buffer' '$log' && grep -q 'wl_surface@.*commit()' '$log'"
sleep 0.3
(cd "$out" && rm -f wayland-screenshot-*.png && WAYLAND_DISPLAY=wl-test weston-screenshooter >/dev/null 2>&1 &&
    mv wayland-screenshot-*.png wayland.png && echo "displays: $out/wayland.png")
check "on Wayland: still running" kill -0 "$app"
kill "$app"
wait "$app" 2>/dev/null

# --- Wayland without the plugin: a copy of the platform plugins without it
cp -r "$plugins" "$work/platforms"
rm -f "$work"/platforms/libqwayland-*
mount --bind "$work/platforms" "$plugins"
"${nodisplay[@]}" WAYLAND_DISPLAY=wl-test "$hostip" localhost 2>"$work/masked.err"
status=$?
echo "  status $status: $(cat "$work/masked.err")"
check "Wayland without its plugin: exit 1, naming qt6-wayland" \
    bash -c "[ $status = 1 ] && grep -q 'install the package qt6-wayland' '$work/masked.err' && [ \$(wc -l <'$work/masked.err') = 1 ]"

# A display number of Xvfb's own choosing, so no other test's server is in the way;
# -noreset, so the checks' own connections coming and going do not reset it.
Xvfb -displayfd 3 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
waitfor 10 test -s "$work/display"
x=:$(head -n 1 "$work/display")
waitfor 10 xwininfo -display "$x" -root >/dev/null 2>&1
"${nodisplay[@]}" WAYLAND_DISPLAY=wl-test DISPLAY=$x "$hostip" localhost 2>"$work/fallback.err" &
app=$!
check "Wayland without its plugin, with X: the window opens on X" \
    waitfor 10 bash -c "xwininfo -display $x -root -tree | grep -qF '\"HOST <-> IP {hostip}\"'"
cat "$work/fallback.err" >&2
kill "$app" 2>/dev/null
wait "$app" 2>/dev/null
umount "$plugins"

# --- Qt's own options are no options here: the whole command line is the name
for line in "-platform bogus" "-reverse"; do
    # shellcheck disable=SC2086 # the words are the point
    "${nodisplay[@]}" DISPLAY=$x "$hostip" $line 2>/dev/null &
    app=$!
    check "\"hostip $line\" looks \"$line\" up and says 9001" \
        waitfor 10 bash -c "xwininfo -display $x -root -tree | grep -qF '\"9001\"' && kill -0 $app"
    kill "$app" 2>/dev/null
    wait "$app" 2>/dev/null
done

# --- an X display that is not there
"${nodisplay[@]}" DISPLAY=:99 "$hostip" localhost 2>"$work/x99.err"
status=$?
echo "  status $status: $(cat "$work/x99.err")"
check "DISPLAY=:99 with nothing there: exit 1 and a message" \
    bash -c "[ $status = 1 ] && grep -q 'cannot open the X display \":99\"' '$work/x99.err'"

echo "displays: $passed passed, $failed failed"
[ "$failed" = 0 ]
