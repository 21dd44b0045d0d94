#!/usr/bin/env bash
# Installs what building and running need, builds hostip as the README installs
# it (the release preset) and starts it with the given arguments.
#   scripts/run.sh [NAME|ADDRESS]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/configure.sh release
cmake --build --preset release --target hostip
hostip=build/release/window/hostip
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "hostip is a desktop program and there is no display here (DISPLAY is not set)." >&2
    echo "On a machine without a desktop, try it in a virtual one:" >&2
    if ! command -v xvfb-run >/dev/null && command -v apt-get >/dev/null; then
        sudo=
        [ "$(id -u)" = 0 ] || sudo="sudo "
        echo "    ${sudo}apt-get install xvfb xauth fonts-dejavu-core" >&2
    elif ! command -v xvfb-run >/dev/null; then
        echo "    (xvfb-run and Xvfb first: Debian's packages xvfb, xauth and fonts-dejavu-core)" >&2
    fi
    echo "    xvfb-run -a $hostip $*" >&2
    exit 1
fi
exec "$hostip" "$@"
