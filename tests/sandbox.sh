#!/usr/bin/env bash
# Runs a command where no host lookup can leave the machine: in new network,
# mount and host-name namespaces, with loopback as the only interface, the
# tests' own hosts file, "hosts: files" in nsswitch.conf, a resolv.conf that
# names only 127.0.0.1, the host name "hostip-test", and the host's name cache
# (nscd, unscd: glibc asks its socket first) out of sight.
#
#   tests/sandbox.sh [--dns] [--resolver-options OPTIONS] COMMAND [ARGS...]
#
# With --dns, nsswitch.conf says "hosts: files dns", so names missing from the
# hosts file go to a DNS server that the command itself runs on 127.0.0.1:53.
# resolv.conf's options are "timeout:1 attempts:1" unless given.
#
# Exits 77, which ctest reports as skipped, where namespaces are refused.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ "${1:-}" != --inside ]; then
    flags=(--mount --net --uts)
    [ "$(id -u)" = 0 ] || flags+=(--map-root-user)
    if ! unshare "${flags[@]}" true 2>/dev/null; then
        echo "sandbox: unshare ${flags[*]} is refused here; skipping resolver tests" >&2
        exit 77
    fi
    exec unshare "${flags[@]}" "$0" --inside "$@"
fi
shift
# First of all, an empty folder over the name cache's: where nscd runs, it would
# answer from the host's hosts file and the host's DNS.
if [ -d /var/run/nscd ]; then mount -t tmpfs -o size=16k,mode=755 hostip-no-nscd /var/run/nscd; fi
sources=files
options="timeout:1 attempts:1"
if [ "${1:-}" = --dns ]; then
    sources="files dns"
    shift
fi
if [ "${1:-}" = --resolver-options ]; then
    options=$2
    shift 2
fi

etc=$(mktemp -d)
trap 'mountpoint -q "$etc/held" || rm -rf "$etc"' EXIT
printf 'hosts: %s\n' "$sources" >"$etc/nsswitch.conf"
printf 'nameserver 127.0.0.1\noptions %s\n' "$options" >"$etc/resolv.conf"
mount --bind "$here/hosts" /etc/hosts
mount --bind "$etc/nsswitch.conf" /etc/nsswitch.conf
# resolv.conf is often a link into a resolver's own folder under /run, which
# is not there while that resolver is stopped (systemd-resolved, say). Then the
# nearest folder that is there gets a tmpfs of this namespace's, with what it
# held bound back into it and the missing path made.
resolv=$(readlink -m /etc/resolv.conf)
if [ ! -e "$resolv" ]; then
    there=$(dirname "$resolv")
    while [ ! -d "$there" ]; do there=$(dirname "$there"); done
    mkdir "$etc/held"
    mount --rbind "$there" "$etc/held"
    mount -t tmpfs -o mode=755 hostip-resolv "$there"
    for entry in "$etc"/held/* "$etc"/held/.[!.]*; do
        [ -e "$entry" ] || [ -L "$entry" ] || continue
        name=$there/${entry##*/}
        if [ -L "$entry" ]; then cp -P "$entry" "$name"; continue; fi
        if [ -d "$entry" ]; then mkdir "$name"; else touch "$name"; fi
        mount --rbind "$entry" "$name"
    done
    umount -l "$etc/held" # before anything could delete through it
    mkdir -p "$(dirname "$resolv")"
    touch "$resolv"
fi
mount --bind "$etc/resolv.conf" "$resolv"
hostname hostip-test
if command -v ip >/dev/null; then ip link set lo up; fi

"$@"
