#!/usr/bin/env bash
# Makes sure that what hostip needs is here, before anything is built.
#
#   scripts/setup.sh         what building and running need
#   scripts/setup.sh test    that, and what the tests, fuzzing and package checks need
#   scripts/setup.sh bench   that, and hyperfine for the benchmarks
#
# On Debian 12, 13 and testing (where apt-get is) it installs the packages that
# are missing, with sudo when not run as root, and shows apt's own output. No
# service that comes with a package it brings in (nsd's DNS server, say) is
# started or left enabled: the tests start what they need themselves.
#
# Elsewhere it installs nothing. It looks for each piece itself (a command, a
# library through pkg-config, a Python module) and, where some are missing,
# names each with the Debian package that has it, and stops.
set -euo pipefail

# PACKAGE=HOW: the Debian package, and how to tell it is here without Debian's
# tools: cmd:COMMAND, pc:PKG-CONFIG-MODULE, py:PYTHON-MODULE, gir:NAMESPACE
# (GObject introspection, version 2.0), or "-" where nothing tells it the same
# way on every system.
needs=(
    cmake=cmd:cmake ninja-build=cmd:ninja g++=cmd:g++ pkg-config=cmd:pkg-config
    libidn2-dev=pc:libidn2 qt6-base-dev=pc:Qt6Widgets libxcb1-dev=pc:xcb
    qt6-wayland=- # native Wayland; without it hostip opens on X11
)
case "${1:-}" in
test | bench)
    needs+=(
        qt6-base-private-dev=- locales=- # window tests
        libgtest-dev=pc:gtest libbenchmark-dev=pc:benchmark
        clang=cmd:clang++ libclang-rt-dev=- # fuzzing
        util-linux=cmd:unshare iproute2=cmd:ip nsd=cmd:nsd # resolver sandbox, DNS server
        xvfb=cmd:xvfb-run xauth=cmd:xauth x11-utils=cmd:xwininfo imagemagick=cmd:compare
        fonts-dejavu-core=- openbox=cmd:openbox dbus=cmd:dbus-run-session at-spi2-core=-
        dbus-x11=- # a session bus without systemd: dbus-user-session would bring systemd-sysv
        python3-xlib=py:Xlib python3-gi=py:gi gir1.2-atspi-2.0=gir:Atspi weston=cmd:weston
        desktop-file-utils=cmd:desktop-file-validate appstream=cmd:appstreamcli man-db=cmd:man
        dpkg-dev=cmd:dpkg-shlibdeps file=cmd:file lintian=cmd:lintian devscripts=cmd:hardening-check
    )
    ;;&
bench) needs+=(hyperfine=cmd:hyperfine) ;;
esac

sudo=()
[ "$(id -u)" = 0 ] || sudo=(sudo)

here() { # here HOW: whether the piece is here
    case "$1" in
    cmd:*) PATH=$PATH:/usr/sbin:/sbin command -v "${1#cmd:}" >/dev/null ;;
    pc:*) pkg-config --exists "${1#pc:}" 2>/dev/null ;;
    py:*) python3 -c "import ${1#py:}" 2>/dev/null ;;
    gir:*) python3 -c "import gi; gi.require_version('${1#gir:}', '2.0')" 2>/dev/null ;;
    *) true ;;
    esac
}

if ! command -v apt-get >/dev/null || ! command -v dpkg-query >/dev/null; then
    absent=()
    for need in "${needs[@]}"; do
        how=${need#*=} package=${need%%=*}
        here "$how" && continue
        case "$how" in
        cmd:*) absent+=("the command ${how#*:} (Debian package: $package)") ;;
        pc:*) absent+=("the library ${how#*:}, found through pkg-config (Debian package: $package)") ;;
        *) absent+=("the Python module ${how#*:} (Debian package: $package)") ;;
        esac
    done
    [ ${#absent[@]} -eq 0 ] && exit 0
    echo "setup: without apt-get nothing is installed here, and these are missing:" >&2
    printf '    %s\n' "${absent[@]}" >&2
    echo "setup: install them with your system's packages, then run this again." >&2
    exit 1
fi

missing=()
for need in "${needs[@]}"; do
    dpkg-query -W -f='${db:Status-Abbrev}' "${need%%=*}" 2>/dev/null | grep -q '^ii' ||
        missing+=("${need%%=*}")
done
[ ${#missing[@]} -eq 0 ] && exit 0

apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -y --no-install-recommends)
"${sudo[@]}" apt-get -qq update
# What needs only systemd's sysusers tool (nsd and dbus on testing) would bring
# all of systemd into a system that runs without it: the standalone tool does.
simulate() { apt-get -s install --no-install-recommends "$@" 2>/dev/null; }
plan=$(simulate "${missing[@]}") || true
if grep -q '^Inst systemd ' <<<"$plan" && alone=$(simulate "${missing[@]}" systemd-standalone-sysusers); then
    missing+=(systemd-standalone-sysusers)
    plan=$alone
fi
echo "setup: installing ${missing[*]}" >&2
"${apt[@]}" install --download-only "${missing[@]}"

# The services of the packages about to be new here (upgrades keep theirs), read
# off the downloaded packages. Masked for this run where systemd runs, so that
# installing does not start them; disabled once installed.
eval "$(apt-config shell archives Dir::Cache::archives/d)"
units=() scripts=()
for p in $(awk '/^Inst / && $3 !~ /^\[/ { sub(/:.*/, "", $2); print $2 }' <<<"$plan"); do
    for deb in "$archives/${p}_"*.deb; do
        [ -e "$deb" ] || continue
        files=$(dpkg-deb -c "$deb" | awk '$NF != "/dev/null" { print $6 }') # not what systemd is told to ignore
        for unit in $(grep -E '^\./(usr/)?lib/systemd/system/[^/@]+\.(service|socket|timer)$' <<<"$files"); do
            units+=("${unit##*/}")
        done
        # Init scripts for other inits: those that start a service (systemd has
        # it too), not boot-time tasks such as x11-common's.
        for script in $(grep -E '^\./etc/init\.d/[^/]+$' <<<"$files"); do
            if grep -qE "^\./(usr/)?lib/systemd/system/${script##*/}\.service$" <<<"$files"; then
                scripts+=("${script##*/}")
            fi
        done
    done
done
systemd=false
[ -d /run/systemd/system ] && systemd=true
if $systemd && [ ${#units[@]} -gt 0 ]; then
    echo "setup: not starting ${units[*]}" >&2
    trap '"${sudo[@]}" systemctl --runtime --quiet unmask "${units[@]}" || true' EXIT
    "${sudo[@]}" systemctl --runtime --quiet mask "${units[@]}"
fi

"${apt[@]}" install "${missing[@]}"

services=("${units[@]}" "${scripts[@]}")
[ ${#services[@]} -eq 0 ] || echo "setup: leaving disabled what these packages brought: ${services[*]}" >&2
if [ ${#units[@]} -gt 0 ]; then
    if command -v systemctl >/dev/null; then
        $systemd && "${sudo[@]}" systemctl --runtime --quiet unmask "${units[@]}"
        "${sudo[@]}" systemctl --quiet disable "${units[@]}" 2>/dev/null || true
    else # no systemd here, only the links the packages made for it: what disabling removes
        for unit in "${units[@]}"; do
            "${sudo[@]}" find /etc/systemd/system \( -path '*.wants/*' -o -path '*.requires/*' \) \
                -name "$unit" -type l -delete
        done
    fi
fi
if ! $systemd; then # a system started otherwise: the packages' init scripts
    for script in "${scripts[@]}"; do
        "${sudo[@]}" invoke-rc.d "$script" stop >/dev/null 2>&1 || true
        "${sudo[@]}" update-rc.d "$script" disable >/dev/null 2>&1 || true
    done
fi
