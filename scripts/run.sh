#!/usr/bin/env bash
# Installs what is missing, builds hostip and starts it with the given arguments.
#   scripts/run.sh [NAME|ADDRESS]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target hostip
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "hostip is a desktop program and there is no display here (DISPLAY is not set)." >&2
    echo "On a machine without a desktop, try it in a virtual one:" >&2
    echo "    xvfb-run -a build/dev/window/hostip $*" >&2
    exit 1
fi
exec build/dev/window/hostip "$@"
