#!/usr/bin/env bash
# Runs tests/desktop_test.py against the real program: in the resolver sandbox
# with DNS (glibc's default timeouts: 5 s, 2 attempts), under Xvfb with
# openbox, with a session bus of its own for AT-SPI.
#
#   tests/desktop.sh HOSTIP_BINARY
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ "${1:-}" != --inside ]; then
    for tool in xvfb-run openbox dbus-run-session; do
        command -v "$tool" >/dev/null || { echo "desktop: $tool is missing; skipping" >&2; exit 77; }
    done
    exec "$here/sandbox.sh" --dns --resolver-options "timeout:5 attempts:2" \
        xvfb-run -a -s "-screen 0 800x600x24 -noreset" \
        dbus-run-session -- "$0" --inside "$@"
fi
shift
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
/usr/bin/python3 "$here/desktop_test.py" "$@"
