#!/usr/bin/env bash
# Runs a command against dnsmasq, a real DNS server (the one NetworkManager and
# libvirt run; Debian's dnsmasq-base, which has no service of its own), serving
# the tests' own names on 127.0.0.1:53. Run it inside `tests/sandbox.sh --dns`.
#
#   tests/dnsmasq.sh COMMAND [ARGS...]
#
# dns.test:            multi (two A; dnsmasq hands them out in turn), alias ->
#                      mid -> multi (CNAME chain), many (100 A: too big for
#                      UDP, so the resolver asks again over TCP), v6 (AAAA
#                      only), xn--bcher-kva (bücher, A 10.53.0.4); nothing else
# 53.10.in-addr.arpa:  PTR of 10.53.0.2 multi, .4 xn--bcher-kva.dns.test,
#                      .5 a name that is no host name, .6-.8 names whose xn--
#                      labels decode to what no name may show; nothing else
set -euo pipefail
dir=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$dir"' EXIT

{
    printf '10.53.0.2 multi.dns.test\n10.53.0.1 multi.dns.test\n10.53.0.4 xn--bcher-kva.dns.test\n'
    for i in $(seq 1 100); do echo "10.54.0.$i many.dns.test"; done
} >"$dir/hosts"
records=(
    --cname=alias.dns.test,mid.dns.test --cname=mid.dns.test,multi.dns.test
    --host-record=v6.dns.test,fd00::53
    --ptr-record='5.0.53.10.in-addr.arpa,bad\255name.dns.test' # a backslash: no host name
    --ptr-record=6.0.53.10.in-addr.arpa,xn--google-9l0c.example
    --ptr-record=7.0.53.10.in-addr.arpa,xn--a-vca.test
    --ptr-record=8.0.53.10.in-addr.arpa,xn--ba.test
)
# Only these names, from no file of the machine's, answered here and never sent
# on; in the foreground, logging to its own file, as whoever runs it.
dnsmasq --keep-in-foreground --conf-file=/dev/null --no-hosts --addn-hosts="$dir/hosts" --no-resolv \
    --local=/dns.test/ --local=/53.10.in-addr.arpa/ --listen-address=127.0.0.1 --bind-interfaces \
    --port=53 --user= --group= --pid-file= --log-facility="$dir/log" "${records[@]}" &
pid=$!
. "$(dirname "$0")/lib.sh"
listening() { ss -ltn | grep '127.0.0.1:53 '; }
waitfor "$pid" listening || { cat "$dir/log" >&2 && exit 1; }
"$@"
