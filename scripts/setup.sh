#!/usr/bin/env bash
# Makes sure that what hostip needs is here, before anything is built:
#   scripts/setup.sh [package|test|bench] [PACKAGE...]
# what building and running need, and what the mode's builds and checks need,
# and the PACKAGEs (a cross preset's).
# With apt-get it installs what is missing (sudo when not root), by apt's rules:
# it may upgrade what the new packages need, never removes a package (it stops
# and names them), and starts and disables nothing. A package installed and held
# counts as installed; apt's lock, held by a background update say, is waited
# for up to 10 minutes; a user without sudo is told what to run as root, and it stops there.
# Without it, it installs nothing: it looks for each piece (PACKAGE=HOW:
# cmd:COMMAND, pc:PKG-CONFIG-MODULE, py:PYTHON-MODULE, gir:NAMESPACE 2.0, or -)
# and names each missing one with its Debian package.
set -euo pipefail

needs=(cmake=cmd:cmake ninja-build=cmd:ninja g++=cmd:g++ pkg-config=cmd:pkg-config libidn2-dev=pc:libidn2
    qt6-base-dev=pc:Qt6Widgets libxcb1-dev=pc:xcb qt6-wayland=-) # Wayland's plugin; without it, X11
case "${1:-}" in
package | test | bench) needs+=(dpkg-dev=cmd:dpkg-shlibdeps file=cmd:file) ;;&
test | bench)
    needs+=(
        qt6-base-private-dev=- locales=- # window tests
        libgtest-dev=pc:gtest
        clang=cmd:clang++ libclang-rt-dev=- # fuzzing
        util-linux=cmd:unshare iproute2=cmd:ip dnsmasq-base=cmd:dnsmasq # resolver sandbox, DNS server
        xvfb=cmd:xvfb-run xauth=cmd:xauth x11-utils=cmd:xwininfo imagemagick=cmd:compare
        fonts-dejavu-core=- openbox=cmd:openbox at-spi2-core=-
        dbus-bin=cmd:dbus-run-session dbus-daemon=- dbus-x11=- # a session bus; no system bus, no systemd
        python3-xlib=py:Xlib python3-gi=py:gi gir1.2-atspi-2.0=gir:Atspi weston=cmd:weston orca=cmd:orca
        mutter=cmd:mutter xwayland=cmd:Xwayland # GNOME's compositor, headless
        desktop-file-utils=cmd:desktop-file-validate appstream=cmd:appstreamcli man-db=cmd:man
        lintian=cmd:lintian devscripts=cmd:hardening-check qt6-gtk-platformtheme=- # GNOME's font, colours
    ) ;;&
bench) needs+=(libbenchmark-dev=pc:benchmark hyperfine=cmd:hyperfine) ;;
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
    printf '    %s\n' "${absent[@]}" "(install them with your system's packages, then run this again)" >&2 && exit 1
fi

# Installed, whether or not its owner holds it at its version (status "hi").
installed() { [[ $(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null) == ?i* ]]; }
missing=()
for need in "${needs[@]}"; do installed "${need%%=*}" || missing+=("${need%%=*}"); done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ ${#sudo[@]} -gt 0 ] && ! { command -v sudo >/dev/null && sudo true; }; then
    echo "setup: missing: ${missing[*]}" >&2
    echo "setup: this user cannot install them (no sudo); as root, run this, then this command again:" >&2
    echo "    apt-get install --no-install-recommends ${missing[*]}" >&2 && exit 1
fi

# apt's lock may be held by another package manager, such as an update running
# in the background: waited for, up to 10 minutes. apt's messages are read in
# the C locale, as apt translates them into the user's language.
waited=0
until out=$("${sudo[@]}" env LC_ALL=C apt-get -qq update 2>&1); do
    grep 'Could not get lock' <<<"$out" >/dev/null || { echo "$out" >&2 && exit 1; }
    holder=${out#*held by } && holder=${holder%%$'\n'*}
    [ $waited -lt 600 ] || { echo "setup: apt's lock is still held by $holder after 10 minutes; stopping." >&2 && exit 1; }
    [ $waited -gt 0 ] || echo "setup: waiting for apt's lock (up to 10 minutes), held by $holder" >&2
    sleep 5 && waited=$((waited + 5))
done
simulate() { apt-get -s install --no-install-recommends "$@" 2>/dev/null; }
plan=$(simulate "${missing[@]}") || true
# Where systemd is not installed at all (a container, a minimal root), what
# needs only its sysusers tool (dnsmasq, dbus on testing) gets the standalone
# one, not all of systemd. An upgrade of an installed systemd is apt's business.
if ! installed systemd && grep -q '^Inst systemd ' <<<"$plan" && alone=$(simulate "${missing[@]}" systemd-standalone-sysusers); then
    missing+=(systemd-standalone-sysusers)
    plan=$alone
fi
removed=$(awk '/^Remv / { printf " %s", $2 }' <<<"$plan")
[ -z "$removed" ] || { echo "setup: installing ${missing[*]} would remove$removed; stopping." >&2 && exit 1; }
echo "setup: installing ${missing[*]}" >&2
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -y --no-install-recommends --no-remove \
    -o DPkg::Lock::Timeout=600 install "${missing[@]}"
# What a new package may start on its own (a unit it can enable, an init script
# for the multi-user runlevels) and what it adds to a desktop (a session on the
# login screen, an entry a desktop session starts) is named, and left to the
# machine's owner as its package set it.
# names PATTERN FILTER...: the names of the new package's files that match, and
# that FILTER keeps (echo keeps them all)
names() { grep -E "$1" <<<"$files" | xargs -r "${@:2}" | xargs -r -n 1 basename | xargs; }
for new in $(awk '/^Inst [^ ]+ \(/ { print $2 }' <<<"$plan"); do
    # A package installed for two architectures (a cross preset's) is named with the machine's.
    files=$(dpkg-query -L "$new" 2>/dev/null || dpkg-query -L "$new:$(dpkg --print-architecture)") || true
    units=$(names '^(/usr)?/lib/systemd/system/[^/]+\.(service|socket|timer)$|^/etc/init\.d/.' \
        grep -lE '^\[Install\]|^# Default-Start:.*2') || true
    sessions=$(names '^/usr/share/(xsessions|wayland-sessions)/[^/]+\.desktop$' echo) || true
    autostart=$(names '^/etc/xdg/autostart/[^/]+\.desktop$' echo) || true
    [ -z "$units" ] || echo "setup: $new brings what may start on its own, left as its package set it: $units" >&2
    [ -z "$sessions" ] || echo "setup: $new adds a session to the login screen, left as its package set it: $sessions" >&2
    [ -z "$autostart" ] || echo "setup: $new adds what desktop sessions start, left as its package set it: $autostart" >&2
done
