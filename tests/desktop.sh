#!/usr/bin/env bash
# Runs tests/desktop_test.py against the real program: in the resolver sandbox
# with DNS (glibc's default timeouts: 5 s, 2 attempts), under Xvfb with
# openbox, with a session bus and a home folder of its own (AT-SPI).
#
#   tests/desktop.sh HOSTIP_BINARY
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ "${1:-}" != --inside ]; then
    for tool in xvfb-run openbox dbus-run-session; do
        command -v "$tool" >/dev/null || { echo "desktop: $tool is missing; skipping" >&2; exit 77; }
    done
    # A home of the run's own: what the session's programs keep (AT-SPI,
    # openbox, Orca's settings and log) goes with it.
    home=$(mktemp -d)
    trap 'rm -rf "$home"' EXIT
    mkdir -m 700 "$home/run"
    "$here/sandbox.sh" --dns --resolver-options "timeout:5 attempts:2" \
        xvfb-run -a -s "-screen 0 800x600x24 -noreset" \
        env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME \
        HOME="$home" XDG_RUNTIME_DIR="$home/run" dbus-run-session -- "$0" --inside "$@"
    exit
fi
shift
/usr/bin/python3 "$here/desktop_test.py" "$@"
