#!/usr/bin/env bash
# A name cache on the host (nscd's socket, here a listener of this test's own,
# in a fresh /run of a mount namespace of its own) is asked host lookups from
# outside tests/sandbox.sh, and never from inside. (A shell may ask nscd for
# its user before any namespace is made: that is no host lookup.)
set -euo pipefail
flags=(--mount)
[ "$(id -u)" = 0 ] || flags+=(--map-root-user)
if [ "${1:-}" != --inside ]; then
    unshare "${flags[@]}" true 2>/dev/null || { echo "name_cache: unshare refused; skipping" >&2; exit 77; }
    exec unshare "${flags[@]}" "$0" --inside
fi
resolv=$(readlink -m /etc/resolv.conf) # the sandbox mounts over it
mount -t tmpfs hostip-run /run
mkdir -p /run/nscd "$(dirname "$resolv")" && { [ -e "$resolv" ] || touch "$resolv"; }
exec python3 - "$(dirname "$0")/sandbox.sh" <<'PY'
import socket, struct, subprocess, sys, threading
listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
listener.bind("/run/nscd/socket")
listener.listen(16)
asked = []
def serve():  # takes each request's version, type and key length, and hangs up
    while True:
        connection, _ = listener.accept()
        request = connection.recv(12)
        # nscd's host requests: by name, v6, by address, v6, the map, getaddrinfo
        asked.append(len(request) == 12 and struct.unpack("=iii", request)[1] in {4, 5, 6, 7, 13, 14})
        connection.close()
threading.Thread(target=serve, daemon=True).start()
def lookups(*command):
    before = sum(asked)
    subprocess.run([*command, "getent", "hosts", "localhost"], stdout=subprocess.DEVNULL)
    return sum(asked) - before
outside, inside = lookups(), lookups(sys.argv[1])
print(f"name_cache: asked a host lookup {outside} times from outside the sandbox, {inside} from inside")
sys.exit(0 if outside > 0 and inside == 0 else 1)
PY
