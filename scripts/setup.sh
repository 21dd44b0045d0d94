#!/usr/bin/env bash
# Installs the Debian packages that hostip needs, skipping those already there.
# Uses sudo when not run as root. The same names exist on Debian 12, 13 and
# testing; clang and libclang-rt-dev are each release's default version.
#
#   scripts/setup.sh        what building and running needs
#   scripts/setup.sh test   that, and what the tests, fuzzing and benchmarks need
set -euo pipefail

packages=(cmake make g++ pkg-config libidn2-dev qt6-base-dev libxcb1-dev) # build and run
if [ "${1:-}" = test ]; then
    packages+=(
        qt6-base-private-dev qt6-wayland locales           # window tests
        libgtest-dev libbenchmark-dev                      # tests and benchmarks
        clang libclang-rt-dev                              # fuzzing
        util-linux iproute2 nsd                            # resolver sandbox, DNS server
        xvfb xauth x11-utils imagemagick fonts-dejavu-core # screenshots under Xvfb
        openbox dbus at-spi2-core python3-xlib python3-gi gir1.2-atspi-2.0 weston # desktop tests
        desktop-file-utils appstream man-db dpkg-dev file lintian # install and package checks
    )
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" = 0 ] || sudo=(sudo)
echo "setup: installing ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
