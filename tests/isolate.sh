#!/usr/bin/env bash
# Every ctest test runs through this, so that nothing of the session that
# started ctest can change its result: not a desktop's font, theme, style or
# scale (XDG_CURRENT_DESKTOP, QT_*, GTK_THEME), not the user's Qt or GTK
# settings in their home, not the session's display, bus or runtime folder,
# and not a PATH that leaves out /usr/sbin (where dnsmasq is).
#
# The test gets an empty environment but for: a PATH of the folders Debian
# installs into (not /usr/local, whatever a machine keeps there), the C.UTF-8
# locale, the user's name, a home and a runtime folder of its own (removed
# afterwards), TMPDIR, and the sanitizers' and GoogleTest's options (the
# presets set them). Whatever it needs of a display, a bus or a desktop
# setting, it makes or asks for itself, as the NAME=VALUE words before the
# command do.
#
#   tests/isolate.sh [NAME=VALUE...] COMMAND [ARGS...]
set -euo pipefail
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
kept=()
for name in TMPDIR ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS TSAN_OPTIONS $(compgen -e GTEST_); do
    [ -z "${!name+set}" ] || kept+=("$name=${!name}")
done
user=$(id -un 2>/dev/null || id -u) # a uid may have no name
env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    USER="$user" LOGNAME="$user" HOME="$home" XDG_RUNTIME_DIR="$home/run" "${kept[@]}" "$@"
