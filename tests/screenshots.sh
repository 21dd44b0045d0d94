#!/usr/bin/env bash
# Starts the real program under Xvfb, inside the resolver sandbox, and writes
# screenshots into OUT: the window at 100 % and 200 %, a coded message box, and
# the window with the desktop's font at 16 pt and with a dark theme, as GNOME
# hands them to Qt (GTK's settings, read by Qt's GTK platform theme). Fails
# when a window does not come up or does not have its expected size, shape or
# brightness.
#
#   tests/screenshots.sh HOSTIP_BINARY OUT_DIR
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ "${1:-}" != --inside ]; then
    exec "$here/sandbox.sh" xvfb-run -a -s "-screen 0 800x400x24 -noreset" "$0" --inside "$@"
fi
shift
hostip=$1
out=$2
mkdir -p "$out"

# shot NAME TITLE EXPECTED_SIZE|- [ENV=VALUE...] -- ARGS...
shot() {
    local name=$1 title=$2 size=$3
    shift 3
    local envs=()
    while [ "$1" != -- ]; do envs+=("$1"); shift; done
    shift
    env "${envs[@]}" "$hostip" "$@" &
    local pid=$! up=
    for _ in $(seq 6000); do # while it lives: a busy machine may take its time, up to 5 minutes
        if xwininfo -root -tree | grep -F "\"$title\"" >/dev/null; then up=1; break; fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    sleep 0.3 # let it paint
    [ -n "$up" ] && import -window root "$out/$name-root.png"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ -n "$up" ] || { echo "screenshots: \"$title\" did not come up for $name" >&2; exit 1; }
    convert "$out/$name-root.png" -trim +repage "$out/$name.png"
    rm "$out/$name-root.png"
    local got
    got=$(identify -format '%wx%h' "$out/$name.png")
    echo "screenshots: $out/$name.png ($got)"
    if [ "$size" != - ] && [ "$got" != "$size" ]; then
        echo "screenshots: $name is $got, expected $size" >&2
        exit 1
    fi
}

shot window "HOST <-> IP {hostip}" 282x57 -- localhost
shot window-200 "HOST <-> IP {hostip}" 564x114 QT_SCALE_FACTOR=2 -- localhost
shot message 9001 - -- nowhere.test

# gtk NAME SETTINGS...: GTK's settings.ini for the next shot, in a folder of its own.
gtk() {
    mkdir -p "$HOME/$1/gtk-3.0"
    printf '[Settings]\n' >"$HOME/$1/gtk-3.0/settings.ini"
    printf '%s\n' "${@:2}" >>"$HOME/$1/gtk-3.0/settings.ini"
}
# property NAME FX: a figure of a shot, as ImageMagick's fx gives it
property() { convert "$out/$1.png" -colorspace Gray -format "%[fx:$2]" info:; }
gtk large 'gtk-font-name=DejaVu Sans 16'
shot window-gtk-16pt "HOST <-> IP {hostip}" - XDG_CONFIG_HOME="$HOME/large" QT_QPA_PLATFORMTHEME=gtk3 -- localhost
gtk dark 'gtk-font-name=DejaVu Sans 11' 'gtk-application-prefer-dark-theme=1'
shot window-dark "HOST <-> IP {hostip}" - XDG_CONFIG_HOME="$HOME/dark" QT_QPA_PLATFORMTHEME=gtk3 -- localhost
for name in window-gtk-16pt window-dark; do # larger than drawn, in the form's 282:57
    [ "$(property $name 'w > 282 && abs(w / h - 282 / 57) < 0.1')" = 1 ] ||
        { echo "screenshots: $name is not the form scaled up" >&2; exit 1; }
done
[ "$(property window 'mean > 0.6')$(property window-dark 'mean < 0.4')" = 11 ] ||
    { echo "screenshots: the dark theme does not give a dark window" >&2; exit 1; }
