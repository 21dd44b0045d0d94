#!/usr/bin/env bash
# Checks what `cmake --install` puts in place and the Debian package CPack makes:
# the files are there and pass their validators, the package installs into a
# fresh tree and its hostip answers --help and --version without a display, the
# binary is hardened, lintian has nothing to say, even pedantically, and both
# release histories end with this version.
#
#   tests/package.sh BUILD_DIR VERSION CMAKE CPACK   (the CMake that configured the build)
set -uo pipefail
build=$(cd "$1" && pwd)
version=$2 cmake=$3 cpack=$4
data=$(cd "$(dirname "$0")/../data" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
id=io.github.hostip.HostIP
. "$(dirname "$0")/lib.sh"

# --- cmake --install
prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for f in bin/hostip share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg share/man/man1/hostip.1.gz; do
    check "installed $f" test -f "$prefix/$f"
done
for size in 16 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
    check "icon $size px" bash -c "[ \"\$(identify -format %wx%h '$png')\" = ${size}x$size ]"
done
check "desktop entry validates without a word" bash -c \
    "out=\$(desktop-file-validate '$prefix/share/applications/$id.desktop' 2>&1) && echo \"\$out\" && [ -z \"\$out\" ]"
check "desktop entry launches hostip plainly" grep -qx 'Exec=hostip' "$prefix/share/applications/$id.desktop"
check "AppStream metadata says MIT" grep -q '<project_license>MIT</project_license>' "$prefix/share/metainfo/$id.metainfo.xml"
check "AppStream metadata validates" appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
check "man page renders without warnings" bash -c \
    "[ -z \"\$(MANWIDTH=80 man --warnings -l '$prefix/share/man/man1/hostip.1.gz' 2>&1 >/dev/null)\" ]"

newest() { sed -n "$2" "$data/$1" | head -n 1; } # newest FILE SED: its newest release
check "the newest entry of data/changelog is $version" \
    test "$(newest changelog 's/^hostip (\([^)]*\)).*/\1/p')" = "$version"
check "the newest release in data/$id.metainfo.xml is $version" \
    test "$(newest $id.metainfo.xml 's/.*<release version="\([^"]*\)".*/\1/p')" = "$version"
man=$(zcat "$prefix/share/man/man1/hostip.1.gz" | head -n 1)
check "the man page is of hostip $version" grep -qF "\"hostip $version\"" <<<"$man"

# --- the Debian package
(cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null)
deb=$(ls "$work"/pkg/hostip_*.deb 2>/dev/null | head -n 1)
check "CPack made a .deb" test -n "$deb"
if [ -n "$deb" ]; then
    check "dependencies come from dpkg-shlibdeps" bash -c "dpkg-deb -f '$deb' Depends | grep -q libqt6widgets6"
    check "the package recommends Qt's Wayland plugin" bash -c "dpkg-deb -f '$deb' Recommends | grep -qx qt6-wayland"
    dpkg -x "$deb" "$work/root"
    check "the package's copyright file says MIT" grep -qx 'License: MIT' "$work/root/usr/share/doc/hostip/copyright"
    bin=$work/root/usr/bin/hostip
    check "--version from the package" bash -c "[ \"\$('$bin' --version)\" = 'hostip $version' ]"
    for help in --help -h; do
        check "$help from the package" bash -c "'$bin' $help | grep -q '^Usage: hostip'"
    done
    check "other command lines still want a window" bash -c "! '$bin' --helpx 2>/dev/null"
    # Hardened as Debian's own packages: the five checks every toolchain marks
    # (stack clash and control-flow protection read "unknown" or "no" for
    # Debian's own builds too: its start files lack the marking).
    check "hardening-check: PIE, stack protector, fortify, RELRO, BIND_NOW" bash -c "hardening-check '$bin' |
        [ \$(grep -cE '^ (Position Independent Executable|Stack protected|Fortify Source functions|Read-only relocations|Immediate binding): yes') = 5 ]"
    check "lintian, pedantic and with info tags, says nothing" bash -c \
        "out=\$(lintian --pedantic --display-info --tag-display-limit 0 '$deb' 2>/dev/null) && echo \"\$out\" && [ -z \"\$out\" ]"
fi

# --- whose flags: a plain configure (a distribution's build) takes the flags it
# is given as they are and adds no hardening; the presets' (HOSTIP_HARDENING=ON)
# add Debian's beside them. CPPFLAGS reaches the compile commands as written.
# flags SETUP HARDENING ABSENT PRESENT...: configured after SETUP (plainly, or
# with HOSTIP_HARDENING as given), the build's compile and link commands
# match no ABSENT pattern (- for none) and carry each PRESENT.
flags() {
    (eval "$1" && "$cmake" --fresh -S "$data/.." -B "$work/flags" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DHOSTIP_WINDOW=OFF ${2:+-DHOSTIP_HARDENING=$2}) >"$work/flags.out" 2>&1 &&
        { [ "$3" = - ] || ! grep -E -- "$3" "$work/flags/build.ninja"; } && for present in "${@:4}"; do
            grep -qF -- "$present" "$work/flags/build.ninja" || { echo "no $present" && return 1; }
        done
}
debian() { eval "$(DEB_BUILD_MAINT_OPTIONS=$1 dpkg-buildflags --export=sh)"; }
ours='_FORTIFY_SOURCE|-fstack-protector-strong|-fstack-clash|-fcf-protection|_GLIBCXX_ASSERTIONS|-z,relro|-z,now'
check "plain, dpkg-buildflags' hardening=-fortify: kept without _FORTIFY_SOURCE" \
    flags 'debian hardening=-fortify' '' _FORTIFY_SOURCE -Wdate-time -fstack-protector-strong
check "plain, dpkg-buildflags' hardening=-all: none of it" flags 'debian hardening=-all' '' "$ours" -Wdate-time
check "plain, a user's CXXFLAGS=\"-O2 -fstack-protector\": exactly those" \
    flags 'export CXXFLAGS="-O2 -fstack-protector"' '' "$ours" '-O2 -fstack-protector -O3'
check "the presets' hardening, beside CXXFLAGS=-pipe" flags 'export CXXFLAGS=-pipe' ON - \
    -pipe _FORTIFY_SOURCE= -fstack-protector-strong -z,relro -z,now
check "CPPFLAGS with two -isystem: as written" \
    flags "export CPPFLAGS='-isystem /opt/a -isystem /opt/b'" '' "$ours" "-isystem /opt/a -isystem /opt/b"

finish package
