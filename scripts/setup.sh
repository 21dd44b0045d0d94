#!/usr/bin/env bash
# Makes sure that what hostip needs is here, before anything is built.
#
#   scripts/setup.sh           what building and running need
#   scripts/setup.sh package   that, and what building the Debian package needs
#   scripts/setup.sh test      that, and what the tests, fuzzing and package checks need
#   scripts/setup.sh bench     that, and hyperfine for the benchmarks
#   scripts/setup.sh MODE PACKAGE...   and these Debian packages too (a cross preset's)
#
# Where apt-get is (Debian) it installs what is missing, with sudo when not
# root, showing apt's output. It never removes a package (where apt would, it
# names them and stops), and nothing a package brings in (nsd's DNS server,
# say) is started or left enabled. Elsewhere it installs nothing: it looks for
# each piece itself and names each missing one with its Debian package.
# PACKAGE=HOW below: how to tell the piece is here without Debian's tools
# (cmd:COMMAND, pc:PKG-CONFIG-MODULE, py:PYTHON-MODULE, gir:NAMESPACE of
# version 2.0), or "-" where nothing tells it the same way on every system.
set -euo pipefail

needs=(
    cmake=cmd:cmake ninja-build=cmd:ninja g++=cmd:g++ pkg-config=cmd:pkg-config
    libidn2-dev=pc:libidn2 qt6-base-dev=pc:Qt6Widgets libxcb1-dev=pc:xcb
    qt6-wayland=- # native Wayland; without it hostip opens on X11
)
case "${1:-}" in
package | test | bench) needs+=(dpkg-dev=cmd:dpkg-shlibdeps file=cmd:file) ;;&
test | bench)
    needs+=(
        qt6-base-private-dev=- locales=- # window tests
        libgtest-dev=pc:gtest libbenchmark-dev=pc:benchmark
        clang=cmd:clang++ libclang-rt-dev=- # fuzzing
        util-linux=cmd:unshare iproute2=cmd:ip nsd=cmd:nsd # resolver sandbox, DNS server
        xvfb=cmd:xvfb-run xauth=cmd:xauth x11-utils=cmd:xwininfo imagemagick=cmd:compare
        fonts-dejavu-core=- openbox=cmd:openbox dbus=cmd:dbus-run-session at-spi2-core=-
        dbus-x11=- # a session bus without systemd: dbus-user-session would bring systemd-sysv
        python3-xlib=py:Xlib python3-gi=py:gi gir1.2-atspi-2.0=gir:Atspi weston=cmd:weston orca=cmd:orca
        desktop-file-utils=cmd:desktop-file-validate appstream=cmd:appstreamcli man-db=cmd:man
        lintian=cmd:lintian devscripts=cmd:hardening-check
    ) ;;&
bench) needs+=(hyperfine=cmd:hyperfine) ;;
'' | package | test) ;;
*) echo "usage: scripts/setup.sh [package|test|bench] [PACKAGE...]" >&2 && exit 2 ;;
esac
for extra in "${@:2}"; do needs+=("$extra=-"); done

[ "$(id -u)" = 0 ] && sudo=() || sudo=(sudo)

if ! command -v apt-get >/dev/null || ! command -v dpkg-query >/dev/null; then
    absent=()
    for need in "${needs[@]}"; do # each piece looked for itself
        how=${need#*=} name=${need#*=*:}
        case "$how" in
        cmd:*) what="the command $name" && PATH=$PATH:/usr/sbin:/sbin command -v "$name" ;;
        pc:*) what="the library $name, found through pkg-config" && pkg-config --exists "$name" ;;
        py:*) what="the Python module $name" && python3 -c "import $name" ;;
        gir:*) what="the Python module gi.repository.$name" && python3 -c "import gi; gi.require_version('$name', '2.0')" ;;
        esac >/dev/null 2>&1 || absent+=("$what (Debian package: ${need%%=*})")
    done
    [ ${#absent[@]} -eq 0 ] && exit 0
    echo "setup: without apt-get nothing is installed here, and these are missing:" >&2
    printf '    %s\n' "${absent[@]}" >&2
    echo "setup: install them with your system's packages, then run this again." >&2
    exit 1
fi

missing=()
for need in "${needs[@]}"; do
    dpkg-query -W -f='${db:Status-Abbrev}' "${need%%=*}" 2>/dev/null | grep -q '^ii' || missing+=("${need%%=*}")
done
[ ${#missing[@]} -eq 0 ] && exit 0

"${sudo[@]}" apt-get -qq update
# What needs only systemd's sysusers tool (nsd and dbus on testing) would bring
# all of systemd into a system that runs without it: the standalone tool does.
simulate() { apt-get -s install --no-install-recommends "$@" 2>/dev/null; }
plan=$(simulate "${missing[@]}") || true
if grep -q '^Inst systemd ' <<<"$plan" && alone=$(simulate "${missing[@]}" systemd-standalone-sysusers); then
    missing+=(systemd-standalone-sysusers)
    plan=$alone
fi
removed=$(awk '/^Remv / { printf " %s", $2 }' <<<"$plan")
[ -z "$removed" ] || { echo "setup: installing ${missing[*]} would remove$removed; stopping." >&2 && exit 1; }

# Nothing the packages bring starts while they install: Debian's maintainer
# scripts ask policy-rc.d first (invoke-rc.d, deb-systemd-invoke). A machine's
# own is kept where it refuses starts too (a container's does). Then what they
# enabled (systemd's links, multi-user start links) is disabled, nothing else.
policy=/usr/sbin/policy-rc.d
if [ -e "$policy" ]; then
    status=0 && "$policy" hostip-setup start >/dev/null 2>&1 || status=$?
    [ "$status" = 101 ] || { echo "setup: this machine's own $policy lets services start;" \
        "not replacing it. Install by hand: ${missing[*]}" >&2 && exit 1; }
else
    trap '"${sudo[@]}" rm -f "$policy"' EXIT && trap 'exit 130' INT && trap 'exit 143' TERM HUP
    printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee "$policy" >/dev/null && "${sudo[@]}" chmod 755 "$policy"
fi
enabled() { find /etc/systemd/system /etc/rc[2-5].d -type l \( -path '/etc/systemd/*' -o -name 'S*' \) 2>/dev/null | sort; }
before=$(enabled)
echo "setup: installing ${missing[*]}" >&2
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -y --no-install-recommends --no-remove install "${missing[@]}"

new=$(comm -13 <(echo "$before") <(enabled))
[ -z "$new" ] || echo "setup: leaving disabled what these packages brought:" $(sed 's|.*/||' <<<"$new" | sort -u) >&2
for link in $new; do
    case "$link" in # systemctl where there is one, and the package's own link either way
    /etc/systemd/*) ! command -v systemctl >/dev/null || "${sudo[@]}" systemctl --quiet disable "${link##*/}" 2>/dev/null || true
        "${sudo[@]}" rm -f "$link" ;;
    *) "${sudo[@]}" update-rc.d "$(basename "$link" | sed 's/^S[0-9]*//')" disable >/dev/null 2>&1 || true ;;
    esac
done
