#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the core and
# window suites under ThreadSanitizer, the release build (where the compiler
# warns differently) with the install and package checks, then each fuzz
# target for a bounded time. The benchmarks are built where they run,
# scripts/bench.sh.
#
#   scripts/test.sh [PRESET...]   all of them when none is named
#
# Exits 0 when every suite ran and passed, 77 when every suite that ran passed
# but some were skipped (each is named last, with why), and otherwise as the
# step that failed.
#
# The cross presets (cross-arm64, cross-armhf, cross-i386, cross-s390x) are run
# only when named, and only where dpkg already has that architecture: adding
# one to a machine's dpkg is for its owner, not for a test. tests/debian.sh
# runs them in a fresh Debian root, where it adds them.
set -euo pipefail
cd "$(dirname "$0")/.."

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev asan tsan package fuzz)
cross=() # the cross presets' packages
for preset in "${presets[@]}"; do
    case "$preset" in
    cross-*)
        arch=${preset#cross-}
        # Not grep -q: it leaves at the first match, and dpkg, writing a line at a
        # time, can then die of SIGPIPE, which pipefail takes for no match.
        if ! dpkg --print-foreign-architectures 2>/dev/null | grep -x "$arch" >/dev/null; then
            echo "test: $preset needs Debian's $arch packages, and this machine's dpkg has no $arch." >&2
            echo "test: it runs in a fresh Debian root instead: sudo tests/debian.sh bookworm $preset" >&2
            exit 1
        fi
        cross+=("crossbuild-essential-$arch" qemu-user-static "libidn2-dev:$arch" "libgtest-dev:$arch"
            "pkgconf:$arch" "libstdc++6:$arch") # where the target's loader finds libstdc++
        [ "$arch" != arm64 ] || cross+=("qt6-base-dev:$arch") # the whole program on arm64
        ;;
    esac
done
scripts/setup.sh test "${cross[@]}"

skipped=() # "PRESET SUITE: why", from what the suite said as it skipped itself
for preset in "${presets[@]}"; do
    echo "== $preset build"
    scripts/configure.sh "$preset"
    cmake --build --preset "$preset"
    echo "== $preset tests"
    ctest --preset "$preset" | tee "build/$preset/ctest.out"
    for suite in $(sed -n 's/^\t *[0-9]* - \(.*\) (Skipped)$/\1/p' "build/$preset/ctest.out"); do
        why=$(awk -v t="Testing: $suite" '$0 ~ t "$" { on = 1 } on && /^Output:/ { out = 1 }
            out && /^<end of output>/ { exit } out && /skipping/ { print; exit }' \
            "build/$preset/Testing/Temporary/LastTest.log")
        skipped+=("$preset $suite: ${why:-(it gave no reason)}")
    done
done
# A suite skips itself only where the machine refuses what it needs (user
# namespaces, say): the run then passed, but not whole, and says so last.
if [ ${#skipped[@]} -gt 0 ]; then
    echo "test: everything that ran passed, but these suites were skipped, as this machine refuses what they need:"
    printf '    %s\n' "${skipped[@]}"
    exit 77
fi
