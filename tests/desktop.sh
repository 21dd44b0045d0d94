#!/usr/bin/env bash
# Runs tests/desktop_test.py against the real program: in the resolver sandbox
# with DNS (glibc's default timeouts: 5 s, 2 attempts), under Xvfb with
# openbox, with a session bus (AT-SPI). What the session's programs keep
# (AT-SPI, openbox, Orca's settings and log) goes to the home tests/isolate.sh
# gives the run.
#
#   tests/desktop.sh HOSTIP_BINARY
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exec "$here/sandbox.sh" --dns --resolver-options "timeout:5 attempts:2" \
    xvfb-run -a -s "-screen 0 800x600x24 -noreset" dbus-run-session -- python3 "$here/desktop_test.py" "$@"
