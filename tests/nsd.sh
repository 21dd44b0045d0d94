#!/usr/bin/env bash
# Runs a command against NSD, a real authoritative DNS server, serving the
# tests' own zones on 127.0.0.1:53. Run it inside `tests/sandbox.sh --dns`.
#
#   tests/nsd.sh COMMAND [ARGS...]
#
# dns.test:            multi (two A, in this order), alias -> mid -> multi
#                      (CNAME chain), many (100 A: too big for UDP, so the
#                      resolver asks again over TCP), v6 (AAAA only),
#                      xn--bcher-kva (bücher, A 10.53.0.4)
# 53.10.in-addr.arpa:  PTR of 10.53.0.2 multi, .4 xn--bcher-kva.dns.test,
#                      .5 a name that is no host name, .6-.8 names whose xn--
#                      labels decode to what no name may show
set -euo pipefail
command -v nsd >/dev/null || { echo "nsd: not installed; skipping" >&2; exit 77; }
dir=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$dir"' EXIT

soa='@ IN SOA ns.dns.test. hostmaster.dns.test. 1 3600 600 86400 60
@ IN NS ns.dns.test.'
{
    printf '$ORIGIN dns.test.\n$TTL 60\n%s\n' "$soa"
    cat <<'ZONE'
ns IN A 127.0.0.1
multi IN A 10.53.0.2
multi IN A 10.53.0.1
alias IN CNAME mid
mid IN CNAME multi
v6 IN AAAA fd00::53
xn--bcher-kva IN A 10.53.0.4
ZONE
    for i in $(seq 1 100); do echo "many IN A 10.54.0.$i"; done
} >"$dir/dns.test.zone"
{
    printf '$ORIGIN 53.10.in-addr.arpa.\n$TTL 60\n%s\n' "$soa"
    cat <<'ZONE'
2.0 IN PTR multi.dns.test.
4.0 IN PTR xn--bcher-kva.dns.test.
5.0 IN PTR bad\255name.dns.test.
6.0 IN PTR xn--google-9l0c.example.
7.0 IN PTR xn--a-vca.test.
8.0 IN PTR xn--ba.test.
ZONE
} >"$dir/reverse.zone"
cat >"$dir/nsd.conf" <<CONF
server:
    ip-address: 127.0.0.1
    port: 53
    do-ip6: no
    username: ""
    chroot: ""
    zonesdir: "$dir"
    database: ""
    zonelistfile: "$dir/zone.list"
    xfrdfile: "$dir/xfrd.state"
    xfrdir: "$dir"
    pidfile: "$dir/nsd.pid"
    logfile: "$dir/nsd.log"
    # The tests ask faster than a real client would; limiting would drop replies.
    rrl-ratelimit: 0
    rrl-whitelist-ratelimit: 0
remote-control:
    control-enable: no
zone:
    name: dns.test
    zonefile: dns.test.zone
zone:
    name: 53.10.in-addr.arpa
    zonefile: reverse.zone
CONF
nsd -d -c "$dir/nsd.conf" &
pid=$!
for _ in $(seq 100); do
    ss -ltn 2>/dev/null | grep '127.0.0.1:53 ' >/dev/null && break
    kill -0 "$pid" 2>/dev/null || { cat "$dir/nsd.log" >&2; exit 1; }
    sleep 0.05
done
"$@"
