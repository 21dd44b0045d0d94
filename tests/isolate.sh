#!/usr/bin/env bash
# Runs a test with nothing of the session that started ctest: an empty
# environment but for Debian's PATH (with /usr/sbin, without /usr/local),
# C.UTF-8, the user's name, a home and a runtime folder of its own (removed
# afterwards), TMPDIR, and the sanitizers' and GoogleTest's options.
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
