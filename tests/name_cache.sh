#!/usr/bin/env bash
# A name cache on the host (nscd's socket, here a listener of this test's own)
# is never asked a host lookup from inside tests/sandbox.sh, though it is from
# outside. (The sandbox script's own shell may ask for its user before any
# namespace is made; that is no host lookup.)
# Runs in a mount namespace of its own, where a fresh /run holds the socket.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ "${1:-}" != --inside ]; then
    flags=(--mount)
    [ "$(id -u)" = 0 ] || flags+=(--map-root-user)
    unshare "${flags[@]}" true 2>/dev/null || { echo "name_cache: unshare refused; skipping" >&2; exit 77; }
    exec unshare "${flags[@]}" "$0" --inside
fi
resolv=$(readlink -f /etc/resolv.conf) # the sandbox mounts over it
mount -t tmpfs hostip-run /run
mkdir -p /run/nscd "$(dirname "$resolv")" && { [ -e "$resolv" ] || touch "$resolv"; }
exec python3 - "$here/sandbox.sh" <<'PY'
import socket, struct, subprocess, sys, threading
HOSTS = {4, 5, 6, 7, 13, 14}  # nscd's requests: host by name, v6, by address, v6, the map, getaddrinfo
listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
listener.bind("/run/nscd/socket")
listener.listen(16)
asked = 0
def serve():  # takes each question and hangs up: the asker then goes on alone
    global asked
    while True:
        connection, _ = listener.accept()
        request = connection.recv(12)  # version, type, key length
        if len(request) == 12 and struct.unpack("=iii", request)[1] in HOSTS:
            asked += 1
        connection.close()
threading.Thread(target=serve, daemon=True).start()
def lookups(*command):
    before = asked
    subprocess.run([*command, "getent", "hosts", "localhost"], stdout=subprocess.DEVNULL, check=False)
    return asked - before
outside, inside = lookups(), lookups(sys.argv[1])
print(f"name_cache: asked a host lookup {outside} times from outside the sandbox, {inside} from inside")
sys.exit(0 if outside > 0 and inside == 0 else 1)
PY
